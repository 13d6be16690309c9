#include "win32/OptionsWindow.h"

#include <commctrl.h>

#include <array>
#include <cwchar>
#include <iterator>

#include "app/CommandTexts.h"
#include "app/PortAddress.h"
#include "win32/MainWindow.h"
#include "win32/Resources.h"

namespace tallis::win32 {

namespace {

constexpr int kGroup = 2001;

// The port driver list's entries, in the order of PortDriver.
constexpr std::array<const wchar_t*, 3> kDriverEntries{L"Auto", L"InpOut", L"zlportio.sys"};

constexpr std::array<ControlPlace, 10> kControls{{
    {WC_BUTTONW, L"OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, 98, 214, 60, 31},
    {WC_BUTTONW, L"Port setting", WS_VISIBLE | BS_GROUPBOX, kGroup, 28, 14, 205, 114},
    {WC_BUTTONW, L"LPT 1 ( 378H )", WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON,
     IDC_LPT1, 41, 40, 120, 16},
    {WC_BUTTONW, L"LPT 2 ( 278H )", WS_VISIBLE | BS_AUTORADIOBUTTON, IDC_LPT2, 41, 66, 120, 16},
    {WC_BUTTONW, L"Other address", WS_VISIBLE | BS_AUTORADIOBUTTON, IDC_OTHER, 41, 94, 104, 16},
    {WC_EDITW, L"", WS_VISIBLE | WS_GROUP | WS_TABSTOP | ES_UPPERCASE | ES_AUTOHSCROLL, IDC_ADDRESS,
     148, 91, 70, 22, WS_EX_CLIENTEDGE},
    {WC_BUTTONW, L"Fast programming", WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_AUTOCHECKBOX,
     IDC_FAST, 41, 136, 180, 16},
    {WC_STATICW, L"Port driver", WS_VISIBLE, IDC_DRIVER_LABEL, 41, 163, 70, 16},
    {WC_COMBOBOXW, L"", WS_VISIBLE | WS_GROUP | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
     IDC_DRIVER, 113, 159, 105, 100},
    {WC_STATICW, L"Hexadecimal, 1 to FFFD", SS_CENTER, IDC_ADDRESS_ERROR, 28, 188, 205, 18},
}};

}  // namespace

OptionsWindow::OptionsWindow(MainWindow& mainWindow) : mainWindow_(mainWindow) {
    Create(L"TallisOptionsWindow", L"Options", WS_POPUP | WS_CAPTION | WS_SYSMENU,
           mainWindow.Handle(), nullptr, 261, 253);
}

void OptionsWindow::Build() {
    CreateControls(hwnd_, kControls);
    CheckRadioButton(hwnd_, IDC_LPT1, IDC_OTHER, IDC_LPT1);
    HWND address = GetDlgItem(hwnd_, IDC_ADDRESS);
    SendMessageW(address, EM_SETLIMITTEXT, 6, 0);
    SendMessageW(address, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(L"e.g. 3BC"));
    HWND drivers = GetDlgItem(hwnd_, IDC_DRIVER);
    for (const wchar_t* entry : kDriverEntries) {
        SendMessageW(drivers, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    }
    ShowDriver(PortDriver::Auto);
    HWND tips = CreateToolTips(hwnd_);
    AddToolTip(tips, hwnd_, IDC_ADDRESS, Widen(std::string(kPortAddressHint)).c_str());
    AddToolTip(tips, hwnd_, IDC_FAST, Widen(std::string(kFastProgrammingHint)).c_str());
    AddToolTip(tips, hwnd_, IDC_DRIVER, Widen(std::string(kPortDriverHint)).c_str());
    // Long enough for a hint over two lines rather than one across the screen.
    SendMessageW(tips, TTM_SETMAXTIPWIDTH, 0, 300);
}

void OptionsWindow::ShowSettings(int portNumber, std::uint16_t portBase, bool fastTiming,
                                 PortDriver driver) {
    CheckDlgButton(hwnd_, IDC_FAST, fastTiming ? BST_CHECKED : BST_UNCHECKED);
    ShowDriver(driver);
    int choice = IDC_LPT1;
    if (portNumber == 0) {
        choice = IDC_OTHER;
        wchar_t address[8];
        std::swprintf(address, std::size(address), L"%X", unsigned{portBase});
        SetDlgItemTextW(hwnd_, IDC_ADDRESS, address);
    } else if (portNumber == 2) {
        choice = IDC_LPT2;
    }
    CheckRadioButton(hwnd_, IDC_LPT1, IDC_OTHER, choice);
}

void OptionsWindow::Layout() {
    font_ = MakeFont(11, false, dpi_);
    PlaceControls(hwnd_, kControls, dpi_, font_.get());
    okGlyph_ = SetButtonGlyph(GetDlgItem(hwnd_, IDOK), IDI_OK, IDI_OK_OFF, 16, dpi_);
}

void OptionsWindow::ShowDriver(PortDriver driver) {
    SendMessageW(GetDlgItem(hwnd_, IDC_DRIVER), CB_SETCURSEL, static_cast<WPARAM>(driver), 0);
}

PortDriver OptionsWindow::ChosenDriver() const {
    const LRESULT chosen = SendMessageW(GetDlgItem(hwnd_, IDC_DRIVER), CB_GETCURSEL, 0, 0);
    return chosen == CB_ERR ? PortDriver::Auto : static_cast<PortDriver>(chosen);
}

int OptionsWindow::CheckedChoice() const {
    for (int id : {IDC_LPT1, IDC_LPT2, IDC_OTHER}) {
        if (IsDlgButtonChecked(hwnd_, id) == BST_CHECKED) {
            return id;
        }
    }
    return IDC_LPT1;
}

LRESULT OptionsWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SHOWWINDOW:
            if (wParam) {
                choiceShown_ = CheckedChoice();
                addressShown_ = WindowText(GetDlgItem(hwnd_, IDC_ADDRESS));
                fastShown_ = IsDlgButtonChecked(hwnd_, IDC_FAST) == BST_CHECKED;
                driverShown_ = ChosenDriver();
            }
            break;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                Ok();
            } else if (LOWORD(wParam) == IDCANCEL) {
                Dismiss();
            } else if (LOWORD(wParam) == IDC_ADDRESS && HIWORD(wParam) == EN_UPDATE &&
                       GetFocus() == GetDlgItem(hwnd_, IDC_ADDRESS)) {
                // Typing an address chooses it.
                CheckRadioButton(hwnd_, IDC_LPT1, IDC_OTHER, IDC_OTHER);
                ShowWindow(GetDlgItem(hwnd_, IDC_ADDRESS_ERROR), SW_HIDE);
            }
            return 0;
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lParam) == GetDlgItem(hwnd_, IDC_ADDRESS_ERROR)) {
                const auto dc = reinterpret_cast<HDC>(wParam);
                SetTextColor(dc, RGB(255, 0, 0));
                SetBkMode(dc, TRANSPARENT);
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
            }
            break;
        case WM_CLOSE:
            Dismiss();
            return 0;
        default:
            break;
    }
    return Window::OnMessage(message, wParam, lParam);
}

