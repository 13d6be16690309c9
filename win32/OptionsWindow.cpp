#include "win32/OptionsWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cwchar>
#include <iterator>

#include "app/BoardText.h"
#include "app/CommandTexts.h"
#include "app/FtdiDeviceText.h"
#include "app/PortAddress.h"
#include "win32/MainWindow.h"
#include "win32/Resources.h"

namespace tallis::win32 {

namespace {

constexpr int kGroup = 2001;

// The port driver list's entries, in the order of PortDriver.
constexpr std::array<const wchar_t*, 3> kDriverEntries{L"Auto", L"InpOut", L"zlportio.sys"};

constexpr int kBoardGroup = 2002;

// A picture's lines as a static control breaks them.
std::string CrLf(const std::string& text) {
    std::string lines;
    for (const char c : text) {
        if (c == '\n') {
            lines += '\r';
        }
        lines += c;
    }
    return lines;
}

constexpr std::array<ControlPlace, 16> kControls{{
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
    {WC_BUTTONW, L"Interface board", WS_VISIBLE | BS_GROUPBOX, kBoardGroup, 250, 14, 490, 226},
    {WC_COMBOBOXW, L"", WS_VISIBLE | WS_GROUP | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
     IDC_BOARD, 262, 36, 466, 300},
    {WC_STATICW, L"", WS_VISIBLE, IDC_BOARD_PICTURE, 262, 66, 466, 120},
    {WC_STATICW, L"FTDI device", WS_VISIBLE, IDC_FTDI_DEVICE_LABEL, 262, 192, 90, 16},
    {WC_COMBOBOXW, L"", WS_VISIBLE | WS_GROUP | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
     IDC_FTDI_DEVICE, 352, 188, 376, 200},
    {WC_STATICW, L"", 0, IDC_BOARD_ERROR, 262, 216, 466, 18},
}};

}  // namespace

OptionsWindow::OptionsWindow(MainWindow& mainWindow) : mainWindow_(mainWindow) {
    Create(L"TallisOptionsWindow", L"Options", WS_POPUP | WS_CAPTION | WS_SYSMENU,
           mainWindow.Handle(), nullptr, 761, 253);
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
    HWND boards = GetDlgItem(hwnd_, IDC_BOARD);
    for (const board::BoardWiring& row : board::Boards()) {
        Select(boards, boards_, std::string(row.name),
               Widen(std::string(row.name) + " - " + std::string(row.title)));
    }
    for (const board::FtdiWiring& row : board::FtdiWirings()) {
        Select(boards, boards_, std::string(row.name),
               Widen(std::string(row.name) + " - " + std::string(row.description)));
    }
    Select(boards, boards_, std::string(board::kDefaultBoard.name), L"");
    ListFtdiDevices();
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

void OptionsWindow::ShowBoard(const std::string& nameOrFile, const std::string& ftdiDevice) {
    Select(GetDlgItem(hwnd_, IDC_BOARD), boards_, nameOrFile, Widen(nameOrFile));
    Select(GetDlgItem(hwnd_, IDC_FTDI_DEVICE), ftdiDevices_, ftdiDevice, Widen(ftdiDevice));
    ShowPicture();
}

void OptionsWindow::Select(HWND list, std::vector<std::string>& values, const std::string& value,
                           const std::wstring& text) {
    auto found = std::find(values.begin(), values.end(), value);
    if (found == values.end()) {
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        values.push_back(value);
        found = values.end() - 1;
    }
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(found - values.begin()), 0);
}

std::string OptionsWindow::ChosenBoard() const {
    const LRESULT chosen = SendMessageW(GetDlgItem(hwnd_, IDC_BOARD), CB_GETCURSEL, 0, 0);
    return chosen == CB_ERR ? std::string(board::kDefaultBoard.name)
                            : boards_.at(static_cast<std::size_t>(chosen));
}

std::string OptionsWindow::ChosenFtdiDevice() const {
    const LRESULT chosen = SendMessageW(GetDlgItem(hwnd_, IDC_FTDI_DEVICE), CB_GETCURSEL, 0, 0);
    return chosen == CB_ERR ? std::string() : ftdiDevices_.at(static_cast<std::size_t>(chosen));
}

// The devices as they are now, the one chosen kept selected.
void OptionsWindow::ListFtdiDevices() {
    const std::string chosen = ChosenFtdiDevice();
    HWND list = GetDlgItem(hwnd_, IDC_FTDI_DEVICE);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    ftdiDevices_.clear();
    Select(list, ftdiDevices_, "", Widen(std::string(kOnlyFtdiDeviceItem)));
    std::string problem;
    for (const ftdi::FtdiListing& device : mainWindow_.FtdiDevices(problem)) {
        Select(list, ftdiDevices_, FtdiDeviceSelector(device), Widen(FtdiDeviceText(device)));
    }
    Select(list, ftdiDevices_, chosen, Widen(chosen));
}

// A built-in board's picture comes from its row; a file's from the file as
// it is now.
void OptionsWindow::ShowPicture() {
    const board::BoardChoice choice = board::ChooseAnyBoard(ChosenBoard());
    SetDlgItemTextW(hwnd_, IDC_BOARD_PICTURE, Widen(CrLf(BoardChoicePicture(choice))).c_str());
    for (const int id : {IDC_FTDI_DEVICE, IDC_FTDI_DEVICE_LABEL}) {
        EnableWindow(GetDlgItem(hwnd_, id), choice.ftdi != nullptr ? TRUE : FALSE);
    }
}

void OptionsWindow::Layout() {
    font_ = MakeFont(11, false, dpi_);
    PlaceControls(hwnd_, kControls, dpi_, font_.get());
    fixedFont_ = MakeFixedFont(10, dpi_);
    SendMessageW(GetDlgItem(hwnd_, IDC_BOARD_PICTURE), WM_SETFONT,
                 reinterpret_cast<WPARAM>(fixedFont_.get()), TRUE);
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
                ListFtdiDevices();
                boardShown_ = ChosenBoard();
                ftdiDeviceShown_ = ChosenFtdiDevice();
            }
            break;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                Ok();
            } else if (LOWORD(wParam) == IDC_BOARD && HIWORD(wParam) == CBN_SELCHANGE) {
                ShowWindow(GetDlgItem(hwnd_, IDC_BOARD_ERROR), SW_HIDE);
                ShowPicture();
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
            if (reinterpret_cast<HWND>(lParam) == GetDlgItem(hwnd_, IDC_ADDRESS_ERROR) ||
                reinterpret_cast<HWND>(lParam) == GetDlgItem(hwnd_, IDC_BOARD_ERROR)) {
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
    if (const std::string refused = mainWindow_.ApplyBoard(ChosenBoard()); !refused.empty()) {
        SetDlgItemTextW(hwnd_, IDC_BOARD_ERROR, Widen(refused).c_str());
        ShowWindow(GetDlgItem(hwnd_, IDC_BOARD_ERROR), SW_SHOW);
        return;
    }
    mainWindow_.ApplyFtdiDevice(ChosenFtdiDevice());
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
    ShowBoard(boardShown_, ftdiDeviceShown_);
    Hide();
}

void OptionsWindow::Hide() {
    ShowWindow(GetDlgItem(hwnd_, IDC_ADDRESS_ERROR), SW_HIDE);
    ShowWindow(GetDlgItem(hwnd_, IDC_BOARD_ERROR), SW_HIDE);
    EnableWindow(mainWindow_.Handle(), TRUE);
    ShowWindow(hwnd_, SW_HIDE);
}

}  // namespace tallis::win32
