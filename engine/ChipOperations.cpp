#include "engine/ChipOperations.h"

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <span>
#include <utility>
#include <vector>

#include "engine/families/ChipFamily.h"

namespace tallis {

namespace {

constexpr std::uint16_t kNothingAnswered = 0x3FFF;
constexpr std::uint16_t kDataHeldLow = 0x0000;

// One location an image holds: address as in Difference.
struct Location {
    MemorySpace space;
    std::uint16_t address;
    std::uint16_t value;
    std::uint16_t mask = 0;  // the bits compared; 0: the location's usual ones (CompareMask)
};

// A calibration word in program memory (the 12F629/675's OSCCAL), which a
// file read before the chip was known holds as a program word.
bool InProgramSpace(const MemoryRegion& region) {
    return region.start < ProgrammingSession::kConfigSpace;
}

// The image with each program word that the device keeps in a calibration
// region moved there, where the operations look for it.
ChipImage PlacedFor(const ChipImage& image, const Device& device) {
    ChipImage placed = image;
    for (const MemoryRegion& region : device.regions) {
        if (region.kind != RegionKind::Calibration || !InProgramSpace(region)) {
            continue;
        }
        for (std::uint16_t i = 0; i < region.size; ++i) {
            std::optional<std::uint16_t>& word = placed.program[region.start + i];
            if (word && !placed.calibration[i]) {
                placed.calibration[i] = *word;
            }
            word.reset();
        }
    }
    return placed;
}

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

// Where a session reaches a region cheaply: program memory and EEPROM up
// from 0, then configuration space up (reached again only by a new entry).
int ReachOrder(const MemoryRegion& region) {
    switch (region.kind) {
        case RegionKind::Program:
            return 0;
        case RegionKind::Eeprom:
            return 1;
        default:
            return 2;
    }
}

// The device's regions of the kinds wanted, in the order a session reaches them.
std::vector<const MemoryRegion*> RegionsInReach(const Device& device,
                                                std::initializer_list<RegionKind> kinds) {
    std::vector<const MemoryRegion*> regions;
    for (const MemoryRegion& region : device.regions) {
        if (std::ranges::find(kinds, region.kind) != kinds.end()) {
            regions.push_back(&region);
        }
    }
    std::ranges::stable_sort(regions, [](const MemoryRegion* a, const MemoryRegion* b) {
        return std::pair(ReachOrder(*a), a->start) < std::pair(ReachOrder(*b), b->start);
    });
    return regions;
}

// The image's locations in the device's regions that a file writes (never the
// device ID or calibration words), in the order a session reaches them.
std::vector<Location> LocationsOf(const ChipImage& image, const Device& device, bool withConfig) {
    std::vector<Location> locations;
    for (const MemoryRegion* region :
         RegionsInReach(device, {RegionKind::Program, RegionKind::Eeprom, RegionKind::Id,
                                 RegionKind::DebugVector, RegionKind::Config})) {
        if (region->kind == RegionKind::Config && !withConfig) {
            continue;
        }
        for (std::uint16_t i = 0; i < region->size; ++i) {
            if (const std::optional<std::uint16_t> value = image.Value(region->kind, i)) {
                locations.push_back(
                    {region->kind, static_cast<std::uint16_t>(region->start + i), *value});
            }
        }
    }
    return locations;
}

std::uint16_t ReadLocation(ProgrammingSession& session, MemorySpace space, std::uint16_t address) {
    session.GoTo(address);
    return space == MemorySpace::Eeprom ? session.ReadDataByte() : session.ReadWord();
}

// Reads the locations in order, in runs as long as the session batches, and
// hands each value on with its location; stops after the value for which
// take returns false. Returns false when it stopped.
bool ReadEach(ProgrammingSession& session, std::span<const Location> locations,
              const std::function<bool(const Location&, std::uint16_t)>& take) {
    const std::size_t batch = std::max<std::size_t>(1, session.ReadBatch());
    std::vector<ProgrammingSession::PendingRead> pending;
    for (std::size_t first = 0; first < locations.size(); first += batch) {
        const std::size_t end = std::min(locations.size(), first + batch);
        pending.clear();
        for (std::size_t i = first; i < end; ++i) {
            session.GoTo(locations[i].address);
            pending.push_back(locations[i].space == MemorySpace::Eeprom
                                  ? session.ReadDataByteLater()
                                  : session.ReadWordLater());
        }
        for (std::size_t i = first; i < end; ++i) {
            if (!take(locations[i], session.ValueOf(pending[i - first]))) {
                return false;
            }
        }
    }
    return true;
}

// Locations from..to of one space, for a read of all of them.
std::vector<Location> Span(MemorySpace space, std::uint16_t from, std::uint16_t to) {
    std::vector<Location> locations;
    for (std::uint16_t a = from; a < to; ++a) {
        locations.push_back({space, a, 0});
    }
    return locations;
}

// The bits a location is compared on: each configuration word on the row's
// implemented bits of it, the first less its factory calibration bits (the
// chip's own, which no file sets unasked).
std::uint16_t CompareMask(const Device& device, const Location& location) {
    if (location.mask != 0) {
        return location.mask;
    }
    switch (location.space) {
        case MemorySpace::Config:
            return location.address == FindRegion(device.regions, RegionKind::Config)->start
                       ? static_cast<std::uint16_t>(device.configImplemented &
                                                    ~device.configCalibrationBits)
                       : device.config2Implemented;
        case MemorySpace::Eeprom:
            return 0xFF;
        default:
            return kWordMask;
    }
}

// Records a location that does not hold what it should. False once the
// result has as many differences as it keeps by default.
bool Note(OperationResult& result, const Difference& difference) {
    result.differences.push_back(difference);
    return result.differences.size() < OperationResult::kMaxDifferences;
}

// Reads back each location; stops at the result's last kept difference
// unless every difference is wanted.
void CompareLocations(ProgrammingSession& session, const Device& device,
                      const std::vector<Location>& locations, OperationResult& result,
                      std::uint32_t& done, std::uint32_t total, bool all = false) {
    ReadEach(session, locations, [&](const Location& location, std::uint16_t actual) {
        const std::uint16_t mask = CompareMask(device, location);
        session.Step(++done, total, location.address);
        return (actual & mask) == (location.value & mask) ||
               Note(result, {location.space, location.address, location.value, actual}) || all;
    });
}

// Each location of the device's regions of the kinds in scope as an erase
// leaves it, configuration words first: code protection makes program
// memory read 0.
std::vector<Location> BlankLocations(const Device& device, const std::vector<RegionKind>& scope) {
    ChipImage erased;
    for (const MemoryRegion& region : device.regions) {
        if (std::ranges::find(scope, region.kind) == scope.end()) {
            continue;
        }
        for (std::uint16_t i = 0; i < region.size; ++i) {
            erased.Set(region.kind, i, region.Blank());
        }
    }
    std::vector<Location> locations = LocationsOf(erased, device, true);
    std::stable_partition(locations.begin(), locations.end(),
                          [](const Location& l) { return l.space == MemorySpace::Config; });
    return locations;
}

// Reads the locations up to the first that does not hold its erased value.
std::optional<Difference> FirstNotBlank(ProgrammingSession& session, const Device& device,
                                        const std::vector<Location>& locations, std::uint32_t& done,
                                        std::uint32_t total) {
    std::optional<Difference> first;
    ReadEach(session, locations, [&](const Location& location, std::uint16_t actual) {
        const std::uint16_t mask = CompareMask(device, location);
        session.Step(++done, total, location.address);
        if ((actual & mask) == (location.value & mask)) {
            return true;
        }
        first = Difference{location.space, location.address, location.value, actual};
        return false;
    });
    return first;
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

// Whether code protection, as the configuration word sets it, hides the
// location from a read; the hidden area is noted in the result.
bool HiddenByProtection(const Device& device, std::uint16_t config, const Location& location,
                        OperationResult& result) {
    if (location.space == MemorySpace::Program) {
        const ProtectedRange hidden = FamilyOf(device).ProtectedProgram(device, config);
        if (location.address < hidden.from || location.address >= hidden.to) {
            return false;
        }
        result.protectedFrom = hidden.from;
        result.protectedTo = hidden.to;
        return true;
    }
    if (location.space == MemorySpace::Eeprom && FamilyOf(device).EepromProtected(device, config)) {
        result.eepromProtected = true;
        return true;
    }
    return false;
}

// Rows of the device's write latch that hold something other than erased
// words; absent words in such a row are written erased.
struct Row {
    std::uint16_t start;
    std::vector<std::uint16_t> words;  // the device's latchWords
};

// The row at start as the image has it; false when it holds no data.
bool RowAt(const ChipImage& image, const Device& device, std::uint16_t start, Row& row) {
    row = {start, std::vector<std::uint16_t>(device.latchWords, kErasedWord)};
    bool holdsData = false;
    for (std::uint16_t i = 0; i < device.latchWords; ++i) {
        if (const auto& word = image.program[start + i]) {
            row.words[i] = *word & kWordMask;
            holdsData = holdsData || row.words[i] != kErasedWord;
        }
    }
    return holdsData;
}

std::vector<Row> RowsWithData(const ChipImage& image, const Device& device) {
    std::vector<Row> rows;
    for (std::uint16_t start = 0; start < device.WritableProgramWords();
         start += device.latchWords) {
        if (Row row; RowAt(image, device, start, row)) {
            rows.push_back(row);
        }
    }
    return rows;
}

// Writes a location that did not read back once more, with the standard
// waits and, for program memory, its whole row erased and written in one
// cycle. Returns the locations that the rewrite covered.
std::vector<Location> Rewrite(ProgrammingSession& session, const Device& device,
                              const ChipImage& image, const Difference& wrong) {
    const TimingProfile& own = session.Timing();
    session.UseTiming(kClassicTiming);
    std::vector<Location> covered;
    switch (wrong.space) {
        case MemorySpace::Program: {
            const auto start =
                static_cast<std::uint16_t>(wrong.address & ~(device.latchWords - 1U));
            Row row;
            RowAt(image, device, start, row);
            FamilyOf(device).RewriteProgramRow(session, start, row.words);
            for (std::uint16_t a = start; a < start + device.latchWords; ++a) {
                if (image.program[a]) {
                    covered.push_back({MemorySpace::Program, a, *image.program[a]});
                }
            }
            break;
        }
        case MemorySpace::Eeprom:
            FamilyOf(device).WriteEepromByte(session, wrong.address,
                                             static_cast<std::uint8_t>(wrong.expected));
            covered.push_back({wrong.space, wrong.address, wrong.expected});
            break;
        case MemorySpace::Config:
            FamilyOf(device).WriteConfigWord(session, wrong.address, wrong.expected);
            covered.push_back({wrong.space, wrong.address, wrong.expected});
            break;
        case MemorySpace::Calibration:
            if (wrong.address < ProgrammingSession::kConfigSpace) {
                const std::uint16_t word[] = {wrong.expected};
                FamilyOf(device).RewriteProgramRow(session, wrong.address, word);
            } else {
                FamilyOf(device).WriteConfigSpaceWord(session, wrong.address, wrong.expected);
            }
            covered.push_back({wrong.space, wrong.address, wrong.expected});
            break;
        default:
            FamilyOf(device).WriteConfigSpaceWord(session, wrong.address, wrong.expected);
            covered.push_back({wrong.space, wrong.address, wrong.expected});
            break;
    }
    session.UseTiming(own);
    return covered;
}

// Reads back what was written. With a profile that asks for it, every
// location that did not read back is written once more with the standard
// waits, and everything is read back again.
void CheckWritten(ProgrammingSession& session, const Device& device, const ChipImage& image,
                  const std::vector<Location>& written, OperationResult& result,
                  std::uint32_t& done, std::uint32_t total) {
    const bool retry = session.Timing().retryWithStandardWaits;
    OperationResult first;
    CompareLocations(session, device, written, retry ? first : result, done, total, retry);
    if (first.differences.empty()) {
        return;
    }
    std::vector<Location> rewritten;
    for (const Difference& wrong : first.differences) {
        if (std::ranges::none_of(rewritten, [&](const Location& l) {
                return l.space == wrong.space && l.address == wrong.address;
            })) {
            result.retried.push_back(wrong);
            std::ranges::move(Rewrite(session, device, image, wrong),
                              std::back_inserter(rewritten));
        }
        session.Step(total, total, wrong.address);
    }
    std::uint32_t again = total;
    CompareLocations(session, device, written, result, again, total);
}

// The image's calibration words that the chip does not hold, as the chip holds them.
std::vector<Difference> CalibrationChanges(ProgrammingSession& session, const Device& device,
                                           const ChipImage& image) {
    std::vector<Difference> changes;
    for (const MemoryRegion* region : RegionsInReach(device, {RegionKind::Calibration})) {
        for (std::uint16_t i = 0; i < region->size; ++i) {
            const std::optional<std::uint16_t> wanted = image.Value(region->kind, i);
            const auto address = static_cast<std::uint16_t>(region->start + i);
            if (!wanted) {
                continue;
            }
            const std::uint16_t actual = ReadLocation(session, region->kind, address);
            if (actual != *wanted) {
                changes.push_back({region->kind, address, *wanted, actual});
            }
        }
    }
    return changes;
}

// Writes one location beside the program rows: an EEPROM byte, a
// calibration word of program memory as a one-word row, a word of
// configuration space.
void WriteLocation(ProgrammingSession& session, const ChipFamily& family,
                   const Location& location) {
    if (location.space == MemorySpace::Eeprom) {
        family.WriteEepromByte(session, location.address,
                               static_cast<std::uint8_t>(location.value));
    } else if (location.space == MemorySpace::Calibration &&
               location.address < ProgrammingSession::kConfigSpace) {
        const std::uint16_t word[] = {location.value};
        family.WriteProgramRow(session, location.address, word);
    } else {
        family.WriteConfigSpaceWord(session, location.address, location.value);
    }
}

// The calibration an erase took, as the write puts it back: each word (the
// file's where asked for and given, else the chip's), the erased ones left
// out, and the configuration word with its calibration bits (the file's
// where asked for and given, else the chip's), compared on all its bits.
struct RestoredCalibration {
    std::vector<Location> words;
    Location config;
    bool lost = false;  // a word stays erased
};

RestoredCalibration Restoring(const Device& device, const ChipCalibration& chip,
                              const ChipImage& file, bool fromFile) {
    RestoredCalibration restored;
    const MemoryRegion* region = FindRegion(device.regions, RegionKind::Calibration);
    for (std::size_t i = 0; i < chip.words.size(); ++i) {
        const std::optional<std::uint16_t> given = file.Value(RegionKind::Calibration, i);
        const std::uint16_t value = fromFile && given ? *given : chip.words[i].value;
        if ((value & kWordMask) == region->Blank()) {
            restored.lost = true;
        } else {
            restored.words.push_back({MemorySpace::Calibration, chip.words[i].address, value});
        }
    }
    const std::uint16_t bits = device.configCalibrationBits;
    const std::optional<std::uint16_t> config = file.config[0];
    const std::uint16_t kept = fromFile && config ? *config & bits : chip.configBits;
    restored.config = {MemorySpace::Config, kConfigWordAddress,
                       static_cast<std::uint16_t>((config.value_or(kErasedWord) & ~bits) | kept),
                       device.configImplemented};
    return restored;
}

// The image's configuration word with the LVP bit clear, where the chip has
// one and the board has no VPP: the chip would answer no entry it can make.
std::optional<Difference> LockingLvpOff(ProgrammingSession& session, const Device& device,
                                        const ChipImage& image) {
    const std::uint16_t lvp = device.ConfigMask("LVP");
    const std::optional<std::uint16_t> word = image.Value(RegionKind::Config, 0);
    if (session.Entry().vpp || lvp == 0 || !word || (*word & lvp) != 0) {
        return std::nullopt;
    }
    return Difference{MemorySpace::Config, kConfigWordAddress, *word,
                      ReadLocation(session, MemorySpace::Config, kConfigWordAddress)};
}

void WriteInto(ProgrammingSession& session, const Device& device, const ChipImage& image,
               const WriteOptions& options, OperationResult& result) {
    if (const auto locking = LockingLvpOff(session, device, image);
        locking && !options.allowLvpOff) {
        result.outcome = OperationOutcome::LvpOffRefused;
        result.differences = {*locking};
        return;
    }
    const ChipFamily& family = FamilyOf(device);
    std::vector<Difference> calibration;
    std::optional<RestoredCalibration> restored;
    if (const auto taken = ReadErasedCalibration(session, device)) {
        restored = Restoring(device, *taken, image, options.writeCalibration);
        if (options.keepCalibration && !options.keepCalibration(*taken)) {
            result.outcome = OperationOutcome::CalibrationNotSaved;
            return;
        }
    } else {
        calibration = CalibrationChanges(session, device, image);
        if (!calibration.empty() && !options.writeCalibration) {
            result.outcome = OperationOutcome::CalibrationKept;
            result.differences = calibration;
            return;
        }
    }
    const std::vector<Row> rows = RowsWithData(image, device);
    std::vector<Location> written = LocationsOf(image, device, false);
    if (restored) {
        // Right after the program rows: OSCCAL is the last program word written.
        const auto firstOther = std::ranges::find_if(
            written, [](const Location& l) { return l.space != MemorySpace::Program; });
        written.insert(firstOther, restored->words.begin(), restored->words.end());
        result.calibrationLost = restored->lost;
    }
    for (const Difference& word : calibration) {
        written.push_back({word.space, word.address, word.expected});
    }
    const auto firstOther = std::ranges::find_if(
        written, [](const Location& l) { return l.space != MemorySpace::Program; });
    const std::span<const Location> others(firstOther, written.end());
    std::vector<Location> configWords = LocationsOf(image, device, true);
    std::erase_if(configWords, [](const Location& l) { return l.space != MemorySpace::Config; });
    if (restored) {
        // Written whatever the file holds: the erase took the calibration bits.
        std::erase_if(configWords,
                      [](const Location& l) { return l.address == kConfigWordAddress; });
        configWords.insert(configWords.begin(), restored->config);
    }
    const std::vector<Location> erased = BlankLocations(device, kWholeChip);
    // Steps: the erase, each location's blank check, each row, each other
    // location, each read-back, each configuration word's write and read-back.
    const auto total = static_cast<std::uint32_t>(1 + erased.size() + rows.size() + others.size() +
                                                  written.size() + 2 * configWords.size());
    std::uint32_t done = 0;

    if (calibration.empty()) {
        family.Erase(session, device);
    } else {
        family.EraseWithCalibration(session, device);
    }
    session.Step(++done, total, 0);
    // A word that kept its value would stay where the file has nothing, or
    // spoil what is written over it: nothing is written then. Reading changes
    // nothing on the chip, so it takes the quickest waits the board allows.
    const TimingProfile& own = session.Timing();
    session.UseTiming(session.ReadTiming());
    const std::optional<Difference> kept = FirstNotBlank(session, device, erased, done, total);
    session.UseTiming(own);
    if (kept) {
        result.differences = {*kept};
        result.outcome = OperationOutcome::NotErased;
        return;
    }
    for (const Row& row : rows) {
        family.WriteProgramRow(session, row.start, row.words);
        session.Step(++done, total, row.start);
    }
    for (const Location& location : others) {
        WriteLocation(session, family, location);
        session.Step(++done, total, location.address);
    }
    CheckWritten(session, device, image, written, result, done, total);
    if (result.differences.empty() && !configWords.empty()) {
        for (const Location& word : configWords) {
            family.WriteConfigWord(session, word.address, word.value);
            session.Step(++done, total, word.address);
        }
        CheckWritten(session, device, image, configWords, result, done, total);
    }
    if (!result.differences.empty()) {
        result.outcome = OperationOutcome::WriteFailed;
    }
}

// The family's erase, and where it takes the calibration, the calibration
// read before it, kept safe, and written back after it.
void EraseInto(ProgrammingSession& session, const Device& device, const KeepCalibration& keep,
               OperationResult& result) {
    const ChipFamily& family = FamilyOf(device);
    const std::optional<ChipCalibration> taken = ReadErasedCalibration(session, device);
    if (!taken) {
        family.Erase(session, device);
        return;
    }
    if (keep && !keep(*taken)) {
        result.outcome = OperationOutcome::CalibrationNotSaved;
        return;
    }
    const RestoredCalibration restored = Restoring(device, *taken, ChipImage{}, false);
    result.calibrationLost = restored.lost;
    const auto total = static_cast<std::uint32_t>(1 + 2 * (restored.words.size() + 1));
    std::uint32_t done = 0;
    family.Erase(session, device);
    session.Step(++done, total, 0);
    for (const Location& word : restored.words) {
        WriteLocation(session, family, word);
        session.Step(++done, total, word.address);
    }
    family.WriteConfigWord(session, restored.config.address, restored.config.value);
    session.Step(++done, total, restored.config.address);
    std::vector<Location> written = restored.words;
    written.push_back(restored.config);
    CheckWritten(session, device, ChipImage{}, written, result, done, total);
    if (!result.differences.empty()) {
        result.outcome = OperationOutcome::WriteFailed;
    }
}

}  // namespace

bool ChipCalibration::Lost() const {
    return std::ranges::any_of(words, [](const Word& w) { return w.value == kErasedWord; });
}

std::optional<ChipCalibration> ReadErasedCalibration(ProgrammingSession& session,
                                                     const Device& device) {
    if (!FamilyOf(device).EraseTakesCalibration()) {
        return std::nullopt;
    }
    ChipCalibration calibration;
    for (const MemoryRegion* region : RegionsInReach(device, {RegionKind::Calibration})) {
        for (std::uint16_t i = 0; i < region->size; ++i) {
            const auto address = static_cast<std::uint16_t>(region->start + i);
            calibration.words.push_back({address, ReadLocation(session, region->kind, address)});
        }
    }
    calibration.configBits =
        static_cast<std::uint16_t>(ReadLocation(session, MemorySpace::Config, kConfigWordAddress) &
                                   device.configCalibrationBits);
    return calibration;
}

OperationResult Identify(ProgrammingSession& session, const Device* expected) {
    return Guarded<OperationResult>(
        session, [&](OperationResult& result) { IdentifyInto(session, expected, result); });
}

ReadResult Read(ProgrammingSession& session, const Device& device) {
    return Guarded<ReadResult>(session, [&](ReadResult& result) {
        ChipImage& image = result.image;
        const auto programWords = device.WritableProgramWords();
        const auto total = static_cast<std::uint32_t>(programWords + device.eepromBytes);
        std::uint32_t done = 0;
        for (const MemoryRegion* region :
             RegionsInReach(device, {RegionKind::Id, RegionKind::DebugVector, RegionKind::DeviceId,
                                     RegionKind::Config, RegionKind::Calibration})) {
            for (std::uint16_t i = 0; i < region->size; ++i) {
                image.Set(region->kind, i,
                          ReadLocation(session, region->kind,
                                       static_cast<std::uint16_t>(region->start + i)));
            }
        }
        const std::uint16_t config = image.config[0].value_or(kErasedWord);
        const ChipFamily& family = FamilyOf(device);
        const ProtectedRange hidden = family.ProtectedProgram(device, config);
        result.protectedFrom = hidden.from;
        result.protectedTo = hidden.to;
        const auto takeWord = [&](const Location& location, std::uint16_t value) {
            image.program[location.address] = value;
            session.Step(++done, total, location.address);
            return true;
        };
        const auto hiddenFrom = std::min(hidden.from, programWords);
        const auto hiddenTo = std::clamp(hidden.to, hiddenFrom, programWords);
        ReadEach(session, Span(MemorySpace::Program, 0, hiddenFrom), takeWord);
        for (std::uint16_t a = hiddenFrom; a < hiddenTo; ++a) {
            session.Step(++done, total, a);
        }
        ReadEach(session, Span(MemorySpace::Program, hiddenTo, programWords), takeWord);
        result.eepromProtected = family.EepromProtected(device, config);
        if (!result.eepromProtected) {
            ReadEach(session, Span(MemorySpace::Eeprom, 0, device.eepromBytes),
                     [&](const Location& location, std::uint16_t value) {
                         image.eeprom[location.address] = static_cast<std::uint8_t>(value);
                         session.Step(++done, total, location.address);
                         return true;
                     });
        }
    });
}

OperationResult Verify(ProgrammingSession& session, const Device& device, const ChipImage& file,
                       DifferencesKept kept, CalibrationCompared calibration) {
    return Guarded<OperationResult>(session, [&](OperationResult& result) {
        const ChipImage image = PlacedFor(file, device);
        // The configuration word first: code-protected memory reads 0 and
        // must not count as a difference.
        const std::uint16_t config = ReadLocation(session, MemorySpace::Config, kConfigWordAddress);
        std::vector<Location> locations = LocationsOf(image, device, true);
        if (calibration == CalibrationCompared::FromFile) {
            for (Location& location : locations) {
                if (location.space == MemorySpace::Config &&
                    location.address == kConfigWordAddress) {
                    location.mask = device.configImplemented;
                }
            }
            for (const MemoryRegion* region : RegionsInReach(device, {RegionKind::Calibration})) {
                for (std::uint16_t i = 0; i < region->size; ++i) {
                    if (const auto value = image.Value(region->kind, i)) {
                        locations.push_back(
                            {region->kind, static_cast<std::uint16_t>(region->start + i), *value});
                    }
                }
            }
        }
        std::erase_if(locations, [&](const Location& location) {
            return HiddenByProtection(device, config, location, result);
        });
        std::uint32_t done = 0;
        CompareLocations(session, device, locations, result, done,
                         static_cast<std::uint32_t>(locations.size()),
                         kept == DifferencesKept::All);
        if (!result.differences.empty()) {
            result.outcome = OperationOutcome::Differs;
        } else if (result.ProgramProtected() || result.eepromProtected) {
            result.outcome = OperationOutcome::Protected;
        }
    });
}

OperationResult BlankCheck(ProgrammingSession& session, const Device& device,
                           const std::vector<RegionKind>& scope) {
    return Guarded<OperationResult>(session, [&](OperationResult& result) {
        const std::vector<Location> locations = BlankLocations(device, scope);
        std::uint32_t done = 0;
        if (const auto first = FirstNotBlank(session, device, locations, done,
                                             static_cast<std::uint32_t>(locations.size()))) {
            Note(result, *first);
            result.outcome = OperationOutcome::NotBlank;
        }
    });
}

OperationResult Write(ProgrammingSession& session, const Device& device, const ChipImage& image,
                      const WriteOptions& options) {
    return Guarded<OperationResult>(session, [&](OperationResult& result) {
        WriteInto(session, device, PlacedFor(image, device), options, result);
    });
}

OperationResult EraseChip(ProgrammingSession& session, const Device& device,
                          const KeepCalibration& keep) {
    return Guarded<OperationResult>(
        session, [&](OperationResult& result) { EraseInto(session, device, keep, result); });
}

std::optional<Difference> FirstLocationOutside(const ChipImage& file, const Device& device) {
    const ChipImage image = PlacedFor(file, device);
    for (RegionKind kind : {RegionKind::Program, RegionKind::Eeprom, RegionKind::Config}) {
        const MemoryRegion* region = FindRegion(device.regions, kind);
        const std::uint16_t start = region != nullptr ? region->start : kConfigWordAddress;
        for (std::size_t i = region != nullptr ? region->size : 0; i < ChipImage::Capacity(kind);
             ++i) {
            if (const std::optional<std::uint16_t> value = image.Value(kind, i)) {
                return Difference{kind, static_cast<std::uint16_t>(start + i), *value, 0};
            }
        }
    }
    return std::nullopt;
}

}  // namespace tallis
