#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <optional>

#include "app/CommandTexts.h"
#include "app/DesktopSession.h"
#include "app/MessageLines.h"
#include "app/SessionView.h"
#include "app/SimTarget.h"
#include "engine/ResultText.h"
#include "image/ChipImageHex.h"
#include "portio/AccessTrace.h"
#include "portio/RecordingDelayer.h"
#include "portio/RecordingPortIo.h"
#include "sim/ChipHexFile.h"

namespace tallis::test {
namespace {

const std::string kExample = TALLIS_EXAMPLES_DIR "/blink877a.hex";

// A window toolkit's loop in miniature: posted calls wait in a queue until the
// test answers them, and what the session shows is recorded.
class FakeView : public SessionView {
  public:
    void Post(std::function<void()> call) override {
        if (onPost) {
            onPost();
        }
        const std::lock_guard lock(mutex_);
        posted_.push_back(std::move(call));
        arrived_.notify_one();
    }
    void ShowStatus(const std::string& text) override { status = text; }
    void SetGauge(int percent) override { gauge = percent; }
    void ShowMessage(const std::string& text) override {
        messages.push_back(text);
        if (onMessage) {
            onMessage();
        }
    }
    bool AskYesNo(const std::string& question) override {
        questions.push_back(question);
        return answerYes;
    }
    void CommandStateChanged() override { ++stateChanges; }
    void CommandEnded() override { ++commandsEnded; }
    void ShowChipImage(const ChipImage& image, const Device&, const std::string& source,
                       const std::vector<Difference>& marked) override {
        shownImage = image;
        shownSource = source;
        shownMarks = marked;
    }

    // Answers posted calls until the session's command has ended.
    void AnswerUntilIdle(const DesktopSession& session) {
        while (session.Running()) {
            std::function<void()> call;
            {
                std::unique_lock lock(mutex_);
                arrived_.wait(lock, [this] { return !posted_.empty(); });
                call = std::move(posted_.front());
                posted_.pop_front();
            }
            call();
        }
    }

    std::string status;
    int gauge = -1;
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    bool answerYes = false;
    int stateChanges = 0;
    int commandsEnded = 0;
    std::optional<ChipImage> shownImage;
    std::string shownSource;
    std::vector<Difference> shownMarks;
    std::function<void()> onMessage;
    std::function<void()> onPost;  // on the posting thread, before the call is queued

  private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::function<void()>> posted_;
};

class NoDriverTarget : public SimTarget {
  public:
    NoDriverTarget() : SimTarget(sim::TimeSource::Virtual) {}
    bool DriverStarted() const override { return false; }
};

struct StartedSession {
    SimTarget target{sim::TimeSource::Virtual};
    FakeView view;
    DesktopSession session{target, view};
    bool calibrated = false;

    StartedSession() {
        session.Begin();
        EXPECT_TRUE(session.StartUp([] {}, [this] { calibrated = true; }));
        view.AnswerUntilIdle(session);
        EXPECT_TRUE(calibrated);
    }

    std::size_t EraseCount() { return target.Simulation().Chip().CommandCount(31); }

