#include "app/HostProgress.h"

namespace tallis {

void HostProgress::Report(std::uint32_t done, std::uint32_t total, std::uint16_t address) {
    lastAddress_ = address;
    const int percent = total == 0 ? 100 : static_cast<int>(std::uint64_t{done} * 100 / total);
    if (percent != lastPercent_) {
        lastPercent_ = percent;
        host_.SetGauge(percent);
    }
}

}  // namespace tallis
