#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "board/BoardFile.h"
#include "sim/InterfaceBoard.h"
#include "sim/PicChip.h"

namespace tallis::testing {

// What is wrong with the fake port or the board behind it.
enum class PortFault {
    None,
    // Another program holds the port: PPCLAIM fails, with ENXIO after PPEXCL
    // (as the kernel refuses an exclusive claim) and EBUSY without it.
    Busy,
};

// How the preloaded fake parallel port is set up. It reads these environment
// variables when it is first used:
//   TALLIS_FAKE_PARPORT_CHIP    16f877 | 16f877a (default 16f877a)
//   TALLIS_FAKE_PARPORT_BASE    base address the kernel reports for parport0
//                               (default 0x378)
//   TALLIS_FAKE_PARPORT_STATE   Intel HEX file: the chip's memory, loaded when
//                               the file exists and saved there at exit
//   TALLIS_FAKE_PARPORT_BOARD   ideal | slow: how fast the board's RB7 and
//                               VPP lines move (default ideal); and/or,
//                               after a comma, how it is wired: a built-in
//                               board's name or a board file (default: the
//                               default board)
//   TALLIS_FAKE_PARPORT_FAULT   busy | no-target | data-stuck-low |
//                               unprogrammable:ADDR (a program word that
//                               never takes a new value)
//   TALLIS_FAKE_PARPORT_REPORT  file that receives, at exit, what the
//                               simulated chip found and the lines' last state
//   TALLIS_FAKE_PARPORT_INTERRUPT_AFTER  a number of register writes after
//                               which the program gets SIGINT, as from Ctrl+C
struct FakeParportOptions {
    sim::TargetType chip = sim::TargetType::Pic16F877A;
    std::uint16_t base = 0x378;
    std::string statePath;
    sim::BoardTiming board;
    const board::BoardWiring* wiring = &board::kDefaultBoard;
    std::shared_ptr<const board::OwnedBoard> wiringFile;
    PortFault portFault = PortFault::None;
    sim::BoardFault boardFault = sim::BoardFault::None;
    std::optional<std::uint16_t> unprogrammableWord;
    std::string reportPath;
    std::optional<std::uint64_t> interruptAfterWrites;
};

struct FakeParportSetup {
    FakeParportOptions options;
    std::string error;  // empty, or which variable holds what it cannot use
};

// lookup gives a variable's value or null (getenv; tests pass their own).
FakeParportSetup ReadFakeParportOptions(const std::function<const char*(const char*)>& lookup);

}  // namespace tallis::testing
