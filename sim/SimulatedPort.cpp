#include "sim/SimulatedPort.h"

#include <cstdio>

namespace tallis::sim {

namespace {

std::string AccessText(const char* what, std::uint16_t port, std::uint16_t base) {
    char text[96];
    std::snprintf(text, sizeof text, "%s port 0x%04X (registers at 0x%04X-0x%04X)", what, port,
                  base, base + 2);
    return text;
}

}  // namespace

void SimulatedPort::WriteByte(std::uint16_t port, std::uint8_t value) {
    clock_.ChargePortAccess();
    ++writes_;
    if (port == base_) {
        if (value != data_) {
            data_ = value;
            board_.SetRegisters(data_, control_);
        }
    } else if (port == base_ + 2) {
        if (value != control_) {
            control_ = value;
            board_.SetRegisters(data_, control_);
        }
    } else {
        const char* what = port == base_ + 1 ? "write to the read-only status" : "write to";
        log_.Record(ViolationKind::PortAddress, clock_.NowNs(), AccessText(what, port, base_));
    }
}

std::uint8_t SimulatedPort::ReadByte(std::uint16_t port) {
    clock_.ChargePortAccess();
    ++reads_;
    if (port == base_ + 1) {
        return board_.Status();
    }
    if (port == base_) {
        return data_;
    }
    if (port == base_ + 2) {
        return control_;
    }
    log_.Record(ViolationKind::PortAddress, clock_.NowNs(), AccessText("read from", port, base_));
    return 0xFF;
}

}  // namespace tallis::sim
