#include "portio/NativeLinuxPortSystem.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define TALLIS_HAS_PORT_INSTRUCTIONS 1
#endif

namespace tallis {

int NativeLinuxPortSystem::Open(const std::string& path, int& fd) {
    fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    return fd < 0 ? errno : 0;
}

void NativeLinuxPortSystem::Close(int fd) {
    ::close(fd);
}

int NativeLinuxPortSystem::Ioctl(int fd, unsigned long request, std::uint8_t* value) {
    int result = 0;
    do {
        result = ::ioctl(fd, request, value);
    } while (result < 0 && errno == EINTR);
    return result < 0 ? errno : 0;
}

#if TALLIS_HAS_PORT_INSTRUCTIONS

int NativeLinuxPortSystem::Ioperm(std::uint16_t from, std::uint16_t count, bool enable) {
    return ::ioperm(from, count, enable ? 1 : 0) < 0 ? errno : 0;
}

void NativeLinuxPortSystem::OutByte(std::uint16_t port, std::uint8_t value) {
    ::outb(value, port);
}

std::uint8_t NativeLinuxPortSystem::InByte(std::uint16_t port) {
    return ::inb(port);
}

#else

int NativeLinuxPortSystem::Ioperm(std::uint16_t, std::uint16_t, bool) {
    return ENOSYS;
}

void NativeLinuxPortSystem::OutByte(std::uint16_t, std::uint8_t) {}

std::uint8_t NativeLinuxPortSystem::InByte(std::uint16_t) {
    return 0xFF;
}

#endif

}  // namespace tallis
