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

// Waits, without running the event loop, until a send is posted and its sender waits for it.
void UntilASenderWaits(const platform::ui::QtMessageSender& sender) {
    while (!sender.SenderWaiting())
        std::this_thread::yield();
}

TEST(MessageSenderTest, CloseReleasesASenderThatIsWaitingAndRefusesLaterSends) {
    for (const bool task : {false, true}) {
        SCOPED_TRACE(task ? "task" : "message");
        RecordingTarget target;
        platform::ui::QtMessageSender sender(target);
        bool ran = false;
        std::vector<platform::LRESULT> results;
        std::thread worker([&] {
            for (int i = 0; i < 3; ++i) {
                if (task)
                    sender.RunOnTargetThread([&] { ran = true; });
                else
                    results.push_back(sender.SendMessage(1, 0, 5));
            }
        });
        // The event loop never runs: only Close can release the worker.
        UntilASenderWaits(sender);
        sender.Close();
        worker.join();
        EXPECT_TRUE(target.received.empty());
        EXPECT_FALSE(ran);
        const std::vector<platform::LRESULT> unhandled(task ? 0 : 3, 0);
        EXPECT_EQ(results, unhandled);
        EXPECT_FALSE(sender.SenderWaiting());
    }
}

// The window closes while it handles a message in a modal loop (the report window opened from
// the worker's last message): the message's sender and one queued behind it are released with
// one answer each, and the handler's own answer, which comes later, is dropped. Whether a second
// answer would reach the first sender depends on which thread runs first, so the scene is
// played many times.
TEST(MessageSenderTest, CloseWhileAMessageIsHandledAnswersEachSenderOnce) {
    for (int round = 0; round < 100; ++round) {
        SCOPED_TRACE(round);
        RecordingTarget target;
        platform::ui::QtMessageSender sender(target);
        std::atomic<bool> firstReturned{false};
        std::atomic<bool> secondReturned{false};
        platform::LRESULT first = -1;
        platform::LRESULT second = -1;
        std::thread secondSender;
        target.onMessage = [&] {
            EXPECT_TRUE(sender.SenderWaiting()); // the handled message's sender still waits
            secondSender = std::thread([&] {
                second = sender.SendMessage(2, 2, 0);
                secondReturned = true;
            });
            QEventLoop modal;
            QTimer::singleShot(0, &modal, [&] {
                sender.Close();
                modal.quit();
            });
            modal.exec();
            // The handler now answers 77 (message 1 + 76): too late.
        };
        std::thread firstSender([&] {
            first = sender.SendMessage(1, 1, 76);
            firstReturned = true;
        });
        while (!firstReturned || !secondReturned)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        firstSender.join();
        secondSender.join();

        ASSERT_EQ(first, 0);
        ASSERT_EQ(second, 0);
        ASSERT_EQ(target.received, std::vector<int>{1});
        ASSERT_FALSE(sender.SenderWaiting());
        target.onMessage = nullptr;
        ASSERT_EQ(sender.SendMessage(3, 3, 0), 3); // the window's own thread goes straight through
    }
}
