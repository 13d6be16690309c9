#pragma once

#include "app/DesktopSession.h"
#include "win32/Controls.h"
#include "win32/Window.h"

namespace tallis::win32 {

// Device > Production: chip after chip with the open file. Its fields are
// write --repeat's choices (a count, the log and its format, a serial
// number and where it goes); Start runs it, each chip's result shows at once
// as a big PASS or FAIL above the counts, and Stop (or Esc) ends the run
// before its next step, VPP off. The run is the session's; this window only
// shows it. The main window is disabled while it is up.
class ProductionWindow : public Window {
  public:
    ProductionWindow(HWND mainWindow, DesktopSession& session);

    void Present();
    // The session's command state changed: the buttons follow it.
    void ShowState();

  protected:
    void Build() override;
    void Layout() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void Start();
    void Stop();
    void BrowseLog();
    void Hide();
    ProductionForm Form() const;
    void ShowForm(const ProductionForm& form);
    void ShowChip(const ProductionTally& tally);
    void ShowCounts(unsigned passed, unsigned failed);

    HWND mainWindow_;
    DesktopSession& session_;
    FontHandle font_;
    FontHandle bigFont_;
    bool running_ = false;
    bool lastPassed_ = false;
    bool anyChip_ = false;
};

}  // namespace tallis::win32
