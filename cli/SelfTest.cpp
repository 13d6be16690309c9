#include "cli/SelfTest.h"

#include <algorithm>
#include <functional>

#include "app/DifferenceList.h"
#include "app/OperationFlow.h"
#include "classic/ClassicProgrammer.h"
#include "classic/ProgramRun.h"
#include "classic/RunHost.h"
#include "cli/OperationText.h"
#include "cli/SelfTestImages.h"
#include "engine/ChipType.h"
#include "engine/LineCheck.h"
#include "image/ChipImageHex.h"
#include "wire/ParallelPortTransport.h"
#include "wire/TargetLines.h"

namespace tallis {

namespace {

// The classic run's window: its chip type follows the identified device, and
// its one message is kept for the report.
class SelfTestRunHost : public RunHost {
  public:
    void SetChip(const Device& device) { chip_ = ClassicChipOf(device); }
    const std::string& Message() const { return message_; }

    ChipType SelectedChip() const override { return chip_; }
    int OptionsPortChoice() const override { return lptNumber_; }
    void SetPortChoice(int lptNumber) { lptNumber_ = lptNumber; }
    void ShowStatus(const std::string&) override {}
    void SetGauge(int) override {}
    // Only the first line: the verify error's hints are for the desktop user.
    void ShowMessage(const std::string& text) override {
        message_ = text.substr(0, text.find_first_of("\r\n"));
    }
    void ProcessEvents() override {}

  private:
    ChipType chip_ = ChipType::Pic16F877A;
    int lptNumber_ = 0;
    std::string message_;
};

std::string OutcomeText(const OperationResult& result, const Device* asked) {
    switch (result.outcome) {
        case OperationOutcome::PortError:
            return "the parallel port refused " + std::to_string(result.portFailures) + " accesses";
        case OperationOutcome::Differs:
            return "the chip does not hold what was written";
        case OperationOutcome::NotBlank:
            return "the chip is not blank after the erase";
        case OperationOutcome::NotErased:
            return "the erase did not clear the chip";
        case OperationOutcome::WriteFailed:
            return "what was written does not read back";
        case OperationOutcome::TooLarge:
            return "the image holds memory the chip does not have";
        case OperationOutcome::Protected:
            return "the chip is code-protected: what was written cannot be read back";
        case OperationOutcome::Cancelled:
            return "interrupted; the chip was left with VPP off";
        default:
            return IdentifyDiagnosis(result, asked);
    }
}

// Program memory and the configuration word of the example: what the
// classic run writes and what is read back after it.
std::optional<ChipImage> ClassicPart(const FirmwareImage& example) {
    HexParseResult parsed = ParseChipImageHex(example.Text());
    if (!parsed) {
        return std::nullopt;
    }
    ChipImage image;
    image.program = parsed.image->program;
    image.config[0] = parsed.image->config[0];
    return image;
}

class SelfTest {
  public:
    explicit SelfTest(const SelfTestSetup& setup) : setup_(setup) {
        host_.SetPortChoice(setup.lptNumber);
    }

    SelfTestResult Run() {
        bool stopped = false;
        bool asked = false;
        for (const PlannedStep& planned : Plan()) {
            if (!stopped && !planned.gate && !asked) {
                asked = true;
                result_.declined = !setup_.confirm(result_.chip);
                stopped = result_.declined;
            }
            if (!stopped && Interrupted()) {
                result_.interrupted = true;
                stopped = true;
            }
            if (stopped) {
                SelfTestStep notRun;
                notRun.name = planned.name;
                result_.steps.push_back(notRun);
                continue;
            }
            stopped = (!RunStep(planned.name, planned.body) && planned.gate) || result_.interrupted;
        }
        return std::move(result_);
    }

  private:
    // A step to come. The gates (line check, identify) must pass for the
    // others to run, and nothing is erased before the user confirms.
    struct PlannedStep {
        std::string name;
        bool gate;
        std::function<void(SelfTestStep&)> body;
    };

