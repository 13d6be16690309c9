#pragma once

#include <chrono>
#include <cstdio>

#include "engine/OperationProgress.h"

namespace tallis {

// A chip operation's progress as a bar on a terminal: steps done of the
// operation's total. Nothing is drawn when disabled (a pipe, --quiet). The
// command-line tool has no way to cancel; a terminal's Ctrl+C ends it.
class ConsoleOperationProgress : public OperationProgress {
  public:
    ConsoleOperationProgress(std::FILE* out, bool enabled) : out_(out), enabled_(enabled) {}
    ~ConsoleOperationProgress() override { EndLine(); }

    void Report(std::uint32_t done, std::uint32_t total, std::uint16_t address) override;
    bool CancelRequested() const override { return false; }
    // Ends a bar that is still on its line, so that later output starts afresh.
    void EndLine();

  private:
    std::FILE* out_;
    bool enabled_;
    bool onLine_ = false;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace tallis
