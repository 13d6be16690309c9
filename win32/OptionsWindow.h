#pragma once

#include <cstdint>
#include <string>

#include "portio/PortDriver.h"
#include "win32/Controls.h"
#include "win32/Window.h"

namespace tallis::win32 {

class MainWindow;

// Options: which parallel port the programmer is wired to, LPT 1, LPT 2 or a
// port at another address typed in hexadecimal, whether the Device
// commands run at the fast timing, and the port driver (InpOut or
// zlportio.sys, or the one found; it starts with the program, so a new choice
// holds from the next start). Its controls keep their state
// between showings; OK applies them, the close box and Escape put back the
// choice in force.
class OptionsWindow : public Window {
  public:
    explicit OptionsWindow(MainWindow& mainWindow);

    // The settings in force: LPT 1 or 2, or the port at portBase (portNumber
    // 0), and the fast timing.
    void ShowSettings(int portNumber, std::uint16_t portBase, bool fastTiming, PortDriver driver);

  protected:
    void Build() override;
    void Layout() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void Ok();
    void Dismiss();
    void Hide();
    int CheckedChoice() const;
    PortDriver ChosenDriver() const;
    void ShowDriver(PortDriver driver);

    MainWindow& mainWindow_;
    FontHandle font_;
    ImageListHandle okGlyph_;
    int choiceShown_ = 0;
    std::wstring addressShown_;
    bool fastShown_ = false;
    PortDriver driverShown_ = PortDriver::Auto;
};

}  // namespace tallis::win32
