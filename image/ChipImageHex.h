#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "device/Device.h"
#include "image/ChipImage.h"

namespace tallis {

// The memory the chip at hand has, as its regions (a 4K part ends at word
// 0x0FFF); by default the widest map of the supported chips.
struct ImageBounds {
    std::span<const MemoryRegion> regions = WidestLayout();
    std::string_view chip = {};  // "PIC16F877A", named in refusals; empty when not known yet
};

// A device's own bounds: its regions, and its name for refusals.
inline ImageBounds BoundsOf(const Device& device) {
    return {device.regions, device.name};
}

struct HexParseResult {
    std::optional<ChipImage> image;  // set when the whole text was good
    std::size_t line = 0;            // 1-based line of the first error
    std::string error;               // "line 12: bad checksum (expected 0x3C, found 0x3D)"
    explicit operator bool() const { return image.has_value(); }
};

// Strict Intel HEX parser for PIC16 images. Records: data (00), end (01),
// extended segment (02) and extended linear (04) address; start address
// records (03, 05) mean nothing to a PIC and are skipped. Lines end in CR, LF
// or CRLF; blank lines and trailing spaces or tabs are skipped. After the end
// record only lines that are not records may follow (compilers add comment
// lines there); they are skipped, and a record there is refused.
// Each location lies where its region puts it (bounds.regions): words
// little-endian at byte address 2 x word address, keeping their region's
// width (14 bits); a word given by only one of its bytes has 0xFF in the
// other. EEPROM bytes sit at byte address 0x4200, one per word (the high byte
// is ignored). Reserved words between the regions of configuration space
// (0x2005) are accepted and dropped: no chip lets a programmer write them.
// Refused, with the line number: a bad checksum, a non-hex character, a record
// cut short, an unknown record type, a word beyond the program memory or
// EEPROM of the bounds, configuration word 2 (0x2008) on a chip without one
// ("is not on the PIC16F877A; is the file for another chip?"), addresses no
// PIC16 has, no end record, a record after the end record. A UTF-8
// byte-order mark before the first record is passed over.
HexParseResult ParseChipImageHex(std::string_view text, ImageBounds bounds = {});

// Only the present locations of the layout's regions, at most 16 bytes per
// data record (records never cross a 16-byte boundary), upper-case digits, LF
// line ends, and the end record last. Everything lies below 64 KiB, so no
// extended address records.
std::string FormatChipImageHex(const ChipImage& image,
                               std::span<const MemoryRegion> layout = WidestLayout());

}  // namespace tallis
