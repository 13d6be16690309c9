#pragma once

#include <cstddef>
#include <cstdint>

namespace tallis {

// Data size codes of the port operations.
inline constexpr std::int32_t kPortSizeByte = 0;
inline constexpr std::int32_t kPortSizeWord = 1;
inline constexpr std::int32_t kPortSizeDword = 2;

// The input record of both driver requests: 12 bytes, little-endian, no gaps.
// The driver reads it as it lies in memory, so its layout is fixed here.
struct PortRequest {
    std::uint32_t port = 0;
    std::uint32_t sizeCode = 0;
    std::uint32_t value = 0;
};

static_assert(sizeof(PortRequest) == 12);
static_assert(offsetof(PortRequest, port) == 0);
static_assert(offsetof(PortRequest, sizeCode) == 4);
static_assert(offsetof(PortRequest, value) == 8);

}  // namespace tallis
