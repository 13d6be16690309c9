#pragma once

#include <span>

#include "app/Target.h"
#include "portio/DriverPortIo.h"
#include "portio/PortAccess.h"

namespace tallis {

// The parallel port itself, paced by the high-resolution timer. Making it runs
// the port client's start-up for the given bases with the given Windows
// driver; Exit runs its exit step.
class RealTarget : public Target {
  public:
    explicit RealTarget(std::span<const std::uint16_t> bases = kStandardPortBases,
                        PortDriver driver = PortDriver::Auto);
    ~RealTarget() override;
    RealTarget(const RealTarget&) = delete;
    RealTarget& operator=(const RealTarget&) = delete;

    PortIo& Port() override { return port_; }
    bool DriverStarted() const override { return driverStarted_; }
    // Starts port access again for the standard ports and this one.
    bool ClaimPort(std::uint16_t base) override;
    std::unique_ptr<EngineTimer> MakeTimer() override;
    std::string AccessPath(std::uint16_t base) const override;
    std::uint64_t NowUs() override;
    std::string Exit() override;
    std::unique_ptr<FtdiTarget> OpenFtdi(std::string_view selector, const board::FtdiWiring& wiring,
                                         std::string& problem) override {
        return OpenFtdiTarget(selector, wiring, problem);
    }
    std::vector<ftdi::FtdiListing> FtdiDevices(std::string& problem) override {
        return ftdi::ListFtdiDevices(problem);
    }

  private:
    DriverPortIo port_;
    PortDriver driver_;
    bool driverStarted_;
    bool exited_ = false;
};

}  // namespace tallis
