#include "engine/LineCheck.h"

#include "wire/TargetLines.h"
#include "wire/TimingProfile.h"

namespace tallis {

namespace {

constexpr std::uint32_t kPollUs = 1;
// What one port access is taken to cost when the rise time is estimated from
// the number of looks; a real port's is about 1 us.
constexpr std::uint32_t kPortAccessUs = 1;
constexpr std::uint32_t kMaxPolls = LineCheckResult::kMaxRiseUs / (kPollUs + kPortAccessUs);
// After the bound: long enough for any line that rises at all.
constexpr std::uint32_t kStuckWaitUs = 10000;

}  // namespace

LineCheckResult CheckLines(LineTransport& lines) {
    LineCheckResult result;
    lines.Drive(target_lines::kReset);
    lines.Drive(target_lines::kDataHeldLow);
    if (lines.ReadData()) {
        result.fault = LineFault::NotHeldLow;
        return result;
    }
    lines.Drive(lines.ReadingLevels());
    for (std::uint32_t look = 1; look <= kMaxPolls; ++look) {
        if (lines.ReadData()) {
            result.riseUs = look == 1 ? 0 : look * (kPollUs + kPortAccessUs);
            result.settleUs = WithMargin(result.riseUs, kExternalTimingMargin);
            result.measured = true;
            lines.Drive(target_lines::kDataHeldLow);
            return result;
        }
        lines.Wait(kPollUs);
    }
    lines.Wait(kStuckWaitUs);
    result.fault = lines.ReadData() ? LineFault::RisesTooSlowly : LineFault::StuckLow;
    lines.Drive(target_lines::kDataHeldLow);
    return result;
}

}  // namespace tallis
