#pragma once

#include <functional>
#include <string>

#include "classic/RunHost.h"

namespace tallis {

// Thrown at a safe point when the run is to stop; carries the exit status.
struct RunStopped {
    int exitStatus;
};

// Passes everything on to the real host, and at the run's safe points (the
// progress shown before each word, the turn of the event loop before the
// configuration word) asks whether the run is to stop; if so it throws
// RunStopped. A word is then either written and verified or not begun.
// Before each word and each step of the address counter the run asks to be
// cancelled: a stop then ends it there, through the run's own reset, so that
// a long move of the counter stops at once.
class StopPointHost : public RunHost {
  public:
    // stopStatus returns 0 to go on, or the exit status to stop with.
    StopPointHost(RunHost& inner, std::function<int()> stopStatus)
        : inner_(inner), stopStatus_(std::move(stopStatus)) {}

    ChipType SelectedChip() const override { return inner_.SelectedChip(); }
    int OptionsPortChoice() const override { return inner_.OptionsPortChoice(); }
    void ShowStatus(const std::string& text) override { inner_.ShowStatus(text); }
    void SetGauge(int percent) override {
        StopIfAsked();
        inner_.SetGauge(percent);
    }
    void ShowMessage(const std::string& text) override { inner_.ShowMessage(text); }
    void ProcessEvents() override {
        StopIfAsked();
        inner_.ProcessEvents();
    }
    bool CancelRequested() const override { return stopStatus_() != 0 || inner_.CancelRequested(); }
    void ShowAddressSkip(std::uint32_t done, std::uint32_t total) override {
        inner_.ShowAddressSkip(done, total);
    }

  private:
    void StopIfAsked() const {
        if (int status = stopStatus_(); status != 0) {
            throw RunStopped{status};
        }
    }

    RunHost& inner_;
    std::function<int()> stopStatus_;
};

}  // namespace tallis
