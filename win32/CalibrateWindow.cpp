#include "win32/CalibrateWindow.h"

#include <commctrl.h>

#include <array>

namespace tallis::win32 {

namespace {

constexpr std::array<ControlPlace, 2> kControls{{
    {WC_STATICW, L"Timer Calibrating.....", WS_VISIBLE | SS_LEFT, 1, 56, 24, 220, 26},
    {WC_STATICW, L"3 sec", WS_VISIBLE | SS_LEFT, 2, 104, 64, 100, 26},
}};

}  // namespace

CalibrateWindow::CalibrateWindow(HWND owner) {
    Create(L"TallisCalibrateWindow", L"Time calibrate", WS_POPUP | WS_CAPTION, owner, nullptr, 279,
           134);
}

void CalibrateWindow::Build() {
    CreateControls(hwnd_, kControls);
}

void CalibrateWindow::Layout() {
    font_ = MakeFont(19, false, dpi_);
    PlaceControls(hwnd_, kControls, dpi_, font_.get());
}

LRESULT CalibrateWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        return 0;
    }
    return Window::OnMessage(message, wParam, lParam);
}

}  // namespace tallis::win32
