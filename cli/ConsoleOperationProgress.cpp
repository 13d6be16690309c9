#include "cli/ConsoleOperationProgress.h"

#include <algorithm>

#include "cli/ConsoleText.h"
#include "cli/StopSignals.h"
#include "cli/Terminal.h"

namespace tallis {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(200);

}  // namespace

ConsoleOperationProgress::ConsoleOperationProgress(std::FILE* out, bool enabled)
    : out_(out), enabled_(enabled) {}

ConsoleOperationProgress::~ConsoleOperationProgress() {
    EndLine();
}

bool ConsoleOperationProgress::CancelRequested() const {
    return StopSignal() != 0;
}

void ConsoleOperationProgress::Report(std::uint32_t done, std::uint32_t total, std::uint16_t) {
    if (!enabled_ || total == 0) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (done != total && now - lastDraw_ < kRedrawInterval) {
        return;
    }
    lastDraw_ = now;
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(now - start_);
    const auto percent = static_cast<int>(std::uint64_t{done} * 100 / total);
    const std::string line = ProgressLine(percent, done, elapsed, StdoutColumns(), "steps");
    // Padded over a longer bar of an earlier operation.
    std::fprintf(out_, "\r%-*s", static_cast<int>(drawnWidth_), line.c_str());
    drawnWidth_ = std::max(drawnWidth_, line.size());
    std::fflush(out_);
    onLine_ = true;
}

void ConsoleOperationProgress::EndLine() {
    if (onLine_) {
        std::fputc('\n', out_);
        onLine_ = false;
    }
}

void ConsoleOperationProgress::ClearLine() {
    if (onLine_) {
        std::fprintf(out_, "\r%*s\r", static_cast<int>(drawnWidth_), "");
        onLine_ = false;
    }
}

}  // namespace tallis
