#pragma once

#include <windows.h>

namespace tallis::win32 {

// A top-level window of the program: it keeps its client size (given in
// pixels at 96 dpi) and its controls' layout at the dpi of the monitor it is
// on, and hands its messages to its subclass.
class Window {
  public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const { return hwnd_; }
    int Dpi() const { return dpi_; }

  protected:
    // Makes the window, hidden, centred on the screen; then calls Build and Layout.
    void Create(const wchar_t* className, const wchar_t* title, DWORD style, HWND owner, HMENU menu,
                int clientWidth, int clientHeight);

    // Makes the controls, once.
    virtual void Build() = 0;
    // Places the controls and makes the fonts and pictures for the current dpi.
    virtual void Layout() = 0;
    // The window's messages; unhandled ones go to Window::OnMessage.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    int dpi_ = USER_DEFAULT_SCREEN_DPI;

  private:
    void FitClientSize();
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    DWORD style_ = 0;
    int clientWidth_ = 0;
    int clientHeight_ = 0;
};

}  // namespace tallis::win32
