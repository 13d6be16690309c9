#include "cli/ConsoleOperationProgress.h"

#include "cli/ConsoleText.h"

namespace tallis {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(200);

}  // namespace

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
    std::fprintf(out_, "\r%s", ProgressLine(percent, done, elapsed, "steps").c_str());
    std::fflush(out_);
    onLine_ = true;
}

void ConsoleOperationProgress::EndLine() {
    if (onLine_) {
        std::fputc('\n', out_);
        onLine_ = false;
    }
}

}  // namespace tallis
