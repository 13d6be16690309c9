#include "engine/LineCheck.h"

#include "engine/TimingProfile.h"

namespace tallis {

namespace {

constexpr std::uint32_t kPollUs = 1;
// What one port access is taken to cost when the rise time is estimated from
// the number of looks; a real port's is about 1 us.
constexpr std::uint32_t kPortAccessUs = 1;
constexpr std::uint32_t kMaxPolls = LineCheckResult::kMaxRiseUs / (kPollUs + kPortAccessUs);
// After the bound: long enough for any line that rises at all.
constexpr std::uint32_t kStuckWaitUs = 10000;

bool DataLineHigh(Programmer& wire) {
    return (wire.ReadStatus() & board::kStatusDataIn) != 0;
}

}  // namespace

LineCheckResult CheckLines(Programmer& wire) {
    LineCheckResult result;
    wire.WriteData(Programmer::kDataReset);
    wire.WriteControl(Programmer::kControlDataLow);
    if (DataLineHigh(wire)) {
        result.fault = LineFault::NotHeldLow;
        return result;
    }
    wire.WriteControl(Programmer::kControlReleased);
    for (std::uint32_t look = 1; look <= kMaxPolls; ++look) {
        if (DataLineHigh(wire)) {
            result.riseUs = look == 1 ? 0 : look * (kPollUs + kPortAccessUs);
            result.settleUs = WithMargin(result.riseUs, kExternalTimingMargin);
            wire.SetLineRiseWait(result.settleUs);
            wire.WriteControl(Programmer::kControlDataLow);
            return result;
        }
        wire.Timer().Delay(kPollUs);
    }
    wire.Timer().Delay(kStuckWaitUs);
    result.fault = DataLineHigh(wire) ? LineFault::RisesTooSlowly : LineFault::StuckLow;
    wire.WriteControl(Programmer::kControlDataLow);
    return result;
}

}  // namespace tallis
