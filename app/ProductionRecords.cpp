#include "app/ProductionRecords.h"

#include <chrono>
#include <cstdio>

#include "app/FileNames.h"
#include "app/ProductionText.h"
#include "app/Sha256.h"
#include "engine/ResultText.h"
#include "image/ImageChecksum.h"

namespace tallis {

std::filesystem::path DefaultSerialFile(const std::filesystem::path& firmware) {
    return std::filesystem::path(firmware).replace_extension(".serial");
}

std::string ChipRunLine(const WrittenChip& chip, const Device* asked) {
    const ChipRun& run = chip.run;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, ", %.2f s", static_cast<double>(run.durationUs) / 1e6);
    const std::string serial = chip.serial ? ", serial " + std::to_string(*chip.serial) : "";
    const std::string number = "Chip " + std::to_string(run.number);
    if (run.Passed()) {
        const Device& device = *run.report.Chip();
        return number + ": passed: " + ChipText(device, run.report.result.idWord) + serial +
               ", checksum " + ChecksumText(ImageChecksum(chip.image, device)) + seconds;
    }
    return number + ": FAILED" + serial + ": " + ChipRunProblem(run, asked) + seconds;
}

ProductionRecords::ProductionRecords(const ProductionRecordSettings& settings,
                                     const ChipImage& file, const Device* asked, Notice notice)
    : settings_(settings), file_(file), asked_(asked), notice_(std::move(notice)) {}

std::string ProductionRecords::Open(const std::filesystem::path& firmware,
                                    const std::string& fileText,
                                    const std::function<bool()>& giveUp) {
    if (std::string problem = OpenCounter(giveUp); !problem.empty()) {
        return problem;
    }
    if (!settings_.logPath) {
        return {};
    }
    base_.board = settings_.board;
    base_.file = PathText(firmware.filename());
    base_.sha256 = Sha256Hex(fileText);
    logging_ = true;
    return log_.Open(*settings_.logPath, settings_.logFormat);
}

std::string ProductionRecords::OpenCounter(const std::function<bool()>& giveUp) {
    if (!settings_.serial) {
        return {};
    }
    if (!settings_.serialOverwrite) {
        if (std::optional<std::string> filled = LocationFilledByFile(file_, settings_.serial->at)) {
            return "the file has data at " + *filled +
                   ", where the serial number would go; --serial-overwrite replaces it";
        }
    }
    const std::filesystem::path& path = settings_.serialFile;
    std::string error = lock_.Acquire(
        path, [&] { notice_("waiting for another run to finish with " + PathText(path)); }, giveUp);
    if (!error.empty()) {
        return error;
    }
    counter_ = SerialCounter::Open(path, settings_.serial->start, settings_.serial->step, error);
    if (counter_) {
        for (const std::uint64_t abandoned : counter_->Abandoned()) {
            notice_("serial number " + std::to_string(abandoned) +
                    " was in a chip that had not verified when the last run ended; "
                    "it is not used again");
        }
    }
    return error;
}

std::optional<ChipImage> ProductionRecords::ImageFor(std::optional<std::uint64_t>& serial) {
    const std::scoped_lock lock(mutex_);
    serial.reset();
    if (!counter_) {
        return file_;
    }
    const SerialPlan& plan = *settings_.serial;
    const auto values = EncodeSerial(counter_->Next(), plan.format, plan.at);
    if (!values) {
        notice_("serial number " + std::to_string(counter_->Next()) +
                " does not fit the --serial-at location");
        return std::nullopt;
    }
    std::uint64_t number = 0;
    if (std::string error = counter_->Attempt(number); !error.empty()) {
        notice_(error + "; the chip was not written");
        return std::nullopt;
    }
    ChipImage image = file_;
    PlaceSerial(image, plan.at, *values);
    serial = number;
    return image;
}

bool ProductionRecords::Record(const WrittenChip& chip, const std::function<void()>& shown) {
    const std::scoped_lock lock(mutex_);
    if (shown) {
        shown();
    }
    bool kept = true;
    if (counter_ && chip.serial) {
        if (std::string error = counter_->Finish(*chip.serial, chip.run.Passed()); !error.empty()) {
            notice_(error);
            kept = false;
        }
    }
    if (logging_) {
        if (std::string error = log_.Append(Entry(chip)); !error.empty()) {
            notice_(error);
            kept = false;
        }
    }
    return kept;
}

ChipLogEntry ProductionRecords::Entry(const WrittenChip& chip) const {
    const ChipRun& run = chip.run;
    ChipLogEntry entry = base_;
    entry.time = UtcTimestamp(std::chrono::system_clock::now());
    entry.port = chip.port;
    entry.chip = run.number;
    if (const Device* device = run.report.Chip()) {
        entry.device = device->name;
        entry.revision = device->Revision(run.report.result.idWord);
        entry.checksum = ChecksumText(ImageChecksum(chip.image, *device));
    }
    entry.serial = chip.serial;
    entry.passed = run.Passed();
    entry.problem = ChipRunProblem(run, asked_);
    entry.firstDifference = FirstDifference(run);
    entry.durationS = static_cast<double>(run.durationUs) / 1e6;
    return entry;
}

}  // namespace tallis
