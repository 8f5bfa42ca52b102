// One interactive copy per session: the lock, and the running window brought to the front.
#include "app/SingleInstance.h"

#include "support/MainWindowTest.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// Holds the lock on a thread of its own, as another copy of the program would, until told to
// let go (or to end without letting go, as a copy that crashes).
class OtherCopy {
public:
    explicit OtherCopy(bool release) : release_(release) {
        thread_ = std::thread([this] {
            auto lock = std::make_unique<qm::InstanceLock>(0);
            held_ = lock->First();
            SetEvent(ready_);
            WaitForSingleObject(end_, INFINITE);
            if (release_)
                lock.reset();
            else
                lock.release(); // the thread ends owning the mutex: it is abandoned
        });
        WaitForSingleObject(ready_, INFINITE);
    }
    ~OtherCopy() { End(); }
    void End() {
        if (!thread_.joinable()) return;
        SetEvent(end_);
        thread_.join();
    }
    bool held_ = false;

private:
    bool release_;
    HANDLE ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE end_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread thread_;
};

TEST(SingleInstanceTest, ASecondCopyDoesNotGetTheLockUntilTheFirstEnds) {
    for (bool release : {true, false}) {
        SCOPED_TRACE(release ? "released" : "abandoned");
        OtherCopy first(release);
        ASSERT_TRUE(first.held_);
        EXPECT_FALSE(qm::InstanceLock(50).First());
        first.End();
        qm::InstanceLock after(1000);
        EXPECT_TRUE(after.First());
    }
}

class RunningWindowTest : public qmtest::MainWindowTest {};

TEST_F(RunningWindowTest, ASecondStartRestoresTheMarkedMainWindow) {
    EXPECT_FALSE(qm::BringRunningWindowToFront()) << "a test's window is not the program's";
    qm::MarkMainWindow(form->hwnd());
    ShowWindow(form->hwnd(), SW_MINIMIZE);
    Pump();
    ASSERT_TRUE(IsIconic(form->hwnd()));
    EXPECT_TRUE(qm::BringRunningWindowToFront());
    Pump();
    EXPECT_FALSE(IsIconic(form->hwnd()));
    EXPECT_TRUE(IsWindowVisible(form->hwnd()));
    qm::UnmarkMainWindow(form->hwnd());
    EXPECT_FALSE(qm::BringRunningWindowToFront());
}

} // namespace