    std::vector<PlannedStep> Plan() {
        std::vector<PlannedStep> plan;
        plan.push_back({"line check", true, [this](SelfTestStep& step) { CheckLines(step); }});
        const std::vector<const NamedTimingProfile*> profiles = Profiles();
        for (const NamedTimingProfile* profile : profiles) {
            plan.push_back({WithProfile("identify", *profile), true,
                            [this, profile](SelfTestStep& step) { IdentifyChip(step, *profile); }});
        }
        for (const NamedTimingProfile* profile : profiles) {
            plan.push_back(
                {WithProfile("erase + blank check", *profile), false,
                 [this, profile](SelfTestStep& step) { EraseAndBlankCheck(step, *profile); }});
        }
        for (std::size_t i = 0; i < std::size(kSelfTestImageNames); ++i) {
            for (const NamedTimingProfile* profile : profiles) {
                plan.push_back({WithProfile("write + verify + read-back, " +
                                                std::string(kSelfTestImageNames[i]),
                                            *profile),
                                false, [this, i, profile](SelfTestStep& step) {
                                    WriteAndReadBack(step, *profile, images_.at(i));
                                }});
            }
        }
        plan.push_back({"classic Erase + Program + Verify of " + setup_.exampleName, false,
                        [this](SelfTestStep& step) { ProgramExample(step); }});
        plan.push_back({"reset", false, [this](SelfTestStep& step) { ResetTarget(step); }});
        return plan;
    }

    // Every profile; a quick test only the fast one, the classic waits being
    // left to the classic Erase + Program + Verify.
    std::vector<const NamedTimingProfile*> Profiles() const {
        std::vector<const NamedTimingProfile*> profiles;
        for (const NamedTimingProfile& profile : kTimingProfiles) {
            if (!setup_.quick || profile.timing == &kFastTiming) {
                profiles.push_back(&profile);
            }
        }
        return profiles;
    }

    static std::string WithProfile(const std::string& name, const NamedTimingProfile& profile) {
        return name + " (" + std::string(profile.name) + " timing)";
    }

    // Runs one step, times it and hands it on; false when it failed.
    bool RunStep(const std::string& name, const std::function<void(SelfTestStep&)>& body) {
        SelfTestStep step;
        step.name = name;
        step.status = StepStatus::Passed;
        const std::uint64_t start = setup_.nowUs();
        const std::uint64_t failuresBefore = setup_.port.FailedAccesses();
        body(step);
        if (const std::uint64_t refused = setup_.port.FailedAccesses() - failuresBefore;
            refused != 0 && step.status == StepStatus::Passed) {
            Fail(step, "the parallel port refused " + std::to_string(refused) + " accesses");
        }
        step.durationUs = setup_.nowUs() - start;
        if (setup_.stepDone) {
            setup_.stepDone(step);
        }
        result_.steps.push_back(step);
        return step.status != StepStatus::Failed;
    }

    static void Fail(SelfTestStep& step, std::string why,
                     const std::vector<Difference>& differences = {}) {
        step.status = StepStatus::Failed;
        step.detail = std::move(why);
        step.differences = DifferenceLines(differences);
    }

    // Runs one chip command, or a series of them, in a session with the
    // profile's waits on the wire that the line check has set, and takes its
    // report into the step; false when it failed.
    bool Take(SelfTestStep& step, const TimingProfile& timing, const OperationRequest& request,
              OperationReport& report) {
        report = RunOperation(
            lines_, {.timing = &timing, .progress = setup_.progress, .checkedLines = &board_},
            request);
        const OperationResult& result = report.result;
        if (result.outcome == OperationOutcome::Completed) {
            return true;
        }
        result_.interrupted = result.outcome == OperationOutcome::Cancelled;
        Fail(step, OutcomeText(result, request.asked), result.differences);
        return false;
    }

    bool Interrupted() const {
        return setup_.progress != nullptr && setup_.progress->CancelRequested();
    }

    // RB7 as the status register reads it, with the target held in reset so
    // that the chip itself drives nothing. The rise time it measures paces
    // the fast profile's bits.
    void CheckLines(SelfTestStep& step) {
        const LineCheckResult lines = tallis::CheckLines(lines_);
        lines_.Drive(target_lines::kDataReleased);
        lines_.Drive(target_lines::kRunning);
        switch (lines.fault) {
            case LineFault::NotHeldLow:
                Fail(step,
                     "RB7 reads 1 while the port holds it low: the data line does not reach the "
                     "board (cable, board power, the port's mode)");
                break;
            case LineFault::StuckLow:
                Fail(step,
                     "RB7 reads 0 when released: something holds the data line low (a load on "
                     "RB7, a short on the board)");
                break;
            case LineFault::RisesTooSlowly:
                Fail(step, "RB7 takes more than " + std::to_string(LineCheckResult::kMaxRiseUs) +
                               " us to rise when released: its pull-up is missing or too weak");
                break;
            case LineFault::None:
                board_ = lines;
                step.detail = "RB7 reads 0 held low and 1 released within " +
                              std::to_string(lines.riseUs) + " us, MCLR low";
                break;
        }
    }

