#include "tests/faults/FaultBench.h"

#include <cstdio>

namespace tallis::faults {

namespace {

sim::TargetType ConnectedType(Fault fault, ChipType chip) {
    return sim::TypeOf(ClassicDevice(fault == Fault::WrongChipType ? OtherChip(chip) : chip));
}

std::string Record(std::uint16_t byteAddress, std::uint8_t type,
                   const std::vector<std::uint8_t>& bytes) {
    std::string text = ":";
    unsigned sum = 0;
    auto put = [&](unsigned value) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", value & 0xFFU);
        text += pair;
        sum += value;
    };
    put(static_cast<unsigned>(bytes.size()));
    put(byteAddress >> 8U);
    put(byteAddress & 0xFFU);
    put(type);
    for (std::uint8_t byte : bytes) {
        put(byte);
    }
    put((0x100U - (sum & 0xFFU)) & 0xFFU);
    return text + "\r\n";
}

}  // namespace

void FaultRunHost::ShowMessage(const std::string& text) {
    messages_.push_back({text, target_.Chip().Mode(), target_.Chip().ResetReleases()});
}

ChipType OtherChip(ChipType chip) {
    return chip == ChipType::Pic16F877 ? ChipType::Pic16F877A : ChipType::Pic16F877;
}

const char* FaultName(Fault fault) {
    switch (fault) {
        case Fault::NoChip:
            return "NoChip";
        case Fault::DataStuckLow:
            return "DataStuckLow";
        case Fault::UnprogrammableWord:
            return "UnprogrammableWord";
        case Fault::WrongChipType:
            return "WrongChipType";
        case Fault::ShortWaits:
            return "ShortWaits";
    }
    return "?";
}

FaultBench::FaultBench(Fault fault, ChipType chip, std::uint16_t unprogrammableAddress)
    : target({.type = ConnectedType(fault, chip), .portAccessCostNs = sim::kRealPortAccessNs}),
      host(chip, target),
      halfTimer(target.Clock()),
      lines(target.Port(),
            fault == Fault::ShortWaits ? static_cast<Delayer&>(halfTimer) : target.Clock()),
      programmer(lines, host),
      run(programmer, host) {
    switch (fault) {
        case Fault::NoChip:
            target.SetBoardFault(sim::BoardFault::NoTarget);
            break;
        case Fault::DataStuckLow:
            target.SetBoardFault(sim::BoardFault::DataStuckLow);
            break;
        case Fault::UnprogrammableWord:
            target.SetUnprogrammableWord(unprogrammableAddress);
            break;
        case Fault::WrongChipType:
        case Fault::ShortWaits:
            break;
    }
}

RunOutcome FaultBench::Run(const std::string& hexText) {
    ImageLoadResult loaded = MakeFirmwareImage(hexText);
    return run.Execute(*loaded.image);
}

std::string WordRecord(std::uint16_t wordAddress, const std::vector<std::uint16_t>& words) {
    std::vector<std::uint8_t> bytes;
    for (std::uint16_t word : words) {
        bytes.push_back(static_cast<std::uint8_t>(word & 0xFFU));
        bytes.push_back(static_cast<std::uint8_t>(word >> 8U));
    }
    return Record(static_cast<std::uint16_t>(wordAddress * 2), 0x00, bytes);
}

std::string ExtendedAddressRecord() {
    return Record(0x0000, 0x04, {0x00, 0x00});
}

std::string EndRecord() {
    return Record(0x0000, 0x01, {});
}

}  // namespace tallis::faults
