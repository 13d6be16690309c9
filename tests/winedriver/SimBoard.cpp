// The simulated interface board and PIC16F877A at LPT1 (0x378) behind the
// test driver, paced by the real clock: the program on the other side of the
// driver waits with its own real timer, as it does on the hardware.
//
// Wine runs drivers in a user process, so the C and C++ runtimes work in here
// once they are set up: the driver's entry point is DriverEntry, not the
// runtime's DLL entry, so BackendStart calls that entry itself.
//
// When the driver stops, the chip's memory is saved to C:\zlportio-sim.hex and
// every protocol violation the chip saw goes to the driver's log as a line
// "violation: ...".
#include <windows.h>

#include <memory>
#include <string>

#include "PortBackend.h"
#include "device/Device.h"
#include "sim/SimulatedDevice.h"
#include "sim/SimulatedTarget.h"

extern "C" BOOL WINAPI DllMainCRTStartup(HANDLE module, DWORD reason, LPVOID reserved);
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

std::unique_ptr<tallis::sim::SimulatedTarget> target;

}  // namespace

extern "C" int BackendStart(void) {
    if (!DllMainCRTStartup(&__ImageBase, DLL_PROCESS_ATTACH, nullptr)) {
        return 1;
    }
    // The same simulated chip as tallis-cli --sim gives, so that the two runs
    // leave the same memory, device ID included.
    tallis::sim::TargetOptions options =
        tallis::sim::TargetOptionsFor(*tallis::FindDevice("16f877a"));
    options.base = 0x378;
    options.time = tallis::sim::TimeSource::RealTime;
    target = std::make_unique<tallis::sim::SimulatedTarget>(options);
    return 0;
}

extern "C" void BackendStop(void) {
    if (tallis::sim::HexStatus saved = target->SaveHex("C:\\zlportio-sim.hex"); !saved) {
        LogLine(("chip memory not saved: " + saved.message).c_str());
    }
    // Violations only: the classic commands' entry from a running chip is a
    // hazard, which never fails a run.
    for (const tallis::sim::Violation& violation : target->Violations().All()) {
        LogLine((std::string("violation: ") + tallis::sim::ViolationKindName(violation.kind) +
                 ": " + violation.detail)
                    .c_str());
    }
    target.reset();
    DllMainCRTStartup(&__ImageBase, DLL_PROCESS_DETACH, nullptr);
}

extern "C" void BackendWrite(unsigned long port, unsigned char value) {
    target->Port().WriteByte(static_cast<std::uint16_t>(port), value);
}

extern "C" unsigned char BackendRead(unsigned long port) {
    return target->Port().ReadByte(static_cast<std::uint16_t>(port));
}
