// The real platform of this system, and the timer running on it. Only lower
// bounds on elapsed time are checked: a loaded machine may always be late.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "timing/HighResTimer.h"
#include "timing/TimerPlatform.h"

namespace tallis {
namespace {

TEST(SystemTimerPlatform, EventsResetWhenTaken) {
    auto event = SystemTimerPlatform().NewEvent();
    EXPECT_FALSE(event->Wait(0));
    event->Set();
    event->Set();
    EXPECT_TRUE(event->Wait(0));
    EXPECT_FALSE(event->Wait(0)) << "two Sets before a Wait release it once";
}

TEST(SystemTimerPlatform, SetFromAnotherThreadWakesAnUnboundedWait) {
    auto event = SystemTimerPlatform().NewEvent();
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        event->Set();
    });
    EXPECT_TRUE(event->Wait(std::nullopt));
    setter.join();
}

TEST(SystemTimerPlatform, PeriodicTimerSetsItsEventUntilStopped) {
    TimerPlatform& platform = SystemTimerPlatform();
    auto event = platform.NewEvent();
    std::uint32_t id = platform.StartPeriodicTimer(1, 0, *event);
    ASSERT_NE(id, 0u);
    for (int tick = 0; tick < 3; ++tick) {
        EXPECT_TRUE(event->Wait(1000)) << "tick " << tick;
    }
    platform.StopPeriodicTimer(id);
    event->Wait(0);  // a tick that came before the stop
    EXPECT_FALSE(event->Wait(20));
}

TEST(SystemTimerPlatform, PeriodicTimerRefusesAZeroPeriod) {
    TimerPlatform& platform = SystemTimerPlatform();
    auto event = platform.NewEvent();
    EXPECT_EQ(platform.StartPeriodicTimer(0, 0, *event), 0u);
}

TEST(SystemTimerPlatform, RaisedPriorityIsRestored) {
    TimerPlatform& platform = SystemTimerPlatform();
    TimerPlatform::SavedPriority before = platform.SaveCallerPriority();
    platform.RaiseCallerPriority(0x100, 31);
    platform.RestoreCallerPriority(before);
    TimerPlatform::SavedPriority after = platform.SaveCallerPriority();
    EXPECT_EQ(after.priorityClass, before.priorityClass);
    EXPECT_EQ(after.threadPriority, before.threadPriority);
}

TEST(SystemHighResTimer, StampsTicksAndNeverEndsAWaitEarly) {
    HighResTimer timer;
    ASSERT_GT(timer.CountSpeed(), 0.0);
    timer.SetEnabled(true);
    for (std::uint32_t microseconds : {60u, 900u, 2000u, 5000u}) {
        auto start = std::chrono::steady_clock::now();
        timer.Delay(microseconds);
        auto elapsed =
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count();
        // 0.5 % for the 100 ms calibration against the same clock.
        EXPECT_GE(elapsed, microseconds * 0.995) << microseconds << " us";
    }
    // A loaded machine may hold the worker back past these waits; a tick must
    // still come.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (timer.TimerThread()->LastTick() == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_NE(timer.TimerThread()->LastTick(), 0) << "the worker stamps no tick";
    timer.SetEnabled(false);
}

}  // namespace
}  // namespace tallis
