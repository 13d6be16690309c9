#pragma once

#include <cstddef>

#include "image/FirmwareImage.h"

namespace tallis::fuzz {

// A copy of a FirmwareImage placed so that the store right after LastIndex
// lies on a page that cannot be read: a reader that takes a character past
// LastIndex faults at once instead of reading stale text. The store is
// 4-aligned, so up to three positions after LastIndex may stay readable; they
// and the rest of the unused store hold ':' record starts, which change the
// run's outcome if anything takes them.
//
// The image's own fields follow the store, so the page can be guarded only
// while they lie beyond it: for texts up to about 45,900 characters. Longer
// texts keep the ':' filling alone (Guarded() is false).
class GuardedImage {
  public:
    explicit GuardedImage(const FirmwareImage& source);
    ~GuardedImage();
    GuardedImage(const GuardedImage&) = delete;
    GuardedImage& operator=(const GuardedImage&) = delete;

    const FirmwareImage& Image() const { return *image_; }
    bool Guarded() const { return guardLength_ > 0; }

  private:
    void* mapping_ = nullptr;
    std::size_t mappingLength_ = 0;
    void* guard_ = nullptr;
    std::size_t guardLength_ = 0;
    FirmwareImage* image_ = nullptr;
};

}  // namespace tallis::fuzz
