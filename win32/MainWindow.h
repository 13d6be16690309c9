#pragma once

#include <windows.h>

#include <shellapi.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/DesktopSession.h"
#include "app/SessionView.h"
#include "win32/Controls.h"
#include "win32/Window.h"

namespace tallis {
class Target;
}

namespace tallis::win32 {

class AboutWindow;
class CalibrateWindow;
class MemoryViewWindow;
class OptionsWindow;
class ProductionWindow;

// The main window: menus, tool buttons, the chip buttons, the Word box, the
// gauge, the captions, the board picture and the status bar with its two
// panels. What its commands do is the session's; this window draws it.
//
// The Options and About windows are shown without a modal loop while this one
// is disabled; a command runs on the session's worker while this one answers.
// The memory view is a window of its own beside it.
class MainWindow : public Window, public SessionView {
  public:
    // The session keeps its settings in settings.
    MainWindow(Target& target, SettingsStore& settings);
    ~MainWindow() override;

    // Shows the window and starts the start-up timer; a file named on the
    // command line is opened at once.
    void Show(int showCommand, const std::wstring& fileToOpen);
    // The command keys, for the message loop; false when the message is not one.
    bool TranslateShortcut(MSG& message);
    // The Options and About windows, for the message loop's dialog keys.
    HWND ActiveDialog() const;

    // Options' OK.
    void ApplyPortChoice(int portNumber) { session_.ApplyPortChoice(portNumber); }
    void ApplyPortAddress(std::uint16_t portBase) { session_.ApplyPortAddress(portBase); }
    void UseFastTiming(bool fast) { session_.UseFastTiming(fast); }
    void UsePortDriver(PortDriver driver) { session_.UsePortDriver(driver); }
    std::string ApplyBoard(const std::string& nameOrFile) {
        return session_.ApplyBoard(nameOrFile);
    }
    void ApplyFtdiDevice(const std::string& selector) { session_.ApplyFtdiDevice(selector); }
    std::vector<ftdi::FtdiListing> FtdiDevices(std::string& problem) {
        return session_.FtdiDevices(problem);
    }

    // SessionView.
    void Post(std::function<void()> call) override;
    void ShowStatus(const std::string& text) override;
    void SetGauge(int percent) override;
    void ShowMessage(const std::string& text) override;
    void CommandStateChanged() override;
    void CommandEnded() override;
    void ShowChipImage(const ChipImage& image, const Device& device, const std::string& source,
                       const std::vector<Difference>& marked) override;

  protected:
    void Build() override;
    void Layout() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void Command(int id, int notification);
    void OpenWithDialog();
    std::optional<std::wstring> AskFileName(bool save);
    void RunDevice(int command);
    void OpenFile(const std::wstring& path);
    void ShowMemoryView();
    void OpenRecentFile(std::size_t index);
    void OpenDropped(HDROP drop);
    void ShowRecentFiles();
    void ShowDialog(Window& dialog);
    void StartUp();
    void Close();
    void RestorePosition();
    std::optional<WindowPosition> Position() const;
    bool AskYesNo(const std::string& text) override;

    DesktopSession session_;
    std::unique_ptr<OptionsWindow> options_;
    std::unique_ptr<AboutWindow> about_;
    std::unique_ptr<CalibrateWindow> calibrate_;
    std::unique_ptr<MemoryViewWindow> memoryView_;
    std::unique_ptr<ProductionWindow> production_;
    HACCEL shortcuts_ = nullptr;
    HWND status_ = nullptr;
    FontHandle font_;
    FontHandle titleFont_;
    BitmapHandle picture_;
    std::vector<ImageListHandle> glyphs_;
    std::vector<std::string> recentShown_;
    bool closeAfterRun_ = false;
};

}  // namespace tallis::win32
