#pragma once

#include <cstdint>
#include <string>

#include "win32/Controls.h"
#include "win32/Window.h"

namespace tallis::win32 {

class MainWindow;

// Options: which parallel port the programmer is wired to, LPT 1, LPT 2 or a
// port at another address typed in hexadecimal. Its controls keep their state
// between showings; OK applies them, the close box and Escape put back the
// choice in force.
class OptionsWindow : public Window {
  public:
    explicit OptionsWindow(MainWindow& mainWindow);

    // The port in force: LPT 1 or 2, or the one at portBase (portNumber 0).
    void ShowSettings(int portNumber, std::uint16_t portBase);

  protected:
    void Build() override;
    void Layout() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void Ok();
    void Dismiss();
    void Hide();
    int CheckedChoice() const;

    MainWindow& mainWindow_;
    FontHandle font_;
    ImageListHandle okGlyph_;
    int choiceShown_ = 0;
    std::wstring addressShown_;
    bool addressErrorShown_ = false;
};

}  // namespace tallis::win32
