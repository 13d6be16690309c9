#include "timing/HighResTimer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <future>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/timing/FakeTimerPlatform.h"

namespace tallis {
namespace {

using testing::FakeTimerPlatform;
using Log = std::vector<std::string>;

// Waits, bounded, until the worker has stamped a tick with that value.
bool WaitForStamp(const HighResTimer& timer, std::int64_t value) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (timer.TimerThread()->LastTick() != value) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Fires a tick with the time-stamp counter at `value` and waits for its stamp.
bool TickAt(FakeTimerPlatform& platform, const HighResTimer& timer, std::int64_t value) {
    platform.timeStampCounter = value;
    return platform.Tick() && WaitForStamp(timer, value);
}

// --- The clock -----------------------------------------------------------

// A counter that changes rate with the processor's clock would make every
// calibrated wait wrong after the next frequency change: only an invariant
// counter is used, and only when the settings ask for it.
TEST(HighResTimerClock, TheTimeStampCounterOnlyWhenInvariantAndAskedFor) {
    struct Case {
        const char* name;
        bool cpuidSupported;
        std::uint32_t highestLeaf;
        std::uint32_t featureEdx;
        std::uint32_t highestExtendedLeaf;
        std::uint32_t powerManagementEdx;
        bool asked;
        bool expectPresent;
    };
    const Case cases[] = {
        {"no CPUID", false, 1, 0x10, 0x80000008, 0x100, true, false},
        {"highest leaf 0", true, 0, 0x10, 0x80000008, 0x100, true, false},
        {"highest leaf negative", true, 0x80000000u, 0x10, 0x80000008, 0x100, true, false},
        {"no counter", true, 1, ~0x10u, 0x80000008, 0x100, true, false},
        {"invariant counter", true, 1, 0x10, 0x80000008, 0x100, true, true},
        {"counter among other features", true, 0x16, 0x178BFBFF, 0x80000008, 0x100, true, true},
        {"counter not invariant", true, 1, 0x10, 0x80000008, ~0x100u, true, false},
        {"no power management leaf", true, 1, 0x10, 0x80000006, 0x100, true, false},
        {"invariant counter not asked for", true, 1, 0x10, 0x80000008, 0x100, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeTimerPlatform platform;
        platform.cpuidSupported = c.cpuidSupported;
        platform.highestLeaf = c.highestLeaf;
        platform.featureEdx = c.featureEdx;
        platform.highestExtendedLeaf = c.highestExtendedLeaf;
        platform.powerManagementEdx = c.powerManagementEdx;
        platform.frequency = 3'579'545;
        HighResTimerSettings settings;
        settings.useTimeStampCounter = c.asked;
        HighResTimer timer(platform, settings);

        EXPECT_EQ(timer.HasTimeStampCounter(), c.expectPresent);
        const bool used = c.expectPresent && c.asked;
        EXPECT_EQ(timer.UsesTimeStampCounter(), used);
        if (!used) {
            // The performance counter, calibrated by its frequency alone.
            EXPECT_DOUBLE_EQ(timer.CountSpeed(), 3.579545);
        }
    }
}

// --- Calibration ---------------------------------------------------------

TEST(HighResTimerCalibrate, MeasuresTheCounterForTheTimeAskedAndRestoresThePriority) {
    FakeTimerPlatform platform;
    platform.frequency = 3'579'545;
    platform.timeStampCountsPerMicrosecond = 2401;
    HighResTimer timer(platform);
    platform.TakeLog();

    timer.Calibrate(3000);

    EXPECT_NEAR(timer.CountSpeed(), 2401.0, 1e-6);
    const Log log = platform.TakeLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "save");
    EXPECT_NE(std::find(log.begin(), log.end(), "sleep 3000"), log.end());
    EXPECT_EQ(log.back(), "restore 7 -2") << "the caller's saved priority";
}

TEST(HighResTimerCalibrate, OnThePerformanceCounterNothingIsMeasured) {
    FakeTimerPlatform platform;
    platform.frequency = 1'193'182;
    HighResTimerSettings settings;
    settings.useTimeStampCounter = false;
    HighResTimer timer(platform, settings);
    platform.TakeLog();

    timer.Calibrate(3000);

    EXPECT_DOUBLE_EQ(timer.CountSpeed(), 1.193182);
    EXPECT_TRUE(platform.TakeLog().empty()) << "no sleep, no priority change";
}

TEST(HighResTimerCalibrate, AClockStandingStillIsAnErrorAndKeepsTheSpeed) {
    struct Case {
        const char* name;
        std::int64_t timeStampCountsPerMicrosecond;
        std::int64_t frequency;
    };
    const Case cases[] = {
        {"time-stamp counter stands still", 0, 10'000'000},
        {"monotonic clock without a frequency", 2500, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeTimerPlatform platform;
        HighResTimer timer(platform);
        const double speed = timer.CountSpeed();
        platform.timeStampCountsPerMicrosecond = c.timeStampCountsPerMicrosecond;
        platform.frequency = c.frequency;

        EXPECT_THROW(timer.Calibrate(3000), TimerError);
        EXPECT_DOUBLE_EQ(timer.CountSpeed(), speed);
    }
}

TEST(HighResTimerMicrosecondsToTicks, RoundsHalvesToEvenAndNeverOverflows) {
    FakeTimerPlatform platform;
    platform.cpuidSupported = false;
    platform.frequency = 2'500'000;  // 2.5 counts per microsecond
    HighResTimer timer(platform);
    ASSERT_DOUBLE_EQ(timer.CountSpeed(), 2.5);

    struct Case {
        std::uint32_t microseconds;
        std::int64_t ticks;
    };
    const Case cases[] = {
        {0, 0},
        {1, 2},   // 2.5 goes down to the even 2
        {7, 18},  // 17.5 goes up to the even 18
        {std::numeric_limits<std::uint32_t>::max(), 10'737'418'238},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(timer.MicrosecondsToTicks(c.microseconds), c.ticks) << c.microseconds << " us";
    }
}

// --- Delay: never early, rarely late ---------------------------------------

TEST(HighResTimerDelay, DisabledIsAnErrorWhateverTheArgument) {
    FakeTimerPlatform platform;
    HighResTimer timer(platform);
    timer.SetEnabled(true);
    timer.SetEnabled(false);
    for (std::uint32_t microseconds :
         {0u, 60u, 10'000u, std::numeric_limits<std::uint32_t>::max()}) {
        EXPECT_THROW(timer.Delay(microseconds), TimerError) << microseconds;
    }
}

// An enabled timer at 2 counts per microsecond (a 1 ms period is 2000 counts)
// whose worker stamped a tick at count 50,000,000, with the clock standing there.
class EnabledDelay : public ::testing::Test {
  protected:
    void SetUp() override {
        platform.timeStampCountsPerMicrosecond = 2;
        platform.frequency = 1'000'000;
        timer = std::make_unique<HighResTimer>(platform);
        ASSERT_DOUBLE_EQ(timer->CountSpeed(), 2.0);
        timer->SetEnabled(true);
        ASSERT_TRUE(platform.WaitForStarts(1));
        ASSERT_TRUE(TickAt(platform, *timer, 50'000'000));
    }

    FakeTimerPlatform platform;
    std::unique_ptr<HighResTimer> timer;
};

// The clock moves a fixed step at every read. A wait returns at a read at or
// past its target: never before it, at most one read after it. Waits
// shorter than a period never sleep, so that no late tick can hold them up,
// whether the last tick was just now or long ago (a worker that missed its ticks).
TEST_F(EnabledDelay, AShortWaitIsNeverEarlyAndReturnsAtItsTarget) {
    struct Case {
        std::int64_t lastTickAge;  // counts since the last stamped tick
        std::int64_t step;         // counts per clock read
        std::uint32_t microseconds;
    };
    const Case cases[] = {
        {0, 1, 0},       {0, 1, 50},       {0, 7, 50},      {0, 1, 999},
        {10'000, 1, 60}, {10'000, 3, 500}, {1'000, 1, 999},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.microseconds << " us, step " << c.step
                                          << ", last tick " << c.lastTickAge << " counts ago");
        platform.timeStampCounter = 50'000'000 + c.lastTickAge;
        platform.timeStampStep = c.step;
        const std::int64_t start = platform.timeStampCounter;
        const int sleeps = platform.TickEventWaits();

        timer->Delay(c.microseconds);

        const std::int64_t returnedAt = platform.timeStampCounter - c.step;  // the last read
        const std::int64_t asked = 2 * std::int64_t{c.microseconds};
        EXPECT_GE(returnedAt - start, asked) << "early";
        EXPECT_LE(returnedAt - start, asked + c.step) << "late";
        EXPECT_EQ(platform.TickEventWaits(), sleeps) << "a short wait slept";
    }
}

// A long wait gives the processor away: it sleeps on ticks while a whole
// period fits, and still returns at its target.
TEST_F(EnabledDelay, ALongWaitSleepsOnTicksAndIsNeverEarly) {
    platform.timeStampStep = 1000;  // half a millisecond per read
    const std::int64_t start = platform.timeStampCounter;

    timer->Delay(3000);  // 6000 counts, three periods

    EXPECT_GT(platform.TickEventWaits(), 0);
    const std::int64_t returnedAt = platform.timeStampCounter - 1000;
    EXPECT_GE(returnedAt - start, 6000);
    EXPECT_LE(returnedAt - start, 7000);
}

// The clock moves a period per tick, and a tick comes only once the Delay
// sleeps: each sleep must end at that tick. A sleeper that missed the worker's
// wake-up would return a whole timeout late, on a real machine two periods.
TEST_F(EnabledDelay, ASleepingWaitWakesAtEachTick) {
    platform.timedWaitMs = 1000;  // a missed wake-up shows as a timeout, not a race
    auto delay = std::async(std::launch::async, [this] { timer->Delay(3000); });  // 3 periods

    std::int64_t clock = 50'000'000;
    int ticks = 0;
    // Bounds only a hang; the verdict is in the counts.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (delay.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready &&
           std::chrono::steady_clock::now() < deadline) {
        if (platform.TickEventWaits() > ticks) {
            clock += 2000;
            if (!TickAt(platform, *timer, clock)) {
                break;
            }
            ++ticks;
        }
    }
    platform.timeStampCounter = 60'000'000;  // lets a Delay that is still waiting return
    delay.get();

    EXPECT_EQ(ticks, 3) << "returns at the tick that reaches its target";
    EXPECT_EQ(platform.TickEventTimeouts(), 0);
}

// --- Enable and disable --------------------------------------------------

TEST(HighResTimerWorker, EachEnableRunsAFreshWorkerOnTheSettingsPeriod) {
    FakeTimerPlatform platform;
    HighResTimerSettings settings;
    settings.periodMs = 5;
    settings.accuracyMs = 2;
    HighResTimer timer(platform, settings);

    for (std::size_t cycle = 1; cycle <= 2; ++cycle) {
        timer.SetEnabled(true);
        ASSERT_TRUE(platform.WaitForStarts(cycle));
        EXPECT_EQ(timer.TimerThread()->LastTick(), 0) << "a fresh worker has stamped nothing";
        ASSERT_TRUE(TickAt(platform, timer, 123'456'789));
        timer.SetEnabled(false);
        EXPECT_EQ(timer.TimerThread(), nullptr);
    }

    const auto starts = platform.Starts();
    ASSERT_EQ(starts.size(), 2u);
    for (const auto& start : starts) {
        EXPECT_EQ(start.periodMs, 5);
        EXPECT_EQ(start.accuracyMs, 2);
    }
    EXPECT_EQ(platform.Stops(), (std::vector<std::uint32_t>{starts[0].id, starts[1].id}))
        << "each periodic timer stopped once";
}

TEST(HighResTimerWorker, ARaisedWaitingThreadGetsItsPriorityBackOnDisable) {
    for (bool raise : {false, true}) {
        SCOPED_TRACE(raise ? "raised" : "not raised");
        FakeTimerPlatform platform;
        HighResTimerSettings settings;
        settings.raiseWaitingThread = raise;
        HighResTimer timer(platform, settings);
        platform.TakeLog();

        timer.SetEnabled(true);
        ASSERT_TRUE(platform.WaitForStarts(1));
        timer.SetEnabled(false);
        timer.SetEnabled(false);

        Log callerCalls;
        for (const std::string& call : platform.TakeLog()) {
            if (call.rfind("worker", 0) != 0) {
                callerCalls.push_back(call);
            }
        }
        EXPECT_EQ(callerCalls.size(), raise ? 3u : 0u);
        if (raise) {
            EXPECT_EQ(callerCalls.front(), "save");
            EXPECT_EQ(callerCalls.back(), "restore 7 -2") << "restored once, to what was saved";
        }
    }
}

// A timer that cannot stop would hang the program at its end.
TEST(HighResTimerWorker, DisableReturnsWhenThePeriodicTimerCannotStart) {
    FakeTimerPlatform platform;
    platform.timerStarts = false;
    HighResTimer timer(platform);
    timer.SetEnabled(true);
    ASSERT_TRUE(platform.WaitForStarts(1));
    EXPECT_EQ(platform.Starts()[0].id, 0u);

    // Without ticks a long wait still ends: each tick wait gives up in time.
    platform.timeStampStep = 2500 * 1000;
    timer.Delay(3000);
    EXPECT_GT(platform.TickEventWaits(), 0);

    timer.SetEnabled(false);
    EXPECT_EQ(timer.TimerThread(), nullptr);
}

TEST(HighResTimerWorker, DisableReturnsEvenWhenTheWakeUpIsLost) {
    FakeTimerPlatform platform;
    platform.timerStarts = false;
    platform.setsLost = true;
    HighResTimer timer(platform);
    timer.SetEnabled(true);
    ASSERT_TRUE(platform.WaitForStarts(1));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (platform.TimerEventWaits() == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_GT(platform.TimerEventWaits(), 0);

    timer.SetEnabled(false);  // the worker's bounded wait runs out

    EXPECT_EQ(timer.TimerThread(), nullptr);
}

TEST(HighResTimerWorker, DisableReturnsRightAfterEnabling) {
    FakeTimerPlatform platform;
    platform.timerStarts = false;
    HighResTimer timer(platform);
    for (int cycle = 0; cycle < 20; ++cycle) {
        timer.SetEnabled(true);
        timer.SetEnabled(false);
    }
    EXPECT_EQ(timer.TimerThread(), nullptr);
}

}  // namespace
}  // namespace tallis
