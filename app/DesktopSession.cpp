#include "app/DesktopSession.h"

#include <cctype>
#include <fstream>
#include <future>
#include <mutex>

#include "app/CommandTexts.h"
#include "app/DeviceReportText.h"
#include "app/EntryText.h"
#include "app/FileNames.h"
#include "app/HostProgress.h"
#include "app/MessageLines.h"
#include "app/PortAddress.h"
#include "app/SessionView.h"
#include "app/StartupTexts.h"
#include "app/ThreadPriority.h"
#include "classic/ProgramRun.h"
#include "engine/ChipType.h"
#include "image/ChipImageHex.h"
#include "timing/EngineTimerSettings.h"
#include "wire/TargetLines.h"

namespace tallis {

namespace {

ChipType ChipFromSetting(const std::string& chip) {
    return chip == ClassicDevice(ChipType::Pic16F877).option ? ChipType::Pic16F877
                                                             : ChipType::Pic16F877A;
}

// The remembered board file, if the remembered board is one. A board that can
// no longer be used (a file moved away) leaves the default board in force.
std::shared_ptr<const board::OwnedBoard> RememberedBoardFile(WindowSettings& settings) {
    board::BoardChoice choice = board::ChooseAnyBoard(settings.board);
    if (choice.board == nullptr && choice.ftdi == nullptr) {
        settings.board = std::string(board::kDefaultBoard.name);
    }
    return std::move(choice.owned);
}

// The parallel port's board: the default one while a board on an FTDI chip is
// in force.
const board::BoardWiring* RememberedBoard(const WindowSettings& settings,
                                          const std::shared_ptr<const board::OwnedBoard>& file) {
    if (file) {
        return file->Ftdi() != nullptr ? &board::kDefaultBoard : &file->Wiring();
    }
    const board::BoardWiring* builtIn = board::FindBoard(settings.board);
    return builtIn != nullptr ? builtIn : &board::kDefaultBoard;
}

const board::FtdiWiring* RememberedFtdiBoard(const WindowSettings& settings,
                                             const std::shared_ptr<const board::OwnedBoard>& file) {
    return file ? file->Ftdi() : board::FindFtdiWiring(settings.board);
}

}  // namespace

DesktopSession::DesktopSession(Target& target, SessionView& view, SettingsStore* store)
    : target_(target),
      view_(view),
      store_(store),
      settings_(store != nullptr ? LoadWindowSettings(*store) : WindowSettings{}),
      windowThread_(std::this_thread::get_id()),
      timer_(target.MakeTimer()),
      boardFile_(RememberedBoardFile(settings_)),
      board_(RememberedBoard(settings_, boardFile_)),
      ftdiBoard_(RememberedFtdiBoard(settings_, boardFile_)),
      lines_(std::make_unique<ParallelPortTransport>(target.Port(), *timer_, *board_)),
      programmer_(std::make_unique<ClassicProgrammer>(*lines_, *this)),
      chip_(ChipFromSetting(settings_.chip)) {
    if (settings_.deviceChip != "auto" && FindDevice(settings_.deviceChip) == nullptr) {
        settings_.deviceChip = "auto";
    }
}

DesktopSession::~DesktopSession() = default;

void DesktopSession::Begin() {
    programmer_->SelectPort(1);
    programmer_->LeaveProgramMode();
    PowerOffIfSwitched();
    RestorePort();
}

// The remembered port, without a word in the status bar: the driver's start
// is the first thing it says.
void DesktopSession::RestorePort() {
    if (settings_.portNumber != 0) {
        programmer_->SelectPort(settings_.portNumber);
    } else if (target_.ClaimPort(settings_.portBase)) {
        programmer_->SelectPortAddress(settings_.portBase);
    }
    portChoice_.store(settings_.portNumber);
}

bool DesktopSession::StartUp(const std::function<void()>& calibrating,
                             std::function<void()> calibrated) {
    // A board on an FTDI chip needs no parallel port.
    if (!target_.DriverStarted() && ftdiBoard_ == nullptr) {
        return false;
    }
    ShowStatus(std::string(kDriverStartedStatus));
    calibrating();
    timer_->SetEnabled(true);
    StartWork(
        [this, calibrated = std::move(calibrated)]() -> Completion {
            timer_->Calibrate(kStartupCalibrationMs);
            return [this, calibrated] {
                startupDone_ = true;
                calibrated();
            };
        },
        false);
    return true;
}

void DesktopSession::Close(std::optional<WindowPosition> position) {
    if (position) {
        settings_.position = position;
    }
    SaveSettings();
    programmer_->LeavePort();
}

void DesktopSession::SaveSettings() {
    settings_.portNumber = PortNumber();
    settings_.portBase = PortBase();
    settings_.chip = ClassicDevice(SelectedChip()).option;
    if (store_ != nullptr) {
        SaveWindowSettings(settings_, *store_);
    }
}

std::string DesktopSession::ApplyBoard(const std::string& nameOrFile) {
    if (Running()) {
        return "a command is running";
    }
    board::BoardChoice choice = board::ChooseAnyBoard(nameOrFile);
    if (choice.board == nullptr && choice.ftdi == nullptr) {
        return choice.problem;
    }
    if (choice.board != nullptr && !target_.DriverStarted()) {
        return std::string(kNoParallelPortRefusal);
    }
    // A board on an FTDI chip leaves the parallel port's lines, unused, on the
    // default board.
    const board::BoardWiring& parallel =
        choice.board != nullptr ? *choice.board : board::kDefaultBoard;
    const std::int32_t portNumber = PortNumber();
    const std::uint16_t portBase = PortBase();
    auto lines =
        std::make_unique<ParallelPortTransport>(target_.Port(), *timer_, parallel, portBase);
    auto programmer = std::make_unique<ClassicProgrammer>(*lines, *this);
    if (portNumber != 0) {
        programmer->SelectPort(portNumber);
    }
    // The old programmer goes before the lines it drives, and they before
    // the board file they were made from.
    programmer_ = std::move(programmer);
    lines_ = std::move(lines);
    boardFile_ = std::move(choice.owned);
    board_ = &parallel;
    ftdiBoard_ = choice.ftdi;
    settings_.board = nameOrFile;
    SaveSettings();
    view_.CommandStateChanged();  // the classic commands go with a parallel-port board only
    return {};
}

void DesktopSession::ApplyFtdiDevice(const std::string& selector) {
    settings_.ftdiDevice = selector;
    SaveSettings();
}

void DesktopSession::PowerOffIfSwitched() {
    if (board_->SwitchesTarget()) {
        target_lines::PowerOff(*lines_);
    }
}

void DesktopSession::SelectChip(ChipType chip) {
    chip_.store(chip);
    SaveSettings();
}

void DesktopSession::SelectDeviceChip(const Device* device) {
    settings_.deviceChip = device != nullptr ? std::string(device->option) : "auto";
    SaveSettings();
}

const Device* DesktopSession::DeviceChip() const {
    return settings_.deviceChip == "auto" ? nullptr : FindDevice(settings_.deviceChip);
}

const Device& DesktopSession::ViewDevice() const {
    if (const Device* asked = DeviceChip()) {
        return *asked;
    }
    if (identified_ != nullptr) {
        return *identified_;
    }
    return ClassicDevice(SelectedChip());
}

void DesktopSession::ShowOpenFileImage(bool showEmpty) {
    if (image_) {
        HexParseResult parsed = ParseChipImageHex(image_->Text());
        if (!parsed) {
            ShowStatus("Memory view: " + parsed.error);
            return;
        }
        view_.ShowChipImage(*parsed.image, ViewDevice(), PathText(OpenedPath().filename()), {});
    } else if (showEmpty) {
        view_.ShowChipImage(ChipImage{}, ViewDevice(), "no file open", {});
    }
}

void DesktopSession::UseFastTiming(bool fast) {
    settings_.fastTiming = fast;
    SaveSettings();
}

void DesktopSession::UsePortDriver(PortDriver driver) {
    settings_.portDriver = driver;
    SaveSettings();
}

bool DesktopSession::Open(const std::filesystem::path& path) {
    if (Running()) {
        return false;
    }
    ImageLoadResult loaded = LoadFirmwareImage(path);
    if (!loaded.image) {
        view_.ShowMessage(DisplayLines(loaded.error));
        return false;
    }
    image_ = std::move(loaded.image);
    openedFile_.Opened(path);
    const std::filesystem::path absolute = std::filesystem::absolute(path).lexically_normal();
    settings_.lastFolder = PathText(absolute.parent_path());
    settings_.AddRecentFile(PathText(absolute));
    SaveSettings();
    view_.CommandStateChanged();
    return true;
}

DesktopSession::OpenFileState DesktopSession::ReloadIfChanged() {
    if (!openedFile_.ChangedOnDisk()) {
        return OpenFileState::Unchanged;
    }
    return Open(std::filesystem::path(openedFile_.Path())) ? OpenFileState::Reloaded
                                                           : OpenFileState::Unusable;
}

void DesktopSession::ProgramVerify() {
    if (!EngineCommandAllowed() || !image_ || ftdiBoard_ != nullptr) {
        return;
    }
    const OpenFileState state = ReloadIfChanged();
    if (state == OpenFileState::Unusable) {
        return;
    }
    const bool reloaded = state == OpenFileState::Reloaded;
    StartWork(
        [this, image = image_, reloaded]() -> Completion {
            ProgramRun run(*programmer_, *this);
            const RunOutcome outcome = run.Execute(*image);
            PowerOffIfSwitched();
            if (outcome == RunOutcome::Cancelled) {
                return [this, status = CancelledStatus(run.CancelledAt)] { ShowStatus(status); };
            }
            if (reloaded) {
                return [this] { ShowStatus(std::string(kReloadedStatus)); };
            }
            return {};
        },
        true);
}

void DesktopSession::Erase() {
    RunToEnd(&ClassicProgrammer::EraseOnly, kEraseDoneStatus, true);
}

// Reset leaves the target powered and running.
void DesktopSession::Reset() {
    RunToEnd(&ClassicProgrammer::ResetCpu, kResetDoneStatus, false);
}

// A classic command that Cancel does not stop, then what it did in the status bar.
void DesktopSession::RunToEnd(void (ClassicProgrammer::*command)(), std::string_view doneStatus,
                              bool powerOff) {
    if (!EngineCommandAllowed() || ftdiBoard_ != nullptr) {
        return;
    }
    StartWork(
        [this, command, done = std::string(doneStatus), powerOff]() -> Completion {
            ((*programmer_).*command)();
            if (powerOff) {
                PowerOffIfSwitched();
            }
            return [this, done] { ShowStatus(done); };
        },
        false);
}

void DesktopSession::RunDevice(DeviceCommandKind kind, const std::filesystem::path& savePath,
                               bool allowLvpOff) {
    const bool needsFile = kind == DeviceCommandKind::Verify || kind == DeviceCommandKind::WriteAll;
    if (!EngineCommandAllowed() || (needsFile && !image_)) {
        return;
    }
    const OpenFileState state = needsFile ? ReloadIfChanged() : OpenFileState::Unchanged;
    if (state == OpenFileState::Unusable) {
        return;
    }
    std::shared_ptr<const ChipImage> file;
    if (needsFile) {
        HexParseResult parsed = ParseChipImageHex(image_->Text());
        if (!parsed) {
            view_.ShowMessage("This file cannot be used: " + parsed.error);
            return;
        }
        file = std::make_shared<const ChipImage>(std::move(*parsed.image));
    }
    if (state == OpenFileState::Reloaded) {
        // Said now: the report's own status line replaces it at the end.
        ShowStatus(std::string(kReloadedStatus));
    }
    const TimingProfile& timing = settings_.fastTiming ? kFastTiming : kClassicTiming;
    StartWork(
        [this, kind, asked = DeviceChip(), &timing, file, savePath, allowLvpOff]() -> Completion {
            HostProgress progress(*this);
            CalibrationKeeper keeper;
            std::string problem;
            std::shared_ptr<OperationReport> report =
                RunOnBoard({.timing = &timing, .progress = &progress},
                           {.kind = kind,
                            .asked = asked,
                            .file = file.get(),
                            // Every difference, for the memory view to mark.
                            .kept = DifferencesKept::All,
                            .write = {.allowLvpOff = allowLvpOff},
                            .keeper = &keeper},
                           problem);
            if (!report) {
                return [this, problem] {
                    view_.ShowStatus(std::string(kFtdiUnavailableStatus));
                    view_.ShowMessage(DisplayLines(problem));
                };
            }
            return [this, kind, report, asked, file, savePath,
                    cancelled = CancelledStatus(progress.LastAddress())] {
                ShowDeviceReport(kind, *report, cancelled, asked, file.get(), savePath);
            };
        },
        true);
}

namespace {

// What a desktop production run holds for as long as it runs.
struct DesktopProductionRun {
    DesktopProductionRun(const ProductionChoice& choice, ChipImage image, const Device* asked,
                         ProductionRecords::Notice notice)
        : count(choice.count),
          file(std::move(image)),
          records(choice.records, file, asked, std::move(notice)) {}

