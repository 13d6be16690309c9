#pragma once

#include <cstdint>
#include <string>

#include "portio/Win32Api.h"

// InpOut's functions use the system's calling convention, which differs from
// the compiler's own only in a 32-bit Windows process.
#if defined(_WIN32) && defined(__i386__)
#define TALLIS_WINAPI __attribute__((stdcall))
#else
#define TALLIS_WINAPI
#endif

namespace tallis {

// The functions of the InpOut library, by the names it exports them under.
// The DlPort pair is the current one; Out32 and Inp32 are all that older
// versions have.
namespace inpout {
using IsDriverOpen = int(TALLIS_WINAPI*)();
using WritePortUchar = void(TALLIS_WINAPI*)(unsigned short port, unsigned char value);
using ReadPortUchar = unsigned char(TALLIS_WINAPI*)(unsigned short port);
using Out32 = void(TALLIS_WINAPI*)(short port, short value);
using Inp32 = short(TALLIS_WINAPI*)(short port);
}  // namespace inpout

// The Windows port client through InpOut: a library loaded at run time
// (inpoutx64.dll in a 64-bit process, inpout32.dll in a 32-bit one) that
// carries its own signed kernel driver and installs it the first time an
// administrator runs a program that loads it.
class InpOutClient {
  public:
    explicit InpOutClient(Win32Api& api);
    ~InpOutClient();
    InpOutClient(const InpOutClient&) = delete;
    InpOutClient& operator=(const InpOutClient&) = delete;

    // Loads the library from the program's folder or the DLL search path,
    // takes its port functions and asks whether its driver is open.
    void Startup();
    // Lets the library go; it closes its driver.
    void Exit();

    // Whether the last start-up found the library at all.
    bool LibraryFound() const { return libraryFound_; }
    bool Started() const { return started_; }
    // What the last start-up could not do, empty after a successful one.
    const std::string& StartupFailure() const { return startupFailure_; }

    // Without a started library these do nothing; a read then returns 0xFF.
    void WriteByte(std::uint16_t port, std::uint8_t value);
    std::uint8_t ReadByte(std::uint16_t port);

  private:
    // The reason the loaded library cannot be used, empty when it can.
    std::string Unusable();
    // Takes the DlPort pair, else the Out32 pair; false when neither is there.
    bool TakePortFunctions();
    bool DriverOpen();

    Win32Api& api_;
    Win32Api::Handle library_ = Win32Api::kNullHandle;
    bool libraryFound_ = false;
    bool started_ = false;
    std::string startupFailure_;
    inpout::WritePortUchar writeUchar_ = nullptr;
    inpout::ReadPortUchar readUchar_ = nullptr;
    inpout::Out32 out32_ = nullptr;
    inpout::Inp32 inp32_ = nullptr;
};

}  // namespace tallis
