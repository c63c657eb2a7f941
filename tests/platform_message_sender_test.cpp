#include "platform/ui/message_sender.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

class RecordingTarget : public platform::MessageTarget {
public:
    platform::LRESULT WndProc(unsigned message, platform::WPARAM wParam,
                              platform::LPARAM lParam) override {
        EXPECT_EQ(std::this_thread::get_id(), mainThread);
        received.push_back(static_cast<int>(wParam));
        if (onMessage)
            onMessage();
        return static_cast<platform::LRESULT>(message) + lParam;
    }

    std::thread::id mainThread = std::this_thread::get_id();
    std::vector<int> received;
    std::function<void()> onMessage;
};

// Runs the event loop until `done` is set.
void RunUntil(const std::atomic<bool>& done) {
    while (!done)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

TEST(MessageSenderTest, CrossThreadSendsAreHandledInOrderOnTheWindowThread) {
    RecordingTarget target;
    platform::ui::QtMessageSender sender(target);
    std::atomic<bool> done{false};
    std::vector<platform::LRESULT> results;
    std::thread worker([&] {
        for (int i = 0; i < 20000; ++i)
            results.push_back(sender.SendMessage(1000, static_cast<platform::WPARAM>(i), 7));
        done = true;
    });
    RunUntil(done);
    worker.join();
    ASSERT_EQ(target.received.size(), 20000u);
    for (int i = 0; i < 20000; ++i)
        ASSERT_EQ(target.received[static_cast<std::size_t>(i)], i);
    EXPECT_EQ(results.front(), 1007);
}

TEST(MessageSenderTest, SendsAreAnsweredWhileTheWindowThreadRunsAModalLoop) {
    RecordingTarget target;
    platform::ui::QtMessageSender sender(target);
    std::atomic<bool> done{false};
    QEventLoop modal;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done)
            modal.quit();
    });
    poll.start(1);
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i)
            sender.SendMessage(1, static_cast<platform::WPARAM>(i), 0);
        done = true;
    });
    modal.exec(); // returns only once every send has been answered from inside it
    worker.join();
    EXPECT_EQ(target.received.size(), 100u);
}

TEST(MessageSenderTest, TasksRunOnTheWindowThreadAndSameThreadCallsGoStraightThrough) {
    RecordingTarget target;
    platform::ui::QtMessageSender sender(target);
    EXPECT_EQ(sender.SendMessage(5, 1, 1), 6);
    std::atomic<bool> done{false};
    std::thread::id ranOn;
    std::thread worker([&] {
        sender.RunOnTargetThread([&] { ranOn = std::this_thread::get_id(); });
        done = true;
    });
    RunUntil(done);
    worker.join();
    EXPECT_EQ(ranOn, target.mainThread);
}

TEST(MessageSenderTest, CloseReleasesAWaitingSenderAndRefusesLaterSends) {
    RecordingTarget target;
    platform::ui::QtMessageSender sender(target);
    std::atomic<bool> done{false};
    std::atomic<int> answered{0};
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            answered += sender.SendMessage(1, 0, 0) != 0;
        done = true;
    });
    // Never run the event loop: only Close can release the worker.
    while (target.received.empty() && !done) {
        sender.Close();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (done)
            break;
    }
    worker.join();
    EXPECT_TRUE(target.received.empty());
    EXPECT_EQ(answered, 0);
}
