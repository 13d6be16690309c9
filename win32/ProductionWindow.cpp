#include "win32/ProductionWindow.h"

#include <commctrl.h>

#include <array>

#include "app/OpenFilter.h"
#include "win32/Resources.h"

namespace tallis::win32 {

namespace {

constexpr int kLabels = 2100;  // the fields' captions
constexpr DWORD kLabel = WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
constexpr DWORD kField = WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kList = WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;

constexpr std::array<ControlPlace, 22> kControls{{
    {WC_STATICW, L"Count", kLabel, kLabels, 12, 14, 90, 16},
    {WC_EDITW, L"0", kField | ES_NUMBER, IDC_PROD_COUNT, 108, 11, 60, 22, WS_EX_CLIENTEDGE},
    {WC_STATICW, L"Log file", kLabel, kLabels + 1, 12, 42, 90, 16},
    {WC_EDITW, L"", kField, IDC_PROD_LOG, 108, 39, 264, 22, WS_EX_CLIENTEDGE},
    {WC_BUTTONW, L"...", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, IDC_PROD_LOG_BROWSE, 378, 39, 30,
     22},
    {WC_STATICW, L"Log format", kLabel, kLabels + 2, 12, 70, 90, 16},
    {WC_COMBOBOXW, L"", kList, IDC_PROD_LOG_FORMAT, 108, 67, 120, 80},
    {WC_STATICW, L"Serial number", kLabel, kLabels + 3, 12, 98, 90, 16},
    {WC_EDITW, L"", kField, IDC_PROD_SERIAL, 108, 95, 120, 22, WS_EX_CLIENTEDGE},
    {WC_STATICW, L"Serial at", kLabel, kLabels + 4, 12, 126, 90, 16},
    {WC_EDITW, L"", kField, IDC_PROD_SERIAL_AT, 108, 123, 120, 22, WS_EX_CLIENTEDGE},
    {WC_STATICW, L"Serial format", kLabel, kLabels + 5, 12, 154, 90, 16},
    {WC_COMBOBOXW, L"", kList, IDC_PROD_SERIAL_FORMAT, 108, 151, 120, 80},
    {WC_STATICW, L"Serial file", kLabel, kLabels + 6, 12, 182, 90, 16},
    {WC_EDITW, L"", kField, IDC_PROD_SERIAL_FILE, 108, 179, 300, 22, WS_EX_CLIENTEDGE},
    {WC_BUTTONW, L"Over the file's own data", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX,
     IDC_PROD_OVERWRITE, 108, 207, 200, 16},
    {WC_STATICW, L"-", WS_VISIBLE | SS_CENTER | SS_NOPREFIX, IDC_PROD_RESULT, 12, 232, 396, 56},
    {WC_STATICW, L"Passed 0   Failed 0", WS_VISIBLE | SS_CENTER | SS_NOPREFIX, IDC_PROD_COUNTS, 12,
     290, 396, 18},
    {WC_STATICW, L"", kLabel, IDC_PROD_LAST, 12, 312, 396, 34},
    {WC_BUTTONW, L"&Start", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, IDC_PROD_START, 184, 352,
     70, 26},
    {WC_BUTTONW, L"S&top", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, IDC_PROD_STOP, 262, 352, 70,
     26},
    {WC_BUTTONW, L"&Close", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, IDC_PROD_CLOSE, 340, 352, 70,
     26},
}};

constexpr std::array<int, 9> kFields{
    IDC_PROD_COUNT,         IDC_PROD_LOG,         IDC_PROD_LOG_BROWSE,
    IDC_PROD_LOG_FORMAT,    IDC_PROD_SERIAL,      IDC_PROD_SERIAL_AT,
    IDC_PROD_SERIAL_FORMAT, IDC_PROD_SERIAL_FILE, IDC_PROD_OVERWRITE};

}  // namespace

ProductionWindow::ProductionWindow(HWND mainWindow, DesktopSession& session)
    : mainWindow_(mainWindow), session_(session) {
    Create(L"TallisProductionWindow", L"Production", WS_POPUP | WS_CAPTION | WS_SYSMENU, mainWindow,
           nullptr, 420, 390);
}

void ProductionWindow::Build() {
    CreateControls(hwnd_, kControls);
    HWND logFormat = GetDlgItem(hwnd_, IDC_PROD_LOG_FORMAT);
    for (const wchar_t* entry : {L"JSON Lines", L"CSV"}) {
        SendMessageW(logFormat, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    }
    SendMessageW(logFormat, CB_SETCURSEL, 0, 0);
    HWND serialFormat = GetDlgItem(hwnd_, IDC_PROD_SERIAL_FORMAT);
    for (const wchar_t* entry : {L"dec", L"hex", L"bcd"}) {
        SendMessageW(serialFormat, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    }
    SendMessageW(serialFormat, CB_SETCURSEL, 0, 0);
    SendMessageW(GetDlgItem(hwnd_, IDC_PROD_SERIAL), EM_SETCUEBANNER, TRUE,
                 reinterpret_cast<LPARAM>(L"START[:STEP]; empty: none"));
    SendMessageW(GetDlgItem(hwnd_, IDC_PROD_SERIAL_AT), EM_SETCUEBANNER, TRUE,
                 reinterpret_cast<LPARAM>(L"id, eeprom:ADDR"));
    SendMessageW(GetDlgItem(hwnd_, IDC_PROD_SERIAL_FILE), EM_SETCUEBANNER, TRUE,
                 reinterpret_cast<LPARAM>(L"beside the HEX file"));
    ShowForm(session_.Settings().production);
}

void ProductionWindow::ShowForm(const ProductionForm& form) {
    const auto show = [this](int id, const std::string& text) {
        SetDlgItemTextW(hwnd_, id, Widen(text).c_str());
    };
    show(IDC_PROD_COUNT, form.count.empty() ? "0" : form.count);
    show(IDC_PROD_LOG, form.logPath);
    SendMessageW(GetDlgItem(hwnd_, IDC_PROD_LOG_FORMAT), CB_SETCURSEL, form.csv ? 1 : 0, 0);
    show(IDC_PROD_SERIAL, form.serialStart);
    show(IDC_PROD_SERIAL_AT, form.serialAt);
    SendMessageW(GetDlgItem(hwnd_, IDC_PROD_SERIAL_FORMAT), CB_SELECTSTRING,
                 static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(Widen(form.serialFormat).c_str()));
    show(IDC_PROD_SERIAL_FILE, form.serialFile);
    CheckDlgButton(hwnd_, IDC_PROD_OVERWRITE, form.serialOverwrite ? BST_CHECKED : BST_UNCHECKED);
}

void ProductionWindow::Layout() {
    font_ = MakeFont(11, false, dpi_);
    bigFont_ = MakeFont(44, true, dpi_);
    PlaceControls(hwnd_, kControls, dpi_, font_.get());
    SendMessageW(GetDlgItem(hwnd_, IDC_PROD_RESULT), WM_SETFONT,
                 reinterpret_cast<WPARAM>(bigFont_.get()), TRUE);
}

void ProductionWindow::Present() {
    ShowState();
    EnableWindow(mainWindow_, FALSE);
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
}

void ProductionWindow::Hide() {
    if (running_) {
        return;
    }
    EnableWindow(mainWindow_, TRUE);
    ShowWindow(hwnd_, SW_HIDE);
    SetForegroundWindow(mainWindow_);
}

ProductionForm ProductionWindow::Form() const {
    const auto text = [this](int id) { return Narrow(WindowText(GetDlgItem(hwnd_, id))); };
    const auto chosen = [this](int id) {
        return SendMessageW(GetDlgItem(hwnd_, id), CB_GETCURSEL, 0, 0);
    };
    return {.count = text(IDC_PROD_COUNT),
            .logPath = text(IDC_PROD_LOG),
            .csv = chosen(IDC_PROD_LOG_FORMAT) == 1,
            .serialStart = text(IDC_PROD_SERIAL),
            .serialAt = text(IDC_PROD_SERIAL_AT),
            .serialFormat = Narrow(WindowText(GetDlgItem(hwnd_, IDC_PROD_SERIAL_FORMAT))),
            .serialFile = text(IDC_PROD_SERIAL_FILE),
            .serialOverwrite = IsDlgButtonChecked(hwnd_, IDC_PROD_OVERWRITE) == BST_CHECKED};
}

void ProductionWindow::Start() {
    if (running_) {
        return;
    }
    std::string problem;
    const ProductionForm form = Form();
    const std::optional<ProductionChoice> choice =
        ReadProductionForm(form, session_.OpenedPath(), problem);
    if (choice) {
        session_.RememberProductionForm(form);
        problem = session_.StartProduction(
            *choice, {.chipDone = [this](const ProductionTally& tally) { ShowChip(tally); },
                      .ended =
                          [this](const ProductionTally&) {
                              running_ = false;
                              ShowState();
                          }});
    }
    if (!problem.empty()) {
        MessageBoxW(hwnd_, Widen(problem).c_str(), L"TALLIS", MB_OK);
        return;
    }
    running_ = true;
    anyChip_ = false;
    SetDlgItemTextW(hwnd_, IDC_PROD_RESULT, L"Insert a chip");
    SetDlgItemTextW(hwnd_, IDC_PROD_LAST, L"");
    ShowCounts(0, 0);
    ShowState();
}

// Appended to, never replaced: the dialog does not ask about overwriting.
void ProductionWindow::BrowseLog() {
    const bool csv = SendMessageW(GetDlgItem(hwnd_, IDC_PROD_LOG_FORMAT), CB_GETCURSEL, 0, 0) == 1;
    const LogFileDialog& log = csv ? kCsvLog : kJsonLinesLog;
    if (const std::optional<std::wstring> path =
            AskFileName(hwnd_, {.filter = log.filter,
                                .extension = Widen(log.extension),
                                .folder = LogDialogFolder(Form(), session_.OpenedPath()).wstring(),
                                .save = true,
                                .confirmOverwrite = false})) {
        SetDlgItemTextW(hwnd_, IDC_PROD_LOG, path->c_str());
    }
}

void ProductionWindow::Stop() {
    if (running_) {
        session_.Cancel();
        ShowState();
    }
}

void ProductionWindow::ShowState() {
    if (hwnd_ == nullptr) {
        return;
    }
    EnableWindow(GetDlgItem(hwnd_, IDC_PROD_START),
                 !running_ && session_.CommandEnabled(WindowCommand::Production));
    EnableWindow(GetDlgItem(hwnd_, IDC_PROD_STOP), running_ && session_.Cancellable());
    EnableWindow(GetDlgItem(hwnd_, IDC_PROD_CLOSE), !running_);
    for (const int field : kFields) {
        EnableWindow(GetDlgItem(hwnd_, field), !running_);
    }
}

void ProductionWindow::ShowCounts(unsigned passed, unsigned failed) {
    SetDlgItemTextW(
        hwnd_, IDC_PROD_COUNTS,
        (L"Passed " + std::to_wstring(passed) + L"   Failed " + std::to_wstring(failed)).c_str());
}

void ProductionWindow::ShowChip(const ProductionTally& tally) {
    anyChip_ = true;
    lastPassed_ = tally.lastPassed;
    SetDlgItemTextW(hwnd_, IDC_PROD_RESULT, tally.lastPassed ? L"PASS" : L"FAIL");
    ShowCounts(tally.passed, tally.failed);
    SetDlgItemTextW(hwnd_, IDC_PROD_LAST, Widen(tally.lastLine).c_str());
}

LRESULT ProductionWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_PROD_START:
                    Start();
                    break;
                case IDC_PROD_STOP:
                    Stop();
                    break;
                case IDC_PROD_LOG_BROWSE:
                    BrowseLog();
                    break;
                case IDCANCEL:  // Esc: stops a run, or closes the window
                    running_ ? Stop() : Hide();
                    break;
                case IDC_PROD_CLOSE:
                    Hide();
                    break;
                default:
                    break;
            }
            return 0;
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lParam) == GetDlgItem(hwnd_, IDC_PROD_RESULT) && anyChip_) {
                const auto dc = reinterpret_cast<HDC>(wParam);
                SetTextColor(dc, lastPassed_ ? RGB(0, 128, 0) : RGB(255, 0, 0));
                SetBkMode(dc, TRANSPARENT);
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
            }
            break;
        case WM_CLOSE:
            running_ ? Stop() : Hide();
            return 0;
        default:
            break;
    }
    return Window::OnMessage(message, wParam, lParam);
}

}  // namespace tallis::win32
