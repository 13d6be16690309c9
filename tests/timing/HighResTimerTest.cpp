#include "timing/HighResTimer.h"

#include <gtest/gtest.h>

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
bool WaitForStamp(const THighResTimer& timer, std::int64_t value) {
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
bool TickAt(FakeTimerPlatform& platform, const THighResTimer& timer, std::int64_t value) {
    platform.timeStampCounter = value;
    return platform.Tick() && WaitForStamp(timer, value);
}

// --- Construction and time-stamp counter detection -------------------------

struct DetectionCase {
    const char* name;
    bool cpuidSupported;
    std::uint32_t highestLeaf;
    std::uint32_t featureEdx;
    std::uint32_t highestExtendedLeaf;
    std::uint32_t powerManagementEdx;
    bool expectTsc;
};

TEST(HighResTimerConstruction, DetectsTimeStampCounter) {
    const DetectionCase cases[] = {
        {"no CPUID", false, 1, 0x10, 0x80000008, 0x100, false},
        {"highest leaf 0", true, 0, 0x10, 0x80000008, 0x100, false},
        {"highest leaf negative", true, 0x80000000u, 0x10, 0x80000008, 0x100, false},
        {"EDX bit 4 clear", true, 1, ~0x10u, 0x80000008, 0x100, false},
        {"EDX bit 4 set, invariant", true, 1, 0x10, 0x80000008, 0x100, true},
        {"EDX bit 4 among others", true, 0x16, 0x178BFBFF, 0x80000008, 0x100, true},
        {"counter not invariant", true, 1, 0x10, 0x80000008, ~0x100u, false},
        {"no power management leaf", true, 1, 0x10, 0x80000006, 0x100, false},
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
        THighResTimer timer(platform);
        EXPECT_EQ(timer.TSC(), c.expectTsc);
        EXPECT_EQ(timer.UseTSC(), c.expectTsc);
        if (!c.expectTsc) {
            // The performance counter is the clock, calibrated by its frequency.
            EXPECT_DOUBLE_EQ(timer.CountSpeed(), 3.579545);
            timer.SetEnabled(true);
            int timeStampReads = platform.timeStampReads;
            int performanceReads = platform.performanceReads;
            timer.Delay(0);
            EXPECT_EQ(platform.timeStampReads, timeStampReads);
            EXPECT_EQ(platform.performanceReads, performanceReads + 2);
        }
    }
}

TEST(HighResTimerConstruction, TakesPlatformLimits) {
    struct Case {
        bool ntFamily;
        std::int32_t minimumPeriodMs;
        std::int32_t expectMinAccuracy;
    };
    for (const Case& c : {Case{true, 1, 1}, Case{false, 10, 5}}) {
        FakeTimerPlatform platform;
        platform.ntFamily = c.ntFamily;
        platform.minimumPeriodMs = c.minimumPeriodMs;
        THighResTimer timer(platform);
        EXPECT_EQ(timer.MinAccuracy(), c.expectMinAccuracy);
        EXPECT_EQ(timer.Resolution(), c.expectMinAccuracy);
        EXPECT_EQ(timer.MinResolution(), c.minimumPeriodMs);
        EXPECT_EQ(timer.Accuracy(), 0);
        EXPECT_FALSE(timer.Enabled());
        EXPECT_EQ(timer.ThreadClass(), tcNormal);
        EXPECT_EQ(timer.ThreadPriority(), tpNormal);
        EXPECT_EQ(timer.PeriodTicks(), std::int64_t{2500} * 1000 * c.expectMinAccuracy);
    }
}

// --- Calibration ---------------------------------------------------------

TEST(HighResTimerCalibrate, MeasuresTimeStampCountsPerMicrosecondAfterSettling) {
    FakeTimerPlatform platform;
    platform.frequency = 3'579'545;
    platform.timeStampCountsPerMicrosecond = 2401;
    THighResTimer timer(platform);
    platform.TakeLog();

    timer.Calibrate(3000);

    EXPECT_NEAR(timer.CountSpeed(), 2401.0, 1e-6);
    EXPECT_EQ(platform.TakeLog(),
              (Log{"save", "raise 256 31", "sleep 10", "sleep 3000", "restore 7 -2"}));
}

TEST(HighResTimerCalibrate, WithoutTimeStampCounterOnlyReadsTheFrequency) {
    FakeTimerPlatform platform;
    platform.frequency = 1'193'182;
    THighResTimer timer(platform);
    timer.SetUseTSC(false);
    platform.TakeLog();
    std::int64_t performanceCounter = platform.performanceCounter;

    timer.Calibrate(3000);

    EXPECT_DOUBLE_EQ(timer.CountSpeed(), 1.193182);
    EXPECT_TRUE(platform.TakeLog().empty());
    EXPECT_EQ(platform.performanceCounter, performanceCounter);
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
        THighResTimer timer(platform);
        const double speed = timer.CountSpeed();
        platform.timeStampCountsPerMicrosecond = c.timeStampCountsPerMicrosecond;
        platform.frequency = c.frequency;

        EXPECT_THROW(timer.Calibrate(3000), TimerError);
        EXPECT_DOUBLE_EQ(timer.CountSpeed(), speed);
    }
}

