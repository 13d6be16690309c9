#pragma once

#include "app/Target.h"
#include "portio/DriverPortIo.h"

namespace tallis {

// The parallel port itself. Making it runs the port client's start-up for both
// standard ports; Exit runs the client's exit step.
class RealTarget : public Target {
  public:
    RealTarget();

    PortIo& Port() override { return port_; }
    bool DriverStarted() const override { return driverStarted_; }
    std::unique_ptr<EngineTimer> MakeTimer() override;
    void Exit() override;
    // Starts port access again for the standard ports and this one.
    bool ClaimPort(std::uint16_t base) override;

  private:
    DriverPortIo port_;
    bool driverStarted_;
};

}  // namespace tallis
