#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace tallis {

// The serial numbers' counter, kept in a small text file so that it survives
// the program:
//
//   next 1005
//   attempted 1004
//
// "attempted" stands while a number is in a chip that has not verified yet.
// A run that finds it there was ended between a write and its verify (a crash,
// a pulled plug): that chip may have left with the number, so it is never
// used again. Each change is written whole (a temporary file renamed into
// place); one run at a time may use the file (the caller locks it).
class SerialCounter {
  public:
    // The counter in the file, or one that starts at start when there is no
    // file yet. step is how far a verified chip moves it. Nothing, with the
    // problem, when the file cannot be read or is not a counter.
    static std::optional<SerialCounter> Open(const std::filesystem::path& path, std::uint64_t start,
                                             std::uint64_t step, std::string& problem);

    std::uint64_t Next() const { return next_; }
    // The number a run ended on before it verified, found by Open and
    // skipped: it is not used again.
    std::optional<std::uint64_t> Abandoned() const { return abandoned_; }

    // Before the chip is written: the next number is recorded as attempted.
    // Returns an empty string or why the file could not be written (the chip
    // must then not be written).
    std::string Attempt();
    // After the chip: verified, the counter moves on; failed, the number is
    // free again (the chip that holds it is scrap).
    std::string Finish(bool verified);

  private:
    SerialCounter(std::filesystem::path path, std::uint64_t next, std::uint64_t step)
        : path_(std::move(path)), next_(next), step_(step) {}
    std::string Save() const;

    std::filesystem::path path_;
    std::uint64_t next_;
    std::uint64_t step_;
    bool attempting_ = false;
    std::optional<std::uint64_t> abandoned_;
};

}  // namespace tallis
