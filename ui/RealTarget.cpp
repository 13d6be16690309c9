#include "ui/RealTarget.h"

#include "portio/zlportio.h"
#include "ui/HighResEngineTimer.h"

namespace tallis {

RealTarget::RealTarget() : driverStarted_(ZlportioStartup()) {}

std::unique_ptr<EngineTimer> RealTarget::MakeTimer() {
    return std::make_unique<HighResEngineTimer>();
}

void RealTarget::Exit() {
    ZlportioExit();
}

}  // namespace tallis
