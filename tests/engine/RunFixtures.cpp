#include "tests/engine/RunFixtures.h"

#include <cstdio>
#include <stdexcept>

namespace tallis::test {

void RecordingRunHost::Record(const char* what, const std::string& text, int percent) {
    Call call{what, text, percent};
    if (target_ != nullptr) {
        call.chipMode = target_->Chip().Mode();
        call.portWrites = target_->SimPort().Writes();
        call.resetReleases = target_->Chip().ResetReleases();
    }
    calls_.push_back(call);
}

std::vector<std::string> RecordingRunHost::Messages() const {
    std::vector<std::string> messages;
    for (const Call& call : calls_) {
        if (call.what == "message") {
            messages.push_back(call.text);
        }
    }
    return messages;
}

std::vector<int> RecordingRunHost::Gauges() const {
    std::vector<int> gauges;
    for (const Call& call : calls_) {
        if (call.what == "gauge") {
            gauges.push_back(call.percent);
        }
    }
    return gauges;
}

std::string HexRecordWithChecksum(std::uint16_t byteAddress, std::uint8_t type,
                                  const std::vector<std::uint8_t>& bytes, std::uint8_t checksum) {
    std::string text = ":";
    char pair[4];
    auto put = [&](unsigned value) {
        std::snprintf(pair, sizeof pair, "%02X", value & 0xFFU);
        text += pair;
    };
    put(static_cast<unsigned>(bytes.size()));
    put(byteAddress >> 8);
    put(byteAddress & 0xFFU);
    put(type);
    for (std::uint8_t byte : bytes) {
        put(byte);
    }
    put(checksum);
    return text + "\r\n";
}

std::string HexRecord(std::uint16_t byteAddress, std::uint8_t type,
                      const std::vector<std::uint8_t>& bytes) {
    unsigned sum =
        static_cast<unsigned>(bytes.size()) + (byteAddress >> 8) + (byteAddress & 0xFFU) + type;
    for (std::uint8_t byte : bytes) {
        sum += byte;
    }
    return HexRecordWithChecksum(byteAddress, type, bytes,
                                 static_cast<std::uint8_t>(0x100 - (sum & 0xFF)));
}

std::string WordRecord(std::uint16_t wordAddress, const std::vector<std::uint16_t>& words) {
    std::vector<std::uint8_t> bytes;
    for (std::uint16_t word : words) {
        bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    return HexRecord(static_cast<std::uint16_t>(wordAddress * 2), 0x00, bytes);
}

std::string ExtendedAddressRecord() {
    return HexRecord(0, 0x04, {0x00, 0x00});
}

std::string EndRecord() {
    return HexRecord(0, 0x01, {});
}

std::unique_ptr<FirmwareImage> ImageOf(const std::string& text) {
    ImageLoadResult result = MakeFirmwareImage(text);
    if (!result.image) {
        throw std::runtime_error("test image refused: " + result.error);
    }
    return std::move(result.image);
}

std::vector<std::uint16_t> SampleWords(std::size_t count, std::uint16_t seed) {
    std::vector<std::uint16_t> words;
    std::uint32_t state = seed;
    for (std::size_t i = 0; i < count; ++i) {
        state = state * 1103515245U + 12345U;
        auto word = static_cast<std::uint16_t>((state >> 8) & 0x3FFF);
        words.push_back(word == 0x3FFF ? 0x1234 : word);
    }
    return words;
}

RunBench::RunBench(ChipType hostChip, sim::TargetType targetType, std::uint16_t base,
                   sim::BoardTiming board, const sim::ChipSettings& chip)
    : target({.type = targetType,
              .base = base,
              .portAccessCostNs = sim::kRealPortAccessNs,
              .board = board,
              .chip = chip}),
      host(hostChip, &target),
      lines(target.Port(), target.Clock()),
      programmer(lines, host),
      run(programmer, host) {}

RunOutcome RunBench::Run(const std::string& text) {
    return Run(*ImageOf(text));
}

RunOutcome RunBench::Run(const FirmwareImage& image) {
    return run.Execute(image);
}

bool NeverGoesBackwards(const std::vector<int>& gauges) {
    for (std::size_t i = 1; i < gauges.size(); ++i) {
        if (gauges[i] < gauges[i - 1]) {
            return false;
        }
    }
    return true;
}

}  // namespace tallis::test