    // Starts a command whose first report waits until Cancel has been asked
    // for, then answers it to its end.
    void CancelAtTheFirstReport(const std::function<void()>& start) {
        std::promise<void> cancelled;
        std::shared_future<void> cancelDone = cancelled.get_future().share();
        view.onPost = [cancelDone] { cancelDone.wait(); };
        start();
        EXPECT_TRUE(session.Cancellable());
        session.Cancel();
        EXPECT_FALSE(session.Cancellable());
        cancelled.set_value();
        view.AnswerUntilIdle(session);
    }
};

TEST(DesktopSession, ProgramRunWritesTheChipAndHoldsOtherCommandsBack) {
    StartedSession s;
    ASSERT_TRUE(s.session.Open(kExample));
    const auto words = s.session.Image()->WordCount;
    // While the run's message is up, nothing else may start.
    s.view.onMessage = [&] {
        EXPECT_FALSE(s.session.EngineCommandAllowed());
        s.session.Erase();
        s.session.ProgramVerify();
        EXPECT_FALSE(s.session.Open(kExample));
    };

    s.session.ProgramVerify();
    EXPECT_TRUE(s.session.Cancellable());
    s.view.AnswerUntilIdle(s.session);

    EXPECT_EQ(s.view.messages, std::vector<std::string>{"Down load data " + std::to_string(words) +
                                                        " words complete"});
    EXPECT_EQ(s.view.gauge, 100);
    EXPECT_EQ(s.EraseCount(), 1U);
    sim::ChipMemory expected = sim::ChipMemory::Blank(sim::TargetType::Pic16F877A, 0);
    ASSERT_TRUE(sim::LoadChipHex(kExample, sim::TargetType::Pic16F877A, expected));
    EXPECT_EQ(s.target.Simulation().Chip().Memory().program, expected.program);
    EXPECT_TRUE(s.target.Simulation().Violations().Empty());
    EXPECT_TRUE(s.session.EngineCommandAllowed());
}

// The simulated board with every port access and wait the engine asks for
// recorded, on a slow board whose line check learns a rise time.
class TracedSlowTarget : public SimTarget {
  public:
    TracedSlowTarget()
        : SimTarget({.time = sim::TimeSource::Virtual, .board = sim::BoardTiming::Slow()}) {}

    PortIo& Port() override { return recordingPort_; }
    std::unique_ptr<EngineTimer> MakeTimer() override {
        return std::make_unique<TracedTimer>(SimTarget::MakeTimer(), trace);
    }

    AccessTrace trace;

  private:
    class TracedTimer : public EngineTimer {
      public:
        TracedTimer(std::unique_ptr<EngineTimer> inner, AccessTrace& trace)
            : inner_(std::move(inner)), recording_(trace, inner_.get()) {}
        void Delay(std::uint32_t microseconds) override { recording_.Delay(microseconds); }
        void SetEnabled(bool enabled) override { inner_->SetEnabled(enabled); }
        void Calibrate(std::uint32_t milliseconds) override { inner_->Calibrate(milliseconds); }

      private:
        std::unique_ptr<EngineTimer> inner_;
        RecordingDelayer recording_;
    };