    void IdentifyChip(SelfTestStep& step, const NamedTimingProfile& profile) {
        OperationReport report;
        if (!Take(step, *profile.timing,
                  {.kind = DeviceCommandKind::Identify, .asked = setup_.asked}, report)) {
            return;
        }
        const std::string chip = ChipText(*report.Chip(), report.result.idWord);
        if (device_ != nullptr && chip != result_.chip) {
            Fail(step, "found " + chip + ", but " + result_.chip + " before");
            return;
        }
        device_ = report.Chip();
        images_ = SelfTestImages(*device_);
        result_.chip = chip;
        step.detail = chip;
    }

    void EraseAndBlankCheck(SelfTestStep& step, const NamedTimingProfile& profile) {
        const ChipImage nothing;
        OperationReport report;
        if (Take(step, *profile.timing,
                 {.kind = DeviceCommandKind::WriteAll,
                  .asked = device_,
                  .file = &nothing,
                  .then = {DeviceCommandKind::BlankCheck}},
                 report)) {
            step.detail = "blank";
        }
    }

    void WriteAndReadBack(SelfTestStep& step, const NamedTimingProfile& profile,
                          const ChipImage& image) {
        OperationReport read;
        if (!Take(step, *profile.timing,
                  {.kind = DeviceCommandKind::WriteAll,
                   .asked = device_,
                   .file = &image,
                   .then = {DeviceCommandKind::Verify, DeviceCommandKind::Read}},
                  read)) {
            return;
        }
        if (auto differences = ReadBackDifferences(*device_, image, read.result.image);
            !differences.empty()) {
            Fail(step, "the chip read back differs from what was written", differences);
            return;
        }
        step.detail = "written, verified and read back";
    }

    void ProgramExample(SelfTestStep& step) {
        if (!HasClassicCommands(*device_)) {
            step.status = StepStatus::Skipped;
            step.detail = "the classic commands are for the PIC16F87x and PIC16F87xA, not the " +
                          std::string(device_->name);
            return;
        }
        host_.SetChip(*device_);
        ClassicProgrammer classic(lines_, host_);
        ProgramRun run(classic, host_);
        if (run.Execute(setup_.example) != RunOutcome::Completed) {
            Fail(step, host_.Message().empty() ? "the run ended without its end record"
                                               : host_.Message());
            return;
        }
        std::optional<ChipImage> written = ClassicPart(setup_.example);
        if (!written) {
            step.detail = host_.Message() + " (the file is not strict Intel HEX: not read back)";
            return;
        }
        OperationReport verified;
        if (Take(step, kClassicTiming,
                 {.kind = DeviceCommandKind::Verify, .asked = device_, .file = &*written},
                 verified)) {
            step.detail = host_.Message() + "; verified again";
        }
    }

    void ResetTarget(SelfTestStep& step) {
        ClassicProgrammer(lines_, host_).ResetCpu();
        step.detail = "the target was reset and runs";
    }

    const SelfTestSetup& setup_;
    SelfTestRunHost host_;
    const Device* device_ = nullptr;
    ParallelPortTransport lines_{setup_.port, setup_.timer, setup_.board, setup_.portBase};
    LineCheckResult board_;          // what the line check learned, for the sessions that follow
    std::vector<ChipImage> images_;  // in the order of kSelfTestImageNames
    SelfTestResult result_;
};

}  // namespace

bool SelfTestResult::Passed() const {
    return std::ranges::all_of(steps, [](const SelfTestStep& step) {
        return step.status == StepStatus::Passed || step.status == StepStatus::Skipped;
    });
}

SelfTestResult RunSelfTest(const SelfTestSetup& setup) {
    return SelfTest(setup).Run();
}

}  // namespace tallis
