#include "win32/AboutWindow.h"

#include <commctrl.h>
#include <shellapi.h>

#include <array>
#include <filesystem>

#include "win32/MainWindow.h"
#include "win32/Resources.h"

namespace tallis::win32 {

namespace {

constexpr int kBorder = 2001;
constexpr int kPicturePanel = 2002;
constexpr int kProductLabel = 2003;
constexpr int kDescriptionLabel = 2004;

constexpr std::array<ControlPlace, 7> kControls{{
    {WC_STATICW, L"", WS_VISIBLE | SS_SUNKEN, kBorder, 7, 7, 312, 138},
    {WC_STATICW, L"", WS_VISIBLE | SS_ETCHEDFRAME, kPicturePanel, 13, 13, 124, 116},
    {WC_STATICW, L"", WS_VISIBLE | SS_BITMAP, IDC_PICTURE, 20, 20, 100, 100},
    {WC_STATICW, L"TALLIS  for   Windows  V3", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, kProductLabel,
     149, 20, 165, 15},
    {WC_STATICW, L"Parallel-port PIC programmer", WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
     kDescriptionLabel, 149, 39, 165, 15},
    {WC_LINK, L"<a>Documentation</a>", WS_VISIBLE | WS_TABSTOP, IDC_DOCUMENTATION, 169, 65, 100,
     16},
    {WC_BUTTONW, L"OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, 143, 170, 61, 31},
}};

}  // namespace

AboutWindow::AboutWindow(MainWindow& mainWindow) : mainWindow_(mainWindow) {
    Create(L"TallisAboutWindow", L"About TALLIS", WS_POPUP | WS_CAPTION | WS_SYSMENU,
           mainWindow.Handle(), nullptr, 329, 214);
}

void AboutWindow::Build() {
    CreateControls(hwnd_, kControls);
}

void AboutWindow::Layout() {
    font_ = MakeFont(11, false, dpi_);
    nameFont_ = MakeFont(12, true, dpi_);
    PlaceControls(hwnd_, kControls, dpi_, font_.get());
    SendMessageW(GetDlgItem(hwnd_, kProductLabel), WM_SETFONT,
                 reinterpret_cast<WPARAM>(nameFont_.get()), TRUE);
    picture_ = SetPicture(GetDlgItem(hwnd_, IDC_PICTURE), 100, dpi_);
    okGlyph_ = SetButtonGlyph(GetDlgItem(hwnd_, IDOK), IDI_OK, IDI_OK_OFF, 16, dpi_);
}

std::wstring AboutWindow::DocumentationPath() {
    std::wstring program(MAX_PATH * 4, L'\0');
    program.resize(GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size())));
    const std::filesystem::path beside =
        std::filesystem::path(program).parent_path() / L"README.md";
    std::error_code error;
    if (std::filesystem::exists(beside, error)) {
        return beside.wstring();
    }
    return std::filesystem::path(TALLIS_SOURCE_DIR "/README.md").make_preferred().wstring();
}

LRESULT AboutWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                Ok();
            }
            return 0;
        case WM_NOTIFY: {
            const auto* note = reinterpret_cast<const NMHDR*>(lParam);
            if (note->idFrom == IDC_DOCUMENTATION &&
                (note->code == NM_CLICK || note->code == NM_RETURN)) {
                // The box stays up.
                ShellExecuteW(hwnd_, L"open", DocumentationPath().c_str(), nullptr, nullptr,
                              SW_SHOWNORMAL);
            }
            return 0;
        }
        case WM_CLOSE:
            Ok();
            return 0;
        default:
            break;
    }
    return Window::OnMessage(message, wParam, lParam);
}

void AboutWindow::Ok() {
    EnableWindow(mainWindow_.Handle(), TRUE);
    ShowWindow(hwnd_, SW_HIDE);
}

}  // namespace tallis::win32