    unsigned count;
    ChipImage file;
    ProductionRecords records;
    std::string port;
};

// What went wrong beside the chips (a serial number abandoned by an earlier
// run, a log line that could not be written): each in the status bar as it
// comes, and all of them in a message at the run's end.
class ProductionNotices {
  public:
    void Add(const std::string& notice) {
        const std::scoped_lock lock(mutex_);
        text_ += (text_.empty() ? "" : "\n") + notice;
    }
    std::string Text() const {
        const std::scoped_lock lock(mutex_);
        return text_;
    }

  private:
    mutable std::mutex mutex_;
    std::string text_;
};

std::string ProductionSummaryText(const ProductionTally& tally, bool stopped) {
    return "Production: " + std::to_string(tally.passed) + " passed, " +
           std::to_string(tally.failed) + " failed" + (stopped ? "; stopped, VPP off" : "");
}

}  // namespace

void DesktopSession::RememberProductionForm(const ProductionForm& form) {
    settings_.production = form;
    SaveSettings();
}

std::string DesktopSession::StartProduction(const ProductionChoice& choice,
                                            ProductionObserver observer) {
    if (!EngineCommandAllowed() || !image_) {
        return "Open a file first";
    }
    if (ReloadIfChanged() == OpenFileState::Unusable) {
        return "The file cannot be read";
    }
    HexParseResult parsed = ParseChipImageHex(image_->Text());
    if (!parsed) {
        return "This file cannot be used: " + parsed.error;
    }
    const Device* asked = DeviceChip();
    auto notices = std::make_shared<ProductionNotices>();
    auto run = std::make_shared<DesktopProductionRun>(choice, std::move(*parsed.image), asked,
                                                      [this, notices](const std::string& notice) {
                                                          notices->Add(notice);
                                                          ShowStatus(notice);
                                                      });
    if (std::string problem =
            run->records.Open(OpenedPath(), std::string(image_->Text()), [] { return true; });
        !problem.empty()) {
        return problem;
    }
    const bool simulated = target_.AccessPath(PortBase()) == "simulated";
    run->port = ftdiBoard_ == nullptr ? ProductionPortLabel(PortBase(), PortNumber(), simulated)
                                      : FtdiPortLabel(settings_.ftdiDevice, simulated);
    target_.BeginProductionRun();
    const TimingProfile& timing = settings_.fastTiming ? kFastTiming : kClassicTiming;
    const ProductionSettings settings{
        .count = run->count, .powerOffBetween = ftdiBoard_ == nullptr && board_->SwitchesTarget()};
    StartWork(
        [this, run, notices, asked, &timing, settings,
         observer = std::move(observer)]() -> Completion {
            HostProgress progress(*this);
            ProductionTally tally;
            ChipImage written;
            std::optional<std::uint64_t> serial;
            const auto imageFor = [&](unsigned) {
                std::optional<ChipImage> image = run->records.ImageFor(serial);
                written = image.value_or(ChipImage{});
                return image;
            };
            const auto record = [&](const ChipRun& chip) {
                const WrittenChip done{chip, written, serial, run->port};
                const bool kept = run->records.Record(done);
                (chip.Passed() ? tally.passed : tally.failed) += 1;
                tally.lastPassed = chip.Passed();
                tally.lastLine = ChipRunLine(done, asked);
                Show([observer, tally] { observer.chipDone(tally); });
                return kept;
            };
            ProductionSummary summary;
            std::string problem;
            OnBoardLines(
                [&](LineTransport& lines) {
                    summary = RunProduction(
                        lines, {.timing = &timing, .progress = &progress}, asked, settings,
                        {.imageFor = imageFor, .written = record, .nowUs = [this] {
                             return target_.NowUs();
                         }});
                },
                problem);
            if (!problem.empty()) {
                notices->Add(problem);
            }
            return [this, observer, tally, stopped = summary.stopped, notices] {
                ShowStatus(ProductionSummaryText(tally, stopped));
                observer.ended(tally);
                if (const std::string text = notices->Text(); !text.empty()) {
                    view_.ShowMessage(DisplayLines(text));
                }
            };
        },
        true);
    return {};
}

bool DesktopSession::OnBoardLines(const std::function<void(LineTransport&)>& work,
                                  std::string& problem) {
    if (ftdiBoard_ == nullptr) {
        work(*lines_);
        PowerOffIfSwitched();
        return true;
    }
    std::unique_ptr<FtdiTarget> ftdi = target_.OpenFtdi(settings_.ftdiDevice, *ftdiBoard_, problem);
    if (!ftdi) {
        return false;
    }
    problem = ftdi->Start();
    if (problem.empty()) {
        work(ftdi->Lines());
    }
    // Every pin an input again, whatever happened.
    ftdi->Finish();
    return problem.empty();
}

std::unique_ptr<OperationReport> DesktopSession::RunOnBoard(const SessionSetup& setup,
                                                            const OperationRequest& request,
                                                            std::string& problem) {
    std::unique_ptr<OperationReport> report;
    OnBoardLines(
        [&](LineTransport& lines) {
            report = std::make_unique<OperationReport>(RunOperation(lines, setup, request));
        },
        problem);
    return report;
}

void DesktopSession::ShowDeviceReport(DeviceCommandKind kind, const OperationReport& report,
                                      const std::string& cancelledStatus, const Device* asked,
                                      const ChipImage* file,
                                      const std::filesystem::path& savePath) {
    if (report.Chip() != nullptr) {
        identified_ = report.Chip();
    }
    if (report.Outcome() == OperationOutcome::LvpOffRefused &&
        view_.AskYesNo(LvpOffQuestion(report.result.differences.at(0).expected))) {
        view_.Post([this] { RunDevice(DeviceCommandKind::WriteAll, {}, true); });
        return;
    }
    DeviceReportText text = DescribeDeviceReport(kind, report, asked);
    const bool silent = report.Outcome() == OperationOutcome::NoChip ||
                        report.Outcome() == OperationOutcome::DataLineLow;
    // Why a silent chip may not answer on this board at all.
    const std::string hint = [&]() -> std::string {
        if (!silent) {
            return {};
        }
        if (report.lowVoltageEntry) {
            return LowVoltageEntryHint(asked);
        }
        return board_->VddSwitched() ? std::string()
                                     : VppBeforeVddHint(asked, "Options, interface board:");
    }();
    if (!hint.empty()) {
        // The hints are written to follow the command line's "tallis-cli: ".
        text.message +=
            "\n" + std::string(1, static_cast<char>(std::toupper(hint[0]))) + hint.substr(1) + ".";
    }
    if (report.Outcome() == OperationOutcome::Cancelled) {
        text.status = cancelledStatus;
    }
    if (kind == DeviceCommandKind::Read && report.Outcome() == OperationOutcome::Completed) {
        const ChipImage& image = report.result.image;
        const std::string hex = FormatChipImageHex(image, report.Chip()->regions);
        std::ofstream saved(savePath, std::ios::binary);
        saved.write(hex.data(), static_cast<std::streamsize>(hex.size()));
        if (!saved.flush()) {
            text.message += "\nCould not save " + PathText(savePath);
        }
        view_.ShowChipImage(image, *report.Chip(),
                            std::string(report.Chip()->name) + " read from the chip", {});
    }
    if (kind == DeviceCommandKind::Verify && report.Outcome() == OperationOutcome::Differs) {
        view_.ShowChipImage(*file, *report.Chip(),
                            PathText(OpenedPath().filename()) + " against the chip",
                            report.result.differences);
    }
    view_.ShowStatus(text.status);
    if (!text.message.empty()) {
        view_.ShowMessage(text.message);
    }
    if (report.Chip() != nullptr) {
        OfferChipButtonsFor(*report.Chip());
    }
}

void DesktopSession::OfferChipButtonsFor(const Device& found) {
    if (!HasClassicCommands(found) || ClassicChipOf(found) == SelectedChip()) {
        return;
    }
    const ChipType other = ClassicChipOf(found);
    const std::string question = SwitchChipButtonsQuestion(
        found.name, ClassicDevice(SelectedChip()).name, ClassicDevice(other).name);
    if (view_.AskYesNo(question)) {
        SelectChip(other);
        view_.CommandStateChanged();  // the chip buttons show the new choice
    }
}

bool DesktopSession::CommandEnabled(WindowCommand command) const {
    switch (command) {
        case WindowCommand::ProgramVerify:
            return CanProgram() && ftdiBoard_ == nullptr;
        case WindowCommand::Verify:
        case WindowCommand::WriteAll:
        case WindowCommand::Production:
            return CanProgram();
        case WindowCommand::Cancel:
            return Cancellable();
        case WindowCommand::Erase:
        case WindowCommand::Reset:
            return !Running() && ftdiBoard_ == nullptr;
        default:
            return !Running();
    }
}

void DesktopSession::Cancel() {
    if (Cancellable()) {
        worker_.RequestCancel();
        view_.CommandStateChanged();
    }
}

void DesktopSession::StartWork(Work work, bool cancellable) {
    const bool started = worker_.Start([this, work = std::move(work)] {
        RaiseEngineThreadPriority();
        Completion done = work();
        view_.Post([this, done = std::move(done)] { EndWork(done); });
    });
    if (started) {
        cancellable_ = cancellable;
        view_.SetGauge(0);
        view_.CommandStateChanged();
    }
}

void DesktopSession::EndWork(const Completion& done) {
    worker_.Finish();
    view_.CommandStateChanged();
    if (done) {
        done();
    }
    view_.CommandEnded();
}

void DesktopSession::ApplyPortChoice(int portNumber) {
    portChoice_.store(portNumber);
    programmer_->SelectPort(portNumber);
    ShowStatus(PortStatusText(PortNumber(), PortBase()));
    SaveSettings();
}

void DesktopSession::ApplyPortAddress(std::uint16_t portBase) {
    portChoice_.store(0);
    if (!target_.ClaimPort(portBase)) {
        ShowStatus(PortUnreachableStatus(portBase));
        return;
    }
    programmer_->SelectPortAddress(portBase);
    ShowStatus(PortNumber() != 0 ? PortStatusText(PortNumber(), PortBase())
                                 : PortAddressStatus(portBase));
    SaveSettings();
}

void DesktopSession::Show(std::function<void()> call) {
    if (OnWindowThread()) {
        call();
    } else {
        view_.Post(std::move(call));
    }
}

void DesktopSession::ShowStatus(const std::string& text) {
    Show([this, text] { view_.ShowStatus(text); });
}

void DesktopSession::SetGauge(int percent) {
    Show([this, percent] { view_.SetGauge(percent); });
}

void DesktopSession::ShowAddressSkip(std::uint32_t done, std::uint32_t total) {
    SetGauge(static_cast<int>(std::uint64_t{done} * 100 / total));
}

void DesktopSession::ShowMessage(const std::string& text) {
    const std::string shown = DisplayLines(text);
    if (OnWindowThread()) {
        view_.ShowMessage(shown);
        return;
    }
    // The run waits here until the box has been dismissed, as it always has.
    std::promise<void> dismissed;
    std::future<void> waited = dismissed.get_future();
    view_.Post([this, &shown, &dismissed] {
        view_.ShowMessage(shown);
        dismissed.set_value();
    });
    waited.wait();
}

}  // namespace tallis
