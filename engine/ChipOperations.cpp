#include "engine/ChipOperations.h"

#include <algorithm>
#include <array>
#include <vector>

#include "engine/FamilyAlgorithm.h"

namespace tallis {

namespace {

constexpr std::uint16_t kIdAddress = 0x2000;
constexpr std::uint16_t kDebugVectorAddress = 0x2004;
constexpr std::uint16_t kDeviceIdAddress = 0x2006;
constexpr std::uint16_t kConfigWordAddress = 0x2007;
constexpr std::uint16_t kWordMask = 0x3FFF;
constexpr std::uint16_t kErasedWord = 0x3FFF;
constexpr std::uint16_t kErasedByte = 0xFF;
constexpr std::uint16_t kNothingAnswered = 0x3FFF;
constexpr std::uint16_t kDataHeldLow = 0x0000;

// One location an image holds: address as in Difference.
struct Location {
    MemorySpace space;
    std::uint16_t address;
    std::uint16_t value;
};

// Runs an operation's body and turns a stop into its outcome. A refused port
// access outweighs every other outcome: nothing read or written then counts.
template <typename Result, typename Body>
Result Guarded(ProgrammingSession& session, Body&& body) {
    Result result;
    try {
        body(result);
    } catch (const OperationStopped& stopped) {
        result.outcome = stopped.outcome;
    }
    result.portFailures = session.PortFailures();
    if (result.portFailures != 0) {
        result.outcome = OperationOutcome::PortError;
    }
    return result;
}

// The image's locations in the order a session reaches them cheaply:
// program memory and EEPROM up from 0, then configuration space.
std::vector<Location> LocationsOf(const ChipImage& image, bool withConfig) {
    std::vector<Location> locations;
    for (std::size_t a = 0; a < image.program.size(); ++a) {
        if (image.program[a]) {
            locations.push_back(
                {MemorySpace::Program, static_cast<std::uint16_t>(a), *image.program[a]});
        }
    }
    for (std::size_t a = 0; a < image.eeprom.size(); ++a) {
        if (image.eeprom[a]) {
            locations.push_back(
                {MemorySpace::Eeprom, static_cast<std::uint16_t>(a), *image.eeprom[a]});
        }
    }
    for (std::size_t i = 0; i < image.ids.size(); ++i) {
        if (image.ids[i]) {
            locations.push_back(
                {MemorySpace::Id, static_cast<std::uint16_t>(kIdAddress + i), *image.ids[i]});
        }
    }
    if (image.debugVector) {
        locations.push_back({MemorySpace::DebugVector, kDebugVectorAddress, *image.debugVector});
    }
    if (withConfig && image.config) {
        locations.push_back({MemorySpace::Config, kConfigWordAddress, *image.config});
    }
    return locations;
}

std::uint16_t ReadLocation(ProgrammingSession& session, MemorySpace space, std::uint16_t address) {
    session.GoTo(address);
    return space == MemorySpace::Eeprom ? session.ReadDataByte() : session.ReadWord();
}

std::uint16_t CompareMask(const Device& device, MemorySpace space) {
    switch (space) {
        case MemorySpace::Config:
            return device.configImplemented;
        case MemorySpace::Eeprom:
            return 0xFF;
        default:
            return kWordMask;
    }
}

// Records a location that does not hold what it should. False once the
// result has as many differences as it keeps.
bool Note(OperationResult& result, const Difference& difference) {
    result.differences.push_back(difference);
    return result.differences.size() < OperationResult::kMaxDifferences;
}

// Reads back each location; stops at the result's last kept difference.
void CompareLocations(ProgrammingSession& session, const Device& device,
                      const std::vector<Location>& locations, OperationResult& result,
                      std::uint32_t& done, std::uint32_t total) {
    for (const Location& location : locations) {
        const std::uint16_t mask = CompareMask(device, location.space);
        const std::uint16_t actual = ReadLocation(session, location.space, location.address);
        session.Step(++done, total, location.address);
        if ((actual & mask) != (location.value & mask) &&
            !Note(result, {location.space, location.address, location.value, actual})) {
            return;
        }
    }
}

void IdentifyInto(ProgrammingSession& session, const Device* expected, OperationResult& result) {
    session.GoTo(kDeviceIdAddress);
    result.idWord = session.ReadWord();
    result.found = DeviceWithId(result.idWord);
    if (result.idWord == kNothingAnswered) {
        result.outcome = OperationOutcome::NoChip;
    } else if (result.idWord == kDataHeldLow) {
        result.outcome = OperationOutcome::DataLineLow;
    } else if (result.found == nullptr) {
        result.outcome = OperationOutcome::UnknownChip;
    } else if (expected != nullptr && result.found != expected) {
        result.outcome = OperationOutcome::WrongChip;
    }
}

// The first location of the image that the chip does not have, if any.
bool FitsDevice(const ChipImage& image, const Device& device, OperationResult& result) {
    for (std::size_t a = device.programWords; a < image.program.size(); ++a) {
        if (image.program[a]) {
            Note(result,
                 {MemorySpace::Program, static_cast<std::uint16_t>(a), *image.program[a], 0});
            return false;
        }
    }
    for (std::size_t a = device.eepromBytes; a < image.eeprom.size(); ++a) {
        if (image.eeprom[a]) {
            Note(result, {MemorySpace::Eeprom, static_cast<std::uint16_t>(a), *image.eeprom[a], 0});
            return false;
        }
    }
    return true;
}

// Rows of the device's write latch that hold something other than erased
// words; absent words in such a row are written erased.
struct Row {
    std::uint16_t start;
    std::array<std::uint16_t, 8> words;
};

std::vector<Row> RowsWithData(const ChipImage& image, const Device& device) {
    std::vector<Row> rows;
    const std::uint16_t latch = device.latchWords;
    for (std::uint16_t start = 0; start < device.programWords; start += latch) {
        Row row{start, {}};
        row.words.fill(kErasedWord);
        bool holdsData = false;
        for (std::uint16_t i = 0; i < latch; ++i) {
            if (const auto& word = image.program[start + i]) {
                row.words[i] = *word & kWordMask;
                holdsData = holdsData || row.words[i] != kErasedWord;
            }
        }
        if (holdsData) {
            rows.push_back(row);
        }
    }
    return rows;
}

void WriteInto(ProgrammingSession& session, const Device& device, const ChipImage& image,
               OperationResult& result) {
    if (!FitsDevice(image, device, result)) {
        result.outcome = OperationOutcome::TooLarge;
        return;
    }
    IdentifyInto(session, &device, result);
    if (result.outcome != OperationOutcome::Completed) {
        return;
    }
    const std::vector<Row> rows = RowsWithData(image, device);
    const std::vector<Location> written = LocationsOf(image, false);
    const auto firstOther = std::ranges::find_if(
        written, [](const Location& l) { return l.space != MemorySpace::Program; });
    const std::span<const Location> others(firstOther, written.end());
    const bool withConfig = image.config.has_value();
    // Steps: the erase, each row, each other location, each read-back, the
    // configuration word's write and read-back.
    const auto total = static_cast<std::uint32_t>(1 + rows.size() + others.size() + written.size() +
                                                  (withConfig ? 2 : 0));
    std::uint32_t done = 0;

    EraseChip(session, device);
    session.Step(++done, total, 0);
    for (const Row& row : rows) {
        WriteProgramRow(session, device, row.start, std::span(row.words).first(device.latchWords));
        session.Step(++done, total, row.start);
    }
    for (const Location& location : others) {
        if (location.space == MemorySpace::Eeprom) {
            WriteEepromByte(session, static_cast<std::uint8_t>(location.address),
                            static_cast<std::uint8_t>(location.value));
        } else {
            WriteConfigSpaceWord(session, location.address, location.value);
        }
        session.Step(++done, total, location.address);
    }
    CompareLocations(session, device, written, result, done, total);
    if (result.differences.empty() && withConfig) {
        WriteConfigWord(session, device, *image.config);
        session.Step(++done, total, kConfigWordAddress);
        CompareLocations(session, device,
                         {{MemorySpace::Config, kConfigWordAddress, *image.config}}, result, done,
                         total);
    }
    if (!result.differences.empty()) {
        result.outcome = OperationOutcome::WriteFailed;
    }
}

}  // namespace

OperationResult Identify(ProgrammingSession& session, const Device* expected) {
    return Guarded<OperationResult>(
        session, [&](OperationResult& result) { IdentifyInto(session, expected, result); });
}

ReadResult Read(ProgrammingSession& session, const Device& device) {
    return Guarded<ReadResult>(session, [&](ReadResult& result) {
        ChipImage& image = result.image;
        const auto total = static_cast<std::uint32_t>(device.programWords + device.eepromBytes);
        std::uint32_t done = 0;
        for (std::size_t i = 0; i < image.ids.size(); ++i) {
            image.ids[i] =
                ReadLocation(session, MemorySpace::Id, static_cast<std::uint16_t>(kIdAddress + i));
        }
        image.debugVector = ReadLocation(session, MemorySpace::DebugVector, kDebugVectorAddress);
        image.deviceId = ReadLocation(session, MemorySpace::Config, kDeviceIdAddress);
        image.config = ReadLocation(session, MemorySpace::Config, kConfigWordAddress);

        const ProtectedRange hidden = ProtectedProgram(device, *image.config);
        result.protectedFrom = hidden.from;
        result.protectedTo = hidden.to;
        for (std::uint16_t a = 0; a < device.programWords; ++a) {
            if (a < hidden.from || a >= hidden.to) {
                image.program[a] = ReadLocation(session, MemorySpace::Program, a);
            }
            session.Step(++done, total, a);
        }
        result.eepromProtected = EepromProtected(*image.config);
        for (std::uint16_t a = 0; a < device.eepromBytes && !result.eepromProtected; ++a) {
            image.eeprom[a] =
                static_cast<std::uint8_t>(ReadLocation(session, MemorySpace::Eeprom, a));
            session.Step(++done, total, a);
        }
    });
}

OperationResult Verify(ProgrammingSession& session, const Device& device, const ChipImage& image) {
    return Guarded<OperationResult>(session, [&](OperationResult& result) {
        if (!FitsDevice(image, device, result)) {
            result.outcome = OperationOutcome::TooLarge;
            return;
        }
        const std::vector<Location> locations = LocationsOf(image, true);
        std::uint32_t done = 0;
        CompareLocations(session, device, locations, result, done,
                         static_cast<std::uint32_t>(locations.size()));
        if (!result.differences.empty()) {
            result.outcome = OperationOutcome::Differs;
        }
    });
}

OperationResult BlankCheck(ProgrammingSession& session, const Device& device) {
    return Guarded<OperationResult>(session, [&](OperationResult& result) {
        ChipImage erased;
        erased.config = kErasedWord;
        erased.ids.fill(kErasedWord);
        erased.debugVector = kErasedWord;
        std::fill_n(erased.program.begin(), device.programWords, kErasedWord);
        std::fill_n(erased.eeprom.begin(), device.eepromBytes, kErasedByte);
        std::vector<Location> locations = LocationsOf(erased, true);
        // The configuration word first: code protection makes program memory read 0.
        std::rotate(locations.begin(), locations.end() - 1, locations.end());
        std::uint32_t done = 0;
        for (const Location& location : locations) {
            const std::uint16_t mask = CompareMask(device, location.space);
            const std::uint16_t actual = ReadLocation(session, location.space, location.address);
            session.Step(++done, static_cast<std::uint32_t>(locations.size()), location.address);
            if ((actual & mask) != (location.value & mask)) {
                Note(result, {location.space, location.address, location.value, actual});
                result.outcome = OperationOutcome::NotBlank;
                return;
            }
        }
    });
}

OperationResult Write(ProgrammingSession& session, const Device& device, const ChipImage& image) {
    return Guarded<OperationResult>(
        session, [&](OperationResult& result) { WriteInto(session, device, image, result); });
}

}  // namespace tallis