    RecordingPortIo recordingPort_{SimTarget::Port(), trace};
};

// What a fast Device command learns about the board (the data line's rise
// time) belongs to that command: the window's next Erase + Program + Verify
// keeps the classic waits, access for access.
TEST(DesktopSession, AClassicRunAfterAFastDeviceCommandHasAFreshRunsTrace) {
    std::string traces[2];
    for (const bool afterFastCommand : {false, true}) {
        TracedSlowTarget target;
        FakeView view;
        DesktopSession session{target, view};
        session.Begin();
        ASSERT_TRUE(session.StartUp([] {}, [] {}));
        view.AnswerUntilIdle(session);
        ASSERT_TRUE(session.Open(kExample));
        if (afterFastCommand) {
            session.UseFastTiming(true);
            session.RunDevice(DeviceCommandKind::Identify);
            view.AnswerUntilIdle(session);
            ASSERT_NE(session.Identified(), nullptr) << view.status;
        }
        target.trace.Clear();
        session.ProgramVerify();
        view.AnswerUntilIdle(session);
        ASSERT_EQ(view.messages.back().rfind("Down load data", 0), 0U) << view.messages.back();
        traces[afterFastCommand] = target.trace.Text();
    }
    EXPECT_EQ(traces[1], traces[0]);
}

TEST(DesktopSession, EnablesTheFileCommandsWithAFileAndNoneButCancelDuringARun) {
    constexpr WindowCommand kNeedFile[] = {WindowCommand::ProgramVerify, WindowCommand::Verify,
                                           WindowCommand::WriteAll};
    constexpr WindowCommand kOthers[] = {
        WindowCommand::Open,       WindowCommand::Options, WindowCommand::ChipButtons,
        WindowCommand::DeviceChip, WindowCommand::Erase,   WindowCommand::Reset,
        WindowCommand::Identify,   WindowCommand::Read,    WindowCommand::BlankCheck};
    StartedSession s;
    auto expect = [&](bool others, bool needFile, bool cancel) {
        for (WindowCommand command : kOthers) {
            EXPECT_EQ(s.session.CommandEnabled(command), others) << static_cast<int>(command);
        }
        for (WindowCommand command : kNeedFile) {
            EXPECT_EQ(s.session.CommandEnabled(command), needFile) << static_cast<int>(command);
        }
        EXPECT_EQ(s.session.CommandEnabled(WindowCommand::Cancel), cancel);
    };
    expect(true, false, false);
    ASSERT_TRUE(s.session.Open(kExample));
    expect(true, true, false);
    s.view.onMessage = [&] { expect(false, false, true); };
    s.session.ProgramVerify();
    s.view.AnswerUntilIdle(s.session);
    expect(true, true, false);
}

TEST(DesktopSession, CancelStopsTheRunWithoutAMessage) {
    StartedSession s;
    ASSERT_TRUE(s.session.Open(kExample));
    // The run's first report is the port's, before any word.
    s.CancelAtTheFirstReport([&] { s.session.ProgramVerify(); });

    EXPECT_TRUE(s.view.messages.empty());
    EXPECT_EQ(s.view.status, "Cancelled at 0000H; VPP off");
    EXPECT_EQ(s.view.gauge, 0);
    EXPECT_TRUE(s.target.Simulation().Violations().Empty());
}

TEST(DesktopSession, CommandsWaitForTheStartupStep) {
    SimTarget target{sim::TimeSource::Virtual};
    FakeView view;
    DesktopSession session{target, view};
    session.Begin();
    session.Erase();
    session.Reset();
    EXPECT_FALSE(session.Running());
    EXPECT_EQ(target.Simulation().Chip().CommandCount(31), 0U);

    NoDriverTarget missing;
    DesktopSession withoutDriver{missing, view};
    EXPECT_FALSE(withoutDriver.StartUp([] {}, [] {}));
    EXPECT_FALSE(withoutDriver.Running());
}

TEST(DesktopSession, EraseResetAndPortChoiceReportInTheStatusBar) {
    StartedSession s;
    s.session.Erase();
    s.view.AnswerUntilIdle(s.session);
    EXPECT_EQ(s.view.status, "Chip erased");
    EXPECT_EQ(s.EraseCount(), 1U);
    s.session.Reset();
    s.view.AnswerUntilIdle(s.session);
    EXPECT_EQ(s.view.status, "Target reset");
    s.session.ApplyPortChoice(2);
    EXPECT_EQ(s.view.status, "Current LPT Port :2  (278H)");
    EXPECT_EQ(s.session.OptionsPortChoice(), 2);
}

TEST(DesktopSession, AFileThatFailsKeepsTheOneOpenBefore) {
    StartedSession s;
    ASSERT_TRUE(s.session.Open(kExample));
    const FirmwareImage* before = s.session.Image();
    EXPECT_FALSE(s.session.Open(std::string(TALLIS_EXAMPLES_DIR) + "/missing.hex"));
    EXPECT_EQ(s.session.Image(), before);
    EXPECT_EQ(s.view.messages.size(), 1U);
    EXPECT_EQ(s.session.OpenedPath(), kExample);
}

TEST(DesktopSession, DeviceCommandsIdentifyAndReadTheChip) {
    StartedSession s;
    ASSERT_TRUE(s.session.Open(kExample));
    s.session.ProgramVerify();
    s.view.AnswerUntilIdle(s.session);

    s.session.RunDevice(DeviceCommandKind::Identify);
    s.view.AnswerUntilIdle(s.session);
    ASSERT_NE(s.session.Identified(), nullptr);
    EXPECT_EQ(s.session.Identified()->name, "PIC16F877A");

    const auto saved = std::filesystem::temp_directory_path() / "tallis-session-read.hex";
    s.session.RunDevice(DeviceCommandKind::Read, saved);
    s.view.AnswerUntilIdle(s.session);
    EXPECT_EQ(s.view.shownSource, "PIC16F877A read from the chip");
    std::ifstream in(saved, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    in.close();  // Windows removes no file that is still open
    std::filesystem::remove(saved);
    const HexParseResult read = ParseChipImageHex(text);
    ASSERT_TRUE(read) << read.error;
    const HexParseResult file = ParseChipImageHex(s.session.Image()->Text());
    ASSERT_TRUE(file);
    for (std::size_t address = 0; address < file.image->program.size(); ++address) {
        if (file.image->program[address]) {
            EXPECT_EQ(read.image->program[address], file.image->program[address]) << address;
        }
    }
    EXPECT_TRUE(s.target.Simulation().Violations().Empty());
}

// Write all at each timing, then a Verify against a changed file: the fast
// timing writes the same chip in a fraction of the classic one's time, and the
// memory view gets the file with every differing word marked, while the
// message lists the first ones.
TEST(DesktopSession, FastWriteAllAndAVerifyThatDiffers) {
    std::uint64_t took[2] = {};
    for (const bool fast : {false, true}) {
        StartedSession s;
        ASSERT_TRUE(s.session.Open(kExample));
        s.session.UseFastTiming(fast);
        const std::uint64_t start = s.target.Simulation().Time().NowNs();
        s.session.RunDevice(DeviceCommandKind::WriteAll);
        s.view.AnswerUntilIdle(s.session);
        took[fast] = s.target.Simulation().Time().NowNs() - start;
        EXPECT_EQ(s.view.status.rfind("Wrote and verified PIC16F877A", 0), 0U) << s.view.status;
        EXPECT_TRUE(s.target.Simulation().Violations().Empty())
            << s.target.Simulation().Violations().Describe();
        EXPECT_EQ(s.view.commandsEnded, 2);  // the start-up step and the write
    }
    // Both read the erased chip back with the fast waits (the line check
    // passes on the simulated board); only the writes differ.
    EXPECT_LT(took[1], took[0]);

    StartedSession s;
    ASSERT_TRUE(s.session.Open(kExample));
    s.session.RunDevice(DeviceCommandKind::WriteAll);
    s.view.AnswerUntilIdle(s.session);
    const auto changed = std::filesystem::temp_directory_path() / "tallis-session-changed.hex";
    HexParseResult file = ParseChipImageHex(s.session.Image()->Text());
    ASSERT_TRUE(file);
    constexpr std::size_t kChanged = OperationResult::kMaxDifferences + 2;
    for (std::size_t address = 0; address < kChanged; ++address) {
        file.image->program[address] = static_cast<std::uint16_t>(address);
    }
    std::ofstream(changed, std::ios::binary) << FormatChipImageHex(*file.image);
    ASSERT_TRUE(s.session.Open(changed));
    s.session.RunDevice(DeviceCommandKind::Verify);
    s.view.AnswerUntilIdle(s.session);
    std::filesystem::remove(changed);
    EXPECT_EQ(s.view.shownSource, "tallis-session-changed.hex against the chip");
    ASSERT_EQ(s.view.shownMarks.size(), kChanged);
    EXPECT_EQ(s.view.shownMarks.back().address, kChanged - 1);
    ASSERT_FALSE(s.view.messages.empty());
    // The list, then the supply that erasing and writing need.
    EXPECT_TRUE(
        s.view.messages.back().ends_with(std::string("\n... and 2 more\n") + kEraseWriteSupplyText))
        << s.view.messages.back();
}

// Code protection hides program memory from a Verify: the rest is compared and
// the message says what was not, never "OK" and never false differences.
TEST(DesktopSession, VerifyOfAProtectedChipSaysWhatItCouldNotCompare) {
    StartedSession s;
    const auto path = std::filesystem::temp_directory_path() / "tallis-session-protected.hex";
    ASSERT_TRUE(s.session.Open(kExample));
    HexParseResult file = ParseChipImageHex(s.session.Image()->Text());
    ASSERT_TRUE(file);
    file.image->config[0] = 0x1F72;  // CP on: all program memory hidden
    std::ofstream(path, std::ios::binary) << FormatChipImageHex(*file.image);
    ASSERT_TRUE(s.session.Open(path));
    s.session.RunDevice(DeviceCommandKind::WriteAll);
    s.view.AnswerUntilIdle(s.session);
    s.session.RunDevice(DeviceCommandKind::Verify);
    s.view.AnswerUntilIdle(s.session);
    std::filesystem::remove(path);

    ASSERT_FALSE(s.view.messages.empty());
    EXPECT_EQ(s.view.messages.back(),
              "Verify incomplete: the rest of the file matches the PIC16F877A\n"
              "Program memory 0x0000-0x1FFF is code-protected: it was not compared.");
    EXPECT_TRUE(s.view.shownMarks.empty());
}

TEST(DesktopSession, CancelledDeviceCommandStopsWithVppOff) {
    StartedSession s;
    ASSERT_TRUE(s.session.Open(kExample));
    s.CancelAtTheFirstReport([&] { s.session.RunDevice(DeviceCommandKind::WriteAll); });

    EXPECT_EQ(s.view.status, "Cancelled at 0000H; VPP off");
    EXPECT_NE(s.target.Simulation().Chip().Mclr(), sim::MclrLevel::Vpp);
    sim::ChipMemory written = sim::ChipMemory::Blank(sim::TargetType::Pic16F877A, 0);
    ASSERT_TRUE(sim::LoadChipHex(kExample, sim::TargetType::Pic16F877A, written));
    EXPECT_NE(s.target.Simulation().Chip().Memory().program, written.program) << "it stopped";
    EXPECT_TRUE(s.target.Simulation().Violations().Empty());
}

TEST(DesktopSession, WriteAllReadsAChangedFileAgainAndSaysSo) {
    StartedSession s;
    const auto path = std::filesystem::temp_directory_path() / "tallis-session-reload.hex";
    std::filesystem::copy_file(kExample, path, std::filesystem::copy_options::overwrite_existing);
    ASSERT_TRUE(s.session.Open(path));
    HexParseResult file = ParseChipImageHex(s.session.Image()->Text());
    ASSERT_TRUE(file);
    file.image->program[0] = 0x0123;
    std::ofstream(path, std::ios::binary) << FormatChipImageHex(*file.image);
    // A later stamp, even where the clock is coarser than the test.
    std::filesystem::last_write_time(
        path, std::filesystem::last_write_time(path) + std::chrono::hours(1));

    s.session.RunDevice(DeviceCommandKind::WriteAll);
    EXPECT_EQ(s.view.status, kReloadedStatus);
    s.view.AnswerUntilIdle(s.session);
    std::filesystem::remove(path);

    EXPECT_EQ(s.target.Simulation().Chip().Memory().program[0], 0x0123);
    EXPECT_EQ(s.view.status.rfind("Wrote and verified PIC16F877A", 0), 0U) << s.view.status;
}

// A compiler's comments after the end record (CCS: the chip, a checksum and a
// time with a ':') change nothing: the run counts the example's 27 words, and
// Write all (after a reload of the changed file) and Verify take the file.
TEST(DesktopSession, CommentsAfterTheEndRecordAreIgnored) {
    StartedSession s;
    const auto path = std::filesystem::temp_directory_path() / "tallis-session-ccs.hex";
    std::filesystem::copy_file(kExample, path, std::filesystem::copy_options::overwrite_existing);
    std::ofstream(path, std::ios::binary | std::ios::app)
        << ";PIC16F877A\n;CRC=D692  CREATED=\"10-Ara-21 22:26\"\n";
    ASSERT_TRUE(s.session.Open(path));
    s.session.ProgramVerify();
    s.view.AnswerUntilIdle(s.session);
    std::filesystem::last_write_time(
        path, std::filesystem::last_write_time(path) + std::chrono::hours(1));
    s.session.RunDevice(DeviceCommandKind::WriteAll);
    EXPECT_EQ(s.view.status, kReloadedStatus);
    s.view.AnswerUntilIdle(s.session);
    EXPECT_EQ(s.view.status.rfind("Wrote and verified PIC16F877A", 0), 0U) << s.view.status;
    s.session.RunDevice(DeviceCommandKind::Verify);
    s.view.AnswerUntilIdle(s.session);
    std::filesystem::remove(path);

    ASSERT_EQ(s.view.messages.size(), 3U);
    EXPECT_EQ(s.view.messages[0], "Down load data 27 words complete");
    EXPECT_EQ(s.view.messages[2].rfind("Verify OK: the PIC16F877A holds the file", 0), 0U)
        << s.view.messages[2];
}

// What one session remembers the next one starts with.
TEST(DesktopSession, SettingsRoundTripThroughTheStore) {
    MemorySettingsStore store;
    {
        SimTarget target{sim::TimeSource::Virtual};
        FakeView view;
        DesktopSession session{target, view, &store};
        session.Begin();
        ASSERT_TRUE(session.Open(kExample));
        session.ApplyPortAddress(0x3BC);
        session.SelectChip(ChipType::Pic16F877);
        session.SelectDeviceChip(FindDevice("16f876a"));
        session.UseFastTiming(true);
        session.Close(WindowPosition{40, 50});
    }
    SimTarget target{sim::TimeSource::Virtual};
    FakeView view;
    DesktopSession session{target, view, &store};
    session.Begin();
    EXPECT_EQ(session.PortBase(), 0x3BC);
    EXPECT_EQ(session.OptionsPortChoice(), 0);
    EXPECT_EQ(session.SelectedChip(), ChipType::Pic16F877);
    EXPECT_EQ(session.DeviceChip(), FindDevice("16f876a"));
    EXPECT_TRUE(session.FastTiming());
    const std::filesystem::path example = std::filesystem::absolute(kExample).lexically_normal();
    EXPECT_EQ(session.Settings().recentFiles, std::vector<std::string>{example.string()});
    EXPECT_EQ(session.Settings().lastFolder, example.parent_path().string());
    EXPECT_EQ(session.Settings().position, (WindowPosition{40, 50}));
}

// Options' board: the chosen board's lines drive the simulated board wired
// the same way, its supply is on only while a command runs (after reset it
// stays on), the choice is remembered, and a board that cannot be used is
// refused with the one in force kept.
// The chip buttons choose the classic sequence by family: a chip of the other
// family found by a Device command is named, with the offer to switch them.
TEST(DesktopSession, ADeviceCommandThatFindsTheOtherFamilyOffersToSwitchTheChipButtons) {
    SimTarget target(
        SimTargetOptions{.time = sim::TimeSource::Virtual, .device = FindDevice("16f873")});
    FakeView view;
    DesktopSession session{target, view};
    session.Begin();
    ASSERT_TRUE(session.StartUp([] {}, [] {}));
    view.AnswerUntilIdle(session);
    ASSERT_EQ(session.SelectedChip(), ChipType::Pic16F877A);
    const std::string question =
        "Found PIC16F873, but the chip buttons say PIC16F877A: Erase + Program + Verify and "
        "Erase only would send it the PIC16F877A's sequence.\n\nSwitch the chip buttons to "
        "PIC16F877?";

    for (const bool yes : {false, true}) {
        view.answerYes = yes;
        session.RunDevice(DeviceCommandKind::Identify);
        view.AnswerUntilIdle(session);
        ASSERT_EQ(view.questions.size(), yes ? 2U : 1U);
        EXPECT_EQ(view.questions.back(), question);
        EXPECT_EQ(session.SelectedChip(), yes ? ChipType::Pic16F877 : ChipType::Pic16F877A);
    }
    session.RunDevice(DeviceCommandKind::Identify);
    view.AnswerUntilIdle(session);
    EXPECT_EQ(view.questions.size(), 2U) << "the buttons now match: nothing to ask";
}

// A chip that runs without MCLR does not answer TALLIS's board, which cannot
// give VPP before VDD: the message says why and which boards can.
TEST(DesktopSession, ASilentChipThatNeedsVppFirstIsExplained) {
    SimTarget target(
        SimTargetOptions{.time = sim::TimeSource::Virtual, .device = FindDevice("16f628a")});
    sim::ChipMemory memory = target.Simulation().Chip().Memory();
    memory.ConfigWord() = 0x3F50;  // internal oscillator, MCLR an input
    target.Simulation().Chip().LoadMemory(memory);
    FakeView view;
    DesktopSession session{target, view};
    session.Begin();
    ASSERT_TRUE(session.StartUp([] {}, [] {}));
    view.AnswerUntilIdle(session);
    session.RunDevice(DeviceCommandKind::Identify);
    view.AnswerUntilIdle(session);
    ASSERT_EQ(view.messages.size(), 1U);
    EXPECT_NE(view.messages[0].find("\nA PIC16F882, "), std::string::npos) << view.messages[0];
    EXPECT_NE(view.messages[0].find("PIC12F629, PIC12F675 whose configuration selects the "
                                    "internal oscillator with MCLR as an input"),
              std::string::npos)
        << view.messages[0];
    EXPECT_NE(view.messages[0].find("(Options, interface board: tait-classic"), std::string::npos)
        << view.messages[0];
}

TEST(DesktopSession, ABoardChoiceDrivesThatWiringAndIsRemembered) {
    MemorySettingsStore store;
    store.SetValue("board", "tait-classic");
    {
        SimTarget target(SimTargetOptions{.time = sim::TimeSource::Virtual,
                                          .wiring = board::FindBoard("tait-classic")});
        FakeView view;
        DesktopSession session{target, view, &store};
        EXPECT_EQ(session.Board().name, "tait-classic");
        session.Begin();
        EXPECT_FALSE(target.Simulation().Board().Powered());
        ASSERT_TRUE(session.StartUp([] {}, [] {}));
        view.AnswerUntilIdle(session);
        EXPECT_NE(session.ApplyBoard("no-such-board"), "");
        EXPECT_EQ(session.Board().name, "tait-classic");

        session.RunDevice(DeviceCommandKind::Identify);
        view.AnswerUntilIdle(session);
        ASSERT_NE(session.Identified(), nullptr);
        EXPECT_FALSE(target.Simulation().Board().Powered());
        session.Reset();
        view.AnswerUntilIdle(session);
        EXPECT_TRUE(target.Simulation().Board().Powered());
        EXPECT_TRUE(target.Simulation().Violations().Empty())
            << target.Simulation().Violations().Describe();
        EXPECT_EQ(session.ApplyBoard("asix-piccolo"), "");
    }
    SimTarget target{sim::TimeSource::Virtual};
    FakeView view;
    DesktopSession session{target, view, &store};
    EXPECT_EQ(session.Board().name, "asix-piccolo");
}

// A board on an FTDI chip: the Device commands run through the simulated FTDI
// chip in front of the same simulated chip, fast, with no violation and
// every FTDI pin an input at the end; the classic commands, a parallel port's
// sequences, are not offered; the choice is remembered; without parallel-port
// access the program still starts with it, and refuses a parallel board.
TEST(DesktopSession, AnFtdiBoardRunsTheDeviceCommandsAndNotTheClassicOnes) {
    MemorySettingsStore store;
    {
        StartedSession s;
        DesktopSession session{s.target, s.view, &store};
        session.Begin();
        ASSERT_TRUE(session.StartUp([] {}, [] {}));
        s.view.AnswerUntilIdle(session);
        EXPECT_EQ(session.ApplyBoard("ft232h-hv-split"), "");
        ASSERT_NE(session.FtdiBoard(), nullptr);
        ASSERT_TRUE(session.Open(kExample));
        for (const WindowCommand command :
             {WindowCommand::Erase, WindowCommand::Reset, WindowCommand::ProgramVerify}) {
            EXPECT_FALSE(session.CommandEnabled(command));
        }
        session.UseFastTiming(true);
        session.RunDevice(DeviceCommandKind::WriteAll);
        s.view.AnswerUntilIdle(session);
        EXPECT_EQ(s.view.status.rfind("Wrote and verified PIC16F877A", 0), 0U) << s.view.status;
        session.RunDevice(DeviceCommandKind::Verify);
        s.view.AnswerUntilIdle(session);
        EXPECT_EQ(s.view.status.rfind("Verify OK", 0), 0U) << s.view.status;
        EXPECT_TRUE(s.target.Simulation().Violations().Empty())
            << s.target.Simulation().Violations().Describe();
        EXPECT_EQ(s.target.Simulation().Chip().Mode(), sim::ChipMode::Running);
        session.ApplyFtdiDevice("SIM0001");
    }
    NoDriverTarget target;
    FakeView view;
    DesktopSession session{target, view, &store};
    EXPECT_EQ(session.FtdiBoard(), board::FindFtdiWiring("ft232h-hv-split"));
    EXPECT_EQ(session.Settings().ftdiDevice, "SIM0001");
    session.Begin();
    EXPECT_TRUE(session.StartUp([] {}, [] {}));
    view.AnswerUntilIdle(session);
    EXPECT_NE(session.ApplyBoard("tait-classic"), "");
    EXPECT_NE(session.FtdiBoard(), nullptr);
}

TEST(MessageLines, StoredBreaksBecomeLineFeeds) {
    const std::pair<std::string, std::string> cases[] = {{"a\n\rb", "a\nb"},
                                                         {"a\r\rb", "a\n\nb"},
                                                         {"a\nb", "a\nb"},
                                                         {"end\n", "end\n"},
                                                         {"\r", "\n"}};
    for (const auto& [stored, shown] : cases) {
        EXPECT_EQ(DisplayLines(stored), shown) << stored;
    }
}

// The calibration a 12F675's erase takes is read first and saved in a file of
// its own, and a chip whose OSCCAL an earlier erase lost is named in the
// window after a Write all.
TEST(DesktopSession, WriteAllSavesTheCalibrationAndReportsOneLostEarlier) {
    const auto data = std::filesystem::temp_directory_path() / "tallis-session-data";
    std::filesystem::remove_all(data);
#ifdef _WIN32
    _putenv_s("LOCALAPPDATA", data.string().c_str());
#else
    setenv("XDG_DATA_HOME", data.c_str(), 1);
#endif
    SimTarget target(
        SimTargetOptions{.time = sim::TimeSource::Virtual, .device = FindDevice("12f675")});
    sim::ChipMemory lost = target.Simulation().Chip().Memory();
    lost.program[0x3FF] = 0x3FFF;
    target.Simulation().Chip().LoadMemory(lost);
    FakeView view;
    DesktopSession session{target, view};
    session.Begin();
    ASSERT_TRUE(session.StartUp([] {}, [] {}));
    view.AnswerUntilIdle(session);
    const auto path = std::filesystem::temp_directory_path() / "tallis-session-675.hex";
    std::ofstream(path, std::ios::binary) << ":020000000528D1\n:00000001FF\n";
    ASSERT_TRUE(session.Open(path));
    session.RunDevice(DeviceCommandKind::WriteAll);
    view.AnswerUntilIdle(session);
    std::filesystem::remove(path);

    ASSERT_FALSE(view.messages.empty());
    EXPECT_EQ(view.messages.back().rfind("Wrote and verified PIC12F675", 0), 0U)
        << view.messages.back();
    EXPECT_NE(view.messages.back().find("\nThe oscillator calibration was lost earlier; see the "
                                        "data sheet for recalibration."),
              std::string::npos)
        << view.messages.back();
    EXPECT_FALSE(std::filesystem::is_empty(data / "tallis" / "calibration"));
    std::filesystem::remove_all(data);
}

}  // namespace
}  // namespace tallis::test
