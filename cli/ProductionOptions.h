#pragma once

#include <optional>
#include <string>

namespace tallis {

// What the command line asks for beyond one chip operation.
struct ProductionOptions {
    bool identifyChecksum = false;  // identify --checksum: read the chip to sum it
};

}  // namespace tallis
