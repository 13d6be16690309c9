#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tallis::testing {

// One Intel HEX record with its line end; a wrong checksum on request.
std::string HexRecord(std::uint16_t byteAddress, std::uint8_t type,
                      const std::vector<std::uint8_t>& data, bool breakChecksum = false);
std::string HexEndRecord();

// Program words from word address 0, eight to a record, then the
// configuration word at 0x2007 and, unless left out, the end record.
std::string ProgramHex(const std::vector<std::uint16_t>& words, std::uint16_t configWord,
                       bool withEndRecord = true);

}  // namespace tallis::testing
