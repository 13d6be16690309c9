#pragma once

#include "portio/LinuxPortSystem.h"

namespace tallis {

// The real Linux calls behind LinuxPortSystem. Direct port access exists only
// on x86; elsewhere Ioperm reports ENOSYS and the port instructions are never
// reached.
class NativeLinuxPortSystem : public LinuxPortSystem {
  public:
    int Open(const std::string& path, int& fd) override;
    void Close(int fd) override;
    int Ioctl(int fd, unsigned long request, std::uint8_t* value) override;
    int Ioperm(std::uint16_t from, std::uint16_t count, bool enable) override;
    void OutByte(std::uint16_t port, std::uint8_t value) override;
    std::uint8_t InByte(std::uint16_t port) override;
};

}  // namespace tallis
