#include "platform/thread.h"

#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace {

// What a body did, kept outside its thread object so that it can be read after the object is
// gone.
struct Trace {
    std::atomic<int> steps{0};
    std::atomic<bool> ended{false};
};

// Counts steps, passing the hold check before each, until it is asked to end or reaches
// `limit`. Its body uses nothing of its own object but the base's members and the trace, so the
// base's destructor alone must end it.
class CountingThread : public platform::TThread {
public:
    explicit CountingThread(Trace& trace, int limit = -1) : trace_(&trace), limit_(limit) {}

protected:
    void Execute() override {
        Trace* trace = trace_;
        const int limit = limit_;
        while (!Terminated() && trace->steps != limit) {
            CheckHold();
            ++trace->steps;
        }
        trace->ended = true;
    }

private:
    Trace* trace_;
    int limit_;
};

// Waits until `condition` holds; a condition that never does fails by the test's time limit.
void WaitUntil(const std::function<bool()>& condition) {
    while (!condition())
        std::this_thread::yield();
}

} // namespace

TEST(ThreadTest, CreatedHeldRunsOnResumeAndHoldsAtItsNextCheck) {
    Trace trace;
    CountingThread worker(trace);
    EXPECT_EQ(trace.steps, 0); // created held: no thread runs yet
    EXPECT_FALSE(worker.Finished());

    worker.Resume();
    WaitUntil([&] { return trace.steps > 10; });

    worker.Suspend();
    EXPECT_TRUE(worker.Suspended());
    WaitUntil([&] { return worker.Held(); }); // the step in progress has ended
    const int held = trace.steps;
    for (int i = 0; i < 1000; ++i)
        std::this_thread::yield();
    EXPECT_EQ(trace.steps, held); // nothing while held
    EXPECT_FALSE(worker.Finished());

    worker.Resume();
    WaitUntil([&] { return trace.steps > held + 10; });
    worker.Terminate();
    worker.WaitFor();
    EXPECT_TRUE(worker.Finished());
    EXPECT_TRUE(trace.ended);
}

TEST(ThreadTest, AHoldBeforeTheStartHoldsAtTheFirstCheck) {
    Trace trace;
    CountingThread worker(trace, 5);
    worker.Suspend(); // before the start: the body holds at its first check
    worker.Resume();
    WaitUntil([&] { return worker.Held(); });
    EXPECT_EQ(trace.steps, 0);
    worker.Resume();
    worker.WaitFor();
    EXPECT_EQ(trace.steps, 5);
    worker.Suspend(); // too late: the body has ended
    EXPECT_FALSE(worker.Held());
}

// However it is left, a thread object takes its thread with it: the body has ended by the time
// the object is gone, and a held one is not left waiting.
TEST(ThreadTest, ARunningOrHeldBodyEndsBeforeItsObjectIsGone) {
    enum class Left { NeverStarted, Running, Held, Finished };
    for (const Left left : {Left::NeverStarted, Left::Running, Left::Held, Left::Finished}) {
        SCOPED_TRACE(static_cast<int>(left));
        Trace trace;
        {
            CountingThread worker(trace, left == Left::Finished ? 3 : -1);
            if (left != Left::NeverStarted)
                worker.Resume();
            if (left == Left::Running)
                WaitUntil([&] { return trace.steps > 0; });
            if (left == Left::Held) {
                worker.Suspend();
                WaitUntil([&] { return worker.Held(); });
            }
            if (left == Left::Finished)
                WaitUntil([&] { return trace.ended.load(); });
        }
        EXPECT_EQ(trace.ended, left != Left::NeverStarted);
        const int steps = trace.steps;
        for (int i = 0; i < 1000; ++i)
            std::this_thread::yield();
        EXPECT_EQ(trace.steps, steps); // nothing runs on
    }
}
