#pragma once

#include <cstdint>
#include <string>

namespace tallis {

// The Linux calls that port access makes. Every call returns 0 or an errno
// value. LinuxPortAccess is tested against a fake; NativeLinuxPortSystem makes
// the real calls.
class LinuxPortSystem {
  public:
    virtual ~LinuxPortSystem() = default;

    virtual int Open(const std::string& path, int& fd) = 0;
    virtual void Close(int fd) = 0;
    // A ppdev request; value is the register byte for the data and control
    // requests and null for PPEXCL, PPCLAIM and PPRELEASE.
    virtual int Ioctl(int fd, unsigned long request, std::uint8_t* value) = 0;

    // Direct port access: permission for a range of ports, then the
    // processor's port instructions.
    virtual int Ioperm(std::uint16_t from, std::uint16_t count, bool enable) = 0;
    virtual void OutByte(std::uint16_t port, std::uint8_t value) = 0;
    virtual std::uint8_t InByte(std::uint16_t port) = 0;
};

}  // namespace tallis
