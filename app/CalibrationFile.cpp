#include "app/CalibrationFile.h"

#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "app/AtomicFile.h"
#include "app/FileNames.h"

namespace tallis {

namespace {

std::string Hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

#ifdef _WIN32
std::filesystem::path DataFolder() {
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    return local != nullptr ? std::filesystem::path(local) : std::filesystem::temp_directory_path();
}
#else
std::filesystem::path DataFolder() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/') {
        return data;
    }
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home != nullptr ? home : ".") / ".local" / "share";
}
#endif

}  // namespace

std::filesystem::path CalibrationFolder() {
    return DataFolder() / "tallis" / "calibration";
}

std::string CalibrationText(const Device& device, std::uint16_t idWord,
                            const ChipCalibration& calibration) {
    std::string text = std::string(device.name) + " (device ID 0x" + Hex4(idWord) +
                       "): factory calibration read before an erase\n";
    for (const ChipCalibration::Word& word : calibration.words) {
        text += "calibration word 0x" + Hex4(word.address) + ": 0x" + Hex4(word.value) +
                (word.value == kErasedWord ? " (erased: lost earlier)\n" : "\n");
    }
    if (device.configCalibrationBits != 0) {
        text += "configuration word bits under 0x" + Hex4(device.configCalibrationBits) + ": 0x" +
                Hex4(calibration.configBits) + "\n";
    }
    return text;
}

CalibrationKeeper::CalibrationKeeper(std::filesystem::path folder) : folder_(std::move(folder)) {}

KeepCalibration CalibrationKeeper::For(const Device& device, std::uint16_t idWord) {
    return [this, &device, idWord](const ChipCalibration& calibration) {
        return Save(device, idWord, calibration);
    };
}

bool CalibrationKeeper::Save(const Device& device, std::uint16_t idWord,
                             const ChipCalibration& calibration) {
    const std::filesystem::path path =
        folder_ / (std::string(device.name) + "-" + Hex4(idWord) + ".txt");
    std::error_code created;
    std::filesystem::create_directories(folder_, created);
    AtomicFile file(path);
    std::string error = file.Create();
    if (error.empty()) {
        file.Stream() << CalibrationText(device, idWord, calibration);
        error = file.Commit();
    }
    if (!error.empty()) {
        error_ = PathText(path) + ": " + error;
        return false;
    }
    saved_ = path;
    return true;
}

}  // namespace tallis
