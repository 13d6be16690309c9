#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>

namespace tallis {

// The serial numbers' counter, kept in a small text file so that it survives
// the program:
//
//   next 1010
//   free 1000
//   attempted 1005
//
// "next" is the number after the highest one handed out; "free" a number
// whose chip failed (that chip is scrap), handed out again first;
// "attempted" a number in a chip that has not verified yet. A run that finds
// "attempted" there was ended between a write and its verify (a crash, a
// pulled plug): that chip may have left with the number, so it is never used
// again. Several boards may hold numbers at once. Each change is written
// whole (a temporary file renamed into place); one run at a time may use the
// file (the caller locks it), and one thread at a time the object.
class SerialCounter {
  public:
    // The counter in the file, or one that starts at start when there is no
    // file yet. step is the distance between numbers. Nothing, with the
    // problem, when the file cannot be read or is not a counter.
    static std::optional<SerialCounter> Open(const std::filesystem::path& path, std::uint64_t start,
                                             std::uint64_t step, std::string& problem);

    // The number the next Attempt hands out.
    std::uint64_t Next() const { return free_.empty() ? next_ : *free_.begin(); }
    // The numbers a run ended on before they verified, found by Open and
    // never used again.
    const std::set<std::uint64_t>& Abandoned() const { return abandoned_; }

    // Before a chip is written: hands out Next(), recorded as attempted.
    // Returns an empty string or why the file could not be written (the chip
    // must then not be written, and the number is not taken).
    std::string Attempt(std::uint64_t& number);
    // After the chip: verified, the number is used for good; failed, it is
    // free again.
    std::string Finish(std::uint64_t number, bool verified);

  private:
    SerialCounter(std::filesystem::path path, std::uint64_t next, std::uint64_t step)
        : path_(std::move(path)), next_(next), step_(step) {}
    // A free number just below next is simply not handed out yet.
    void FoldFreeIntoNext();
    std::string Save() const;

    std::filesystem::path path_;
    std::uint64_t next_;
    std::uint64_t step_;
    std::set<std::uint64_t> free_;
    std::set<std::uint64_t> attempted_;
    std::set<std::uint64_t> abandoned_;
};

}  // namespace tallis
