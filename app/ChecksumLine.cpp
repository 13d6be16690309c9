#include "app/ChecksumLine.h"

#include "image/ImageChecksum.h"

namespace tallis {

std::string ChipChecksumLine(const ReadResult& read, const Device& device) {
    if (read.ProgramProtected()) {
        return "Checksum: not known: code protection kept program memory from being read";
    }
    return "Checksum: " + ChecksumText(ImageChecksum(read.image, device));
}

bool ProtectsProgram(const ChipImage& file, const Device& device) {
    const std::uint16_t cp = device.ConfigMask("CP");
    return file.config[0].has_value() && cp != 0 && (*file.config[0] & cp) != cp;
}

std::string FileChecksumLine(const ChipImage& file, const Device& device,
                             const std::string& fileName) {
    const std::string sum = "Checksum: " + ChecksumText(ImageChecksum(file, device));
    if (ProtectsProgram(file, device)) {
        return sum + " (computed from " + fileName + ": the chip is code-protected)";
    }
    return sum + " (" + fileName + ")";
}

}  // namespace tallis