void OptionsWindow::Ok() {
    const bool other = CheckedChoice() == IDC_OTHER;
    const CheckedPortAddress typed =
        CheckPortAddress(Narrow(WindowText(GetDlgItem(hwnd_, IDC_ADDRESS))));
    if (other && !typed.base) {
        SetDlgItemTextW(hwnd_, IDC_ADDRESS_ERROR, Widen(std::string(typed.refusal)).c_str());
        ShowWindow(GetDlgItem(hwnd_, IDC_ADDRESS_ERROR), SW_SHOW);
        SetFocus(GetDlgItem(hwnd_, IDC_ADDRESS));
        return;
    }
    Hide();
    mainWindow_.UseFastTiming(IsDlgButtonChecked(hwnd_, IDC_FAST) == BST_CHECKED);
    mainWindow_.UsePortDriver(ChosenDriver());
    if (other) {
        mainWindow_.ApplyPortAddress(*typed.base);
    } else {
        mainWindow_.ApplyPortChoice(CheckedChoice() == IDC_LPT2 ? 2 : 1);
    }
}

void OptionsWindow::Dismiss() {
    SetDlgItemTextW(hwnd_, IDC_ADDRESS, addressShown_.c_str());
    CheckRadioButton(hwnd_, IDC_LPT1, IDC_OTHER, choiceShown_);
    CheckDlgButton(hwnd_, IDC_FAST, fastShown_ ? BST_CHECKED : BST_UNCHECKED);
    ShowDriver(driverShown_);
    Hide();
}

void OptionsWindow::Hide() {
    ShowWindow(GetDlgItem(hwnd_, IDC_ADDRESS_ERROR), SW_HIDE);
    EnableWindow(mainWindow_.Handle(), TRUE);
    ShowWindow(hwnd_, SW_HIDE);
}

}  // namespace tallis::win32
