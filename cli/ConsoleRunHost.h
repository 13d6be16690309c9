#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "classic/RunHost.h"

namespace tallis {

// The run's window on a terminal or a pipe. Message boxes become lines on the
// output; the gauge becomes a progress bar, drawn only when the output is a
// terminal (showProgress). There is no event loop: a command runs alone.
class ConsoleRunHost : public RunHost {
  public:
    ConsoleRunHost(ChipType chip, int lptNumber, std::FILE* out, bool showProgress);

    // While it lives, the bar shows a run's count of words written to the chip.
    // Declare it after the run, so that it lets go of the count first.
    class WordCountView {
      public:
        WordCountView(ConsoleRunHost& host, const std::uint16_t& wordsWritten) : host_(host) {
            host_.wordsWritten_ = &wordsWritten;
        }
        ~WordCountView() { host_.wordsWritten_ = nullptr; }
        WordCountView(const WordCountView&) = delete;
        WordCountView& operator=(const WordCountView&) = delete;

      private:
        ConsoleRunHost& host_;
    };

    // Ends a bar that is still on its line, so that later output starts afresh.
    void EndProgressLine();

    bool ShowsProgress() const { return showProgress_; }
    ChipType SelectedChip() const override { return chip_; }
    int OptionsPortChoice() const override { return lptNumber_; }
    void ShowStatus(const std::string& text) override;
    void SetGauge(int percent) override;
    void ShowMessage(const std::string& text) override;
    void ProcessEvents() override {}
    // "[###---]  20%  1280 address steps  0:03" on the bar's line.
    void ShowAddressSkip(std::uint32_t done, std::uint32_t total) override;

    // The text of the last message box shown, empty before the first.
    const std::string& LastMessage() const { return lastMessage_; }

  private:
    void DrawProgress();
    void DrawLine(const std::string& line);

    ChipType chip_;
    int lptNumber_;
    std::FILE* out_;
    bool showProgress_;
    const std::uint16_t* wordsWritten_ = nullptr;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point lastDraw_{};
    int percent_ = -1;
    bool barOnLine_ = false;
    std::size_t lineLength_ = 0;  // of the bar's line as last drawn
    std::string lastMessage_;
};

}  // namespace tallis
