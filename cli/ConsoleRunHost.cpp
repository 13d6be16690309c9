#include "cli/ConsoleRunHost.h"

#include "cli/ConsoleText.h"
#include "cli/Terminal.h"

namespace tallis {

namespace {

// Redraw at least this often while the percentage stands still, so that the
// elapsed time and the word count keep moving on a slow chip.
constexpr auto kRedrawInterval = std::chrono::milliseconds(200);

}  // namespace

ConsoleRunHost::ConsoleRunHost(ChipType chip, int lptNumber, std::FILE* out, bool showProgress)
    : chip_(chip), lptNumber_(lptNumber), out_(out), showProgress_(showProgress) {}

void ConsoleRunHost::ShowStatus(const std::string& text) {
    // "Current LPT Port :N  (XXXH)" names an LPT number, which a port given by
    // its address does not have; and a script has no use for it.
    if (!showProgress_ || lptNumber_ == 0) {
        return;
    }
    EndProgressLine();
    std::fprintf(out_, "%s\n", text.c_str());
    std::fflush(out_);
}

void ConsoleRunHost::SetGauge(int percent) {
    if (!showProgress_) {
        return;
    }
    auto now = std::chrono::steady_clock::now();
    if (percent == percent_ && now - lastDraw_ < kRedrawInterval) {
        return;
    }
    percent_ = percent;
    lastDraw_ = now;
    DrawProgress();
}

void ConsoleRunHost::DrawProgress() {
    auto elapsed =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start_);
    std::uint32_t words = wordsWritten_ != nullptr ? *wordsWritten_ : 0;
    DrawLine(ProgressLine(percent_, words, elapsed, StdoutColumns(), "words written"));
}

// A move of the address counter may take seconds with no word written: the
// bar shows its steps instead, until the next word is drawn.
void ConsoleRunHost::ShowAddressSkip(std::uint32_t done, std::uint32_t total) {
    if (!showProgress_ || total == 0) {
        return;
    }
    auto elapsed =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start_);
    const auto percent = static_cast<int>(std::uint64_t{done} * 100 / total);
    DrawLine(ProgressLine(percent, done, elapsed, StdoutColumns(), "address steps"));
    lastDraw_ = {};  // the next gauge redraws the words' bar
}

// Spaces clear what a longer line before it left on the terminal.
void ConsoleRunHost::DrawLine(const std::string& line) {
    std::string shown = line;
    if (shown.size() < lineLength_) {
        shown.append(lineLength_ - shown.size(), ' ');
    }
    lineLength_ = line.size();
    std::fprintf(out_, "\r%s", shown.c_str());
    std::fflush(out_);
    barOnLine_ = true;
}

void ConsoleRunHost::EndProgressLine() {
    if (barOnLine_) {
        std::fputc('\n', out_);
        barOnLine_ = false;
        lineLength_ = 0;
    }
}

void ConsoleRunHost::ShowMessage(const std::string& text) {
    lastMessage_ = text;
    if (barOnLine_) {
        DrawProgress();  // the last state, e.g. 100 % at the end record
    }
    EndProgressLine();
    std::fprintf(out_, "%s\n", ConsoleMessageText(text).c_str());
    std::fflush(out_);
}

}  // namespace tallis
