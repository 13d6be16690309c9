#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "portio/PortDriver.h"
#include "win32/Controls.h"
#include "win32/Window.h"

namespace tallis::win32 {

class MainWindow;

// Options: which parallel port the programmer is wired to, LPT 1, LPT 2 or a
// port at another address typed in hexadecimal, whether the Device
// commands run at the fast timing, the interface board (a built-in one, or
// the board file in force) with a picture of its wiring and, for a board on
// an FTDI chip, the FTDI device it is on, and the port driver (InpOut or
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
    // The board in force (a built-in board's name or a board file) and the
    // FTDI device chosen (what follows "ftdi:", empty for the only one).
    void ShowBoard(const std::string& nameOrFile, const std::string& ftdiDevice);

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
    std::string ChosenBoard() const;
    std::string ChosenFtdiDevice() const;
    // Selects the entry, adding it (a board file, or a device not plugged in
    // now) when the list has none.
    static void Select(HWND list, std::vector<std::string>& values, const std::string& value,
                       const std::wstring& text);
    void ListFtdiDevices();
    void ShowPicture();

    MainWindow& mainWindow_;
    FontHandle font_;
    ImageListHandle okGlyph_;
    int choiceShown_ = 0;
    std::wstring addressShown_;
    bool fastShown_ = false;
    PortDriver driverShown_ = PortDriver::Auto;
    FontHandle fixedFont_;
    // What each entry of the board and FTDI device lists stands for.
    std::vector<std::string> boards_;
    std::vector<std::string> ftdiDevices_;
    std::string boardShown_;
    std::string ftdiDeviceShown_;
};

}  // namespace tallis::win32