// --- MicrosecondsToTicks -------------------------------------------------

TEST(HighResTimerMicrosecondsToTicks, RoundsHalvesToEven) {
    FakeTimerPlatform platform;
    platform.cpuidSupported = false;
    platform.frequency = 2'500'000;  // 2.5 counts per microsecond
    THighResTimer timer(platform);
    ASSERT_DOUBLE_EQ(timer.CountSpeed(), 2.5);

    struct Case {
        std::uint32_t microseconds;
        std::int64_t ticks;
    };
    const Case cases[] = {
        {0, 0},
        {1, 2},
        {2, 5},
        {3, 8},
        {5, 12},
        {7, 18},  // 17.5 goes up to the even 18
        // Widened without sign: the largest argument stays positive.
        {std::numeric_limits<std::uint32_t>::max(), 10'737'418'238},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(timer.MicrosecondsToTicks(c.microseconds), c.ticks) << c.microseconds << " us";
    }
}

// --- UseTSC --------------------------------------------------------------

TEST(HighResTimerUseTsc, SetterCases) {
    struct Case {
        const char* name;
        bool tsc;
        bool enabled;
        bool value;
        bool expectUseTsc;
        int expectCalibrations;
        bool expectMeasurement;
    };
    const Case cases[] = {
        {"same value", true, false, true, true, 0, false},
        {"no counter on the processor", false, false, true, false, 1, false},
        {"disabled, switched off", true, false, false, false, 1, false},
        {"enabled, refused", true, true, false, true, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeTimerPlatform platform;
        platform.cpuidSupported = c.tsc;
        THighResTimer timer(platform);
        timer.SetEnabled(c.enabled);
        int frequencyReads = platform.frequencyReads;
        platform.TakeLog();

        timer.SetUseTSC(c.value);

        EXPECT_EQ(timer.UseTSC(), c.expectUseTsc);
        EXPECT_EQ(platform.frequencyReads - frequencyReads, c.expectCalibrations);
        Log log = platform.TakeLog();
        EXPECT_EQ(!log.empty(), c.expectMeasurement);
    }
}

TEST(HighResTimerUseTsc, SwitchingBackOnWhileDisabledSelectsTheCounterAndMeasures) {
    FakeTimerPlatform platform;
    platform.timeStampCountsPerMicrosecond = 3000;
    THighResTimer timer(platform);
    timer.SetUseTSC(false);
    ASSERT_DOUBLE_EQ(timer.CountSpeed(), 10.0);
    platform.TakeLog();

    timer.SetUseTSC(true);

    EXPECT_TRUE(timer.UseTSC());
    EXPECT_NEAR(timer.CountSpeed(), 3000.0, 1e-9);
    EXPECT_EQ(platform.TakeLog(),
              (Log{"save", "raise 256 31", "sleep 10", "sleep 100", "restore 7 -2"}));
    timer.SetEnabled(true);
    int timeStampReads = platform.timeStampReads;
    timer.Delay(0);
    EXPECT_EQ(platform.timeStampReads, timeStampReads + 2);
}

// --- Delay ---------------------------------------------------------------

TEST(HighResTimerDelay, DisabledIsAnErrorWhateverTheArgument) {
    FakeTimerPlatform platform;
    THighResTimer timer(platform);
    timer.SetEnabled(true);
    timer.SetEnabled(false);
    for (std::uint32_t microseconds :
         {0u, 60u, 10'000u, std::numeric_limits<std::uint32_t>::max()}) {
        EXPECT_THROW(timer.Delay(microseconds), TimerError) << microseconds;
    }
}

TEST(HighResTimerDelay, ZeroReturnsAtItsFirstClockTest) {
    FakeTimerPlatform platform;
    THighResTimer timer(platform);
    timer.SetEnabled(true);
    ASSERT_TRUE(platform.WaitForStarts(1));
    int reads = platform.timeStampReads;

    timer.Delay(0);

    EXPECT_EQ(platform.timeStampReads, reads + 2);
    EXPECT_EQ(platform.TickEventWaits(), 0);
}

// An enabled timer at 2 counts per microsecond whose worker stamped a tick at
// count 50,000,000, with the clock standing there.
class EnabledDelay : public ::testing::Test {
  protected:
    void SetUp() override {
        platform.timeStampCountsPerMicrosecond = 2;
        platform.frequency = 1'000'000;
        timer = std::make_unique<THighResTimer>(platform);
        ASSERT_DOUBLE_EQ(timer->CountSpeed(), 2.0);
        timer->SetEnabled(true);
        ASSERT_TRUE(platform.WaitForStarts(1));
        ASSERT_TRUE(TickAt(platform, *timer, 50'000'000));
    }

    FakeTimerPlatform platform;
    std::unique_ptr<THighResTimer> timer;
};

TEST_F(EnabledDelay, SpinsToTheFirstClockReadAtItsTarget) {
    // A tick just now: less than a period is left before any short target.
    platform.timeStampStep = 1;
    int reads = platform.timeStampReads;

    timer->Delay(50);  // 100 counts: the start read, then 100 tests

    EXPECT_EQ(platform.timeStampReads - reads, 101);
    EXPECT_EQ(platform.TickEventWaits(), 0);
}

TEST_F(EnabledDelay, ShortWaitSpinsWhenTheTickIsLate) {
    // The last stamp is 5 ms old: the worker has missed its ticks, so the last
    // stamp alone would say a whole period fits before any target.
    platform.timeStampCounter = 50'010'000;
    platform.timeStampStep = 1;
    int reads = platform.timeStampReads;

    timer->Delay(60);  // 120 counts, far less than a period

    EXPECT_EQ(platform.timeStampReads - reads, 121);
    EXPECT_EQ(platform.TickEventWaits(), 0);
}

TEST_F(EnabledDelay, SleepsOnTicksWhileAWholePeriodFits) {
    platform.timeStampStep = 1000;  // half a millisecond per read

    timer->Delay(3000);  // 6000 counts, three periods

    EXPECT_GT(platform.TickEventWaits(), 0);
}

// The clock moves a period per tick, and a tick comes only once the Delay
// sleeps: each sleep must end at that tick. A sleeper that missed the worker's
// wake-up would return a whole timeout late, on a real machine two periods.
TEST_F(EnabledDelay, SleepingDelayWakesAtEachTick) {
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

// --- Enable, settings and the worker -------------------------------------

TEST(HighResTimerWorker, EachEnableStartsAFreshThreadWithCurrentSettings) {
    FakeTimerPlatform platform;
    THighResTimer timer(platform);
    platform.performanceCounter = 777;
    platform.TakeLog();
    timer.SetThreadPriority(tpTimeCritical);
    EXPECT_TRUE(platform.TakeLog().empty()) << "no thread to pass the priority to";

    timer.SetEnabled(true);
    ASSERT_NE(timer.TimerThread(), nullptr);
    ASSERT_TRUE(platform.WaitForStarts(1));
    EXPECT_EQ(platform.TakeLog(), Log{"worker priority 15"});
    ASSERT_TRUE(TickAt(platform, timer, 123'456'789));

    timer.SetEnabled(false);
    EXPECT_EQ(timer.TimerThread(), nullptr);
    ASSERT_EQ(platform.Stops().size(), 1u);
    EXPECT_EQ(platform.Stops()[0], platform.Starts()[0].id);

    timer.SetResolution(5);
    timer.SetAccuracy(2);
    timer.SetUseTSC(false);
    timer.SetEnabled(true);
    ASSERT_TRUE(platform.WaitForStarts(2));
    auto starts = platform.Starts();
    EXPECT_EQ(starts[0].periodMs, 1);
    EXPECT_EQ(starts[0].accuracyMs, 0);
    EXPECT_EQ(starts[1].periodMs, 5);
    EXPECT_EQ(starts[1].accuracyMs, 2);
    // A fresh thread: nothing stamped yet, and it stamps the performance counter.
    EXPECT_EQ(timer.TimerThread()->LastTick(), 0);
    ASSERT_TRUE(platform.Tick());
    EXPECT_TRUE(WaitForStamp(timer, 777));
}

TEST(HighResTimerWorker, RaisedWaitingThreadIsRestoredOnDisable) {
    FakeTimerPlatform platform;
    THighResTimer timer(platform);
    timer.SetRaiseWaitingThread(true);
    platform.TakeLog();

    timer.SetEnabled(true);
    ASSERT_TRUE(platform.WaitForStarts(1));
    timer.SetEnabled(false);
    timer.SetEnabled(false);

    EXPECT_EQ(platform.TakeLog(),
              (Log{"save", "raise 128 15", "worker priority 0", "restore 7 -2"}));
}

TEST(HighResTimerWorker, PrioritySettersReachOnlyARunningThread) {
    FakeTimerPlatform platform;
    THighResTimer timer(platform);
    platform.TakeLog();
    timer.SetThreadClass(tcHigh);
    EXPECT_TRUE(platform.TakeLog().empty());
    EXPECT_EQ(timer.ThreadClass(), tcHigh);

    timer.SetEnabled(true);
    platform.TakeLog();
    timer.SetThreadClass(tcRealTime);
    timer.SetThreadClass(tcIdle);
    timer.SetThreadPriority(tpIdle);
    timer.SetThreadPriority(tpHigher);
    EXPECT_EQ(platform.TakeLog(), (Log{"worker class 256", "worker class 64", "worker priority -15",
                                       "worker priority 1"}));
}

TEST(HighResTimerWorker, ResolutionChangeRestartsTheTimerOnceAtTheNextTick) {
    FakeTimerPlatform platform;
    THighResTimer timer(platform);
    timer.SetEnabled(true);
    ASSERT_TRUE(platform.WaitForStarts(1));

    timer.SetResolution(7);
    EXPECT_EQ(timer.PeriodTicks(), std::int64_t{2500} * 7000);

    ASSERT_TRUE(TickAt(platform, timer, 2'000'000'000));
    ASSERT_TRUE(platform.WaitForStarts(2));
    // Each stamped tick below proves one more pass over the settings check.
    ASSERT_TRUE(TickAt(platform, timer, 2'000'000'001));
    ASSERT_TRUE(TickAt(platform, timer, 2'000'000'002));

    auto starts = platform.Starts();
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[1].periodMs, 7);
    EXPECT_EQ(platform.Stops(), std::vector<std::uint32_t>{starts[0].id});
}

TEST(HighResTimerWorker, DisableReturnsWhenThePeriodicTimerCannotStart) {
    FakeTimerPlatform platform;
    platform.timerStarts = false;
    THighResTimer timer(platform);
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
    THighResTimer timer(platform);
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
    THighResTimer timer(platform);
    for (int cycle = 0; cycle < 20; ++cycle) {
        timer.SetEnabled(true);
        timer.SetEnabled(false);
    }
    EXPECT_EQ(timer.TimerThread(), nullptr);
}

}  // namespace
}  // namespace tallis
