// A stand-in for InpOut's DLL (built as inpoutx64.dll) with the simulated
// interface board and PIC16F877A at LPT1 (0x378) behind it, paced by the real
// clock: the program that loads it waits with its own real timer, as it does
// on the hardware. It exports the current functions and the older pair.
//
// With TALLIS_FAKE_INPOUT_CLOSED set, IsInpOutDriverOpen answers FALSE, as
// the real DLL does when it could not install or open its driver.
//
// When the DLL is let go, the chip's memory is saved to C:\inpout-sim.hex and
// one line per run goes to C:\inpout-sim.log: "unload", then every protocol
// violation the chip saw as "violation: ...".
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "device/Device.h"
#include "sim/SimulatedDevice.h"
#include "sim/SimulatedTarget.h"

namespace {

std::unique_ptr<tallis::sim::SimulatedTarget> target;

void Log(const std::string& line) {
    if (std::FILE* log = std::fopen("C:\\inpout-sim.log", "a")) {
        std::fprintf(log, "%s\n", line.c_str());
        std::fclose(log);
    }
}

void Start() {
    // The same simulated chip as tallis-cli --sim gives.
    tallis::sim::TargetOptions options =
        tallis::sim::TargetOptionsFor(*tallis::FindDevice("16f877a"));
    options.base = 0x378;
    options.time = tallis::sim::TimeSource::RealTime;
    target = std::make_unique<tallis::sim::SimulatedTarget>(options);
}

void Stop() {
    if (tallis::sim::HexStatus saved = target->SaveHex("C:\\inpout-sim.hex"); !saved) {
        Log("chip memory not saved: " + saved.message);
    }
    Log("unload");
    // Violations only: the classic commands' entry from a running chip is a
    // hazard, which never fails a run.
    for (const tallis::sim::Violation& violation : target->Violations().All()) {
        Log(std::string("violation: ") + tallis::sim::ViolationKindName(violation.kind) + ": " +
            violation.detail);
    }
    target.reset();
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        Start();
    } else if (reason == DLL_PROCESS_DETACH && target) {
        Stop();
    }
    return TRUE;
}

BOOL WINAPI IsInpOutDriverOpen() {
    return std::getenv("TALLIS_FAKE_INPOUT_CLOSED") == nullptr;
}

void WINAPI DlPortWritePortUchar(USHORT port, UCHAR value) {
    target->Port().WriteByte(port, value);
}

UCHAR WINAPI DlPortReadPortUchar(USHORT port) {
    return target->Port().ReadByte(port);
}

void WINAPI Out32(short port, short value) {
    DlPortWritePortUchar(static_cast<USHORT>(port), static_cast<UCHAR>(value));
}

short WINAPI Inp32(short port) {
    return DlPortReadPortUchar(static_cast<USHORT>(port));
}

}  // extern "C"
