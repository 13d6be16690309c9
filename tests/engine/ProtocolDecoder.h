#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "portio/AccessTrace.h"

namespace tallis::test {

// Reads a recorded port conversation the way the target sees it and turns it
// into tokens that are easy to compare:
//   "cmd6"          a command without a data frame
//   "cmd2 3FFF"     a command with its data frame (frame >> 1, so a stop bit of 1
//                   would show as bit 14)
//   "cmd4 read"     a read command with the 16 clocks that receive the word
//   "C01", "D0A"    control or data register writes outside clock cycles
//   "W2000"         waits other than the 60 us bit wait
// The bit waits inside clock cycles are left out; sum the trace for durations.
std::vector<std::string> DecodeProtocol(const std::vector<TraceEntry>& entries,
                                        std::uint16_t portBase = 0x378);

// Sum of every wait in the trace, in microseconds.
std::uint64_t SumOfWaits(const std::vector<TraceEntry>& entries);

// The values written to one register, in order.
std::vector<std::uint8_t> WritesTo(const std::vector<TraceEntry>& entries, std::uint16_t port);

// Token sequences of the two mode changes, for building expectations.
std::vector<std::string> EnterProgramModeTokens();
std::vector<std::string> LeaveProgramModeTokens();

}  // namespace tallis::test
