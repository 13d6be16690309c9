#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "device/Device.h"
#include "engine/ChipOperations.h"

namespace tallis {

// Where the calibration read before an erase is kept: tallis/calibration in
// the user's data folder (~/.local/share, or $XDG_DATA_HOME, on Linux;
// %LOCALAPPDATA% on Windows).
std::filesystem::path CalibrationFolder();

// The calibration's text: the chip, each word and the configuration bits.
std::string CalibrationText(const Device& device, std::uint16_t idWord,
                            const ChipCalibration& calibration);

// Keeps the factory calibration that an erase takes in a small file of the
// chip's own (PIC12F675-0FC1.txt), written whole or not at all, before the
// erase: a run that fails between the erase and the write back loses nothing.
class CalibrationKeeper {
  public:
    explicit CalibrationKeeper(std::filesystem::path folder = CalibrationFolder());

    // What the operations call before such an erase, for the chip identified.
    KeepCalibration For(const Device& device, std::uint16_t idWord);
    // Where the calibration was saved, once it was.
    const std::optional<std::filesystem::path>& Saved() const { return saved_; }
    // Why it could not be saved (and nothing was erased), once it failed.
    const std::string& Error() const { return error_; }

  private:
    bool Save(const Device& device, std::uint16_t idWord, const ChipCalibration& calibration);

    std::filesystem::path folder_;
    std::optional<std::filesystem::path> saved_;
    std::string error_;
};

}  // namespace tallis
