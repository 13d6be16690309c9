#include "app/RealTarget.h"

#include "app/HighResEngineTimer.h"
#include "portio/PortAccess.h"

namespace tallis {

RealTarget::RealTarget() : driverStarted_(StartPortAccess()) {}

std::unique_ptr<EngineTimer> RealTarget::MakeTimer() {
    return std::make_unique<HighResEngineTimer>();
}

bool RealTarget::ClaimPort(std::uint16_t base) {
    if (PortAvailable(base)) {
        return true;
    }
    const std::uint16_t bases[] = {kStandardPortBases[0], kStandardPortBases[1], base};
    driverStarted_ = StartPortAccess(bases);
    return PortAvailable(base);
}

void RealTarget::Exit() {
    EndPortAccess();
}

}  // namespace tallis
