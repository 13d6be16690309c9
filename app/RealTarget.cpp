#include "app/RealTarget.h"

#include <chrono>

#include "app/HighResEngineTimer.h"

namespace tallis {

RealTarget::RealTarget(std::span<const std::uint16_t> bases, PortDriver driver)
    : driver_(driver), driverStarted_(StartPortAccess(bases, driver)) {}

RealTarget::~RealTarget() {
    Exit();
}

std::unique_ptr<EngineTimer> RealTarget::MakeTimer() {
    return std::make_unique<HighResEngineTimer>();
}

bool RealTarget::ClaimPort(std::uint16_t base) {
    if (PortAvailable(base)) {
        return true;
    }
    const std::uint16_t bases[] = {kStandardPortBases[0], kStandardPortBases[1], base};
    driverStarted_ = StartPortAccess(bases, driver_);
    return PortAvailable(base);
}

std::string RealTarget::AccessPath(std::uint16_t base) const {
    return PortAccessKind(base);
}

std::uint64_t RealTarget::NowUs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

std::string RealTarget::Exit() {
    if (!exited_) {
        exited_ = true;
        EndPortAccess();
    }
    return {};
}

}  // namespace tallis
