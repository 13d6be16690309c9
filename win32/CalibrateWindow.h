#pragma once

#include "win32/Controls.h"
#include "win32/Window.h"

namespace tallis::win32 {

// "Time calibrate": up while the start-up step calibrates the timer. It has
// no close box; the main window hides it.
class CalibrateWindow : public Window {
  public:
    explicit CalibrateWindow(HWND owner);

  protected:
    void Build() override;
    void Layout() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    FontHandle font_;
};

}  // namespace tallis::win32
