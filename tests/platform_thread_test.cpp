#include "platform/thread.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace {

// Counts steps, passing the hold check before each.
class CountingThread : public platform::TThread {
public:
    std::atomic<int> steps{0};
    std::atomic<bool> stop{false};

protected:
    void Execute() override {
        while (!stop) {
            CheckHold();
            ++steps;
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    }
};

void WaitUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 20000 && !condition(); ++i)
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    ASSERT_TRUE(condition());
}

} // namespace

TEST(ThreadTest, CreatedHeldRunsOnResumeAndHoldsAtItsNextCheck) {
    CountingThread worker;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(worker.steps, 0); // created held

    worker.Resume();
    WaitUntil([&] { return worker.steps > 10; });

    worker.Suspend();
    EXPECT_TRUE(worker.Suspended());
    std::this_thread::sleep_for(std::chrono::milliseconds(5)); // the step in progress ends
    const int held = worker.steps;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(worker.steps, held); // nothing while held

    worker.Resume();
    WaitUntil([&] { return worker.steps > held + 10; });
    worker.stop = true;
    worker.WaitFor();
    EXPECT_TRUE(worker.Finished());
}
