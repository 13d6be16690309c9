#pragma once

#include <chrono>
#include <cstdio>

#include "engine/OperationProgress.h"

namespace tallis {

// A chip operation's progress as a bar on a terminal: steps done of the
// operation's total. Nothing is drawn when disabled (a pipe, --quiet). A stop
// signal (see StopSignals) asks the operation to stop at its next step, so
// that the session still leaves the chip with VPP off.
class ConsoleOperationProgress : public OperationProgress {
  public:
    ConsoleOperationProgress(std::FILE* out, bool enabled);
    ~ConsoleOperationProgress() override;
    ConsoleOperationProgress(const ConsoleOperationProgress&) = delete;
    ConsoleOperationProgress& operator=(const ConsoleOperationProgress&) = delete;

    void Report(std::uint32_t done, std::uint32_t total, std::uint16_t address) override;
    bool CancelRequested() const override;
    // Ends a bar that is still on its line, so that later output starts afresh.
    void EndLine();
    // Blanks a bar that is still on its line, so that the next output takes
    // its place (a series of operations under one heading).
    void ClearLine();

  private:
    std::FILE* out_;
    bool enabled_;
    bool onLine_ = false;
    std::size_t drawnWidth_ = 0;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace tallis
