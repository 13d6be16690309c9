#include "fuzz/GuardedImage.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace tallis::fuzz {

namespace {

constexpr char kSentinel = ':';

std::size_t RoundUp(std::size_t value, std::size_t step) {
    return (value + step - 1) / step * step;
}

}  // namespace

GuardedImage::GuardedImage(const FirmwareImage& source) {
    static_assert(offsetof(FirmwareImage, HexText) == 0, "the store leads the image");
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const auto stored = static_cast<std::size_t>(source.LastIndex + 1);
    // Bytes from the image's start to the first guarded byte: the stored text,
    // rounded up so that the image stays aligned.
    const std::size_t lead = RoundUp(stored, alignof(FirmwareImage));
    const std::size_t tail = sizeof(FirmwareImage) - lead;

    mappingLength_ = RoundUp(lead, page) + RoundUp(tail, page) + page;
    mapping_ =
        mmap(nullptr, mappingLength_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping_ == MAP_FAILED) {
        std::abort();
    }
    auto* guardStart = static_cast<std::uint8_t*>(mapping_) + RoundUp(lead, page);
    image_ = new (guardStart - lead) FirmwareImage(source);
    std::fill(image_->HexText.begin() + static_cast<std::ptrdiff_t>(stored), image_->HexText.end(),
              kSentinel);

    // Whole pages between the text and the image's fields.
    const auto* fields = reinterpret_cast<std::uint8_t*>(&image_->LastIndex);
    const auto guardable = static_cast<std::size_t>(fields - guardStart);
    guardLength_ = guardable / page * page;
    if (guardLength_ > 0) {
        guard_ = guardStart;
        if (mprotect(guard_, guardLength_, PROT_NONE) != 0) {
            std::abort();
        }
    }
}

GuardedImage::~GuardedImage() {
    munmap(mapping_, mappingLength_);
}

}  // namespace tallis::fuzz
