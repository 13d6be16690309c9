#include "win32/MainWindow.h"

#include <commctrl.h>
#include <shellapi.h>

#include <array>
#include <filesystem>

#include "app/CommandTexts.h"
#include "app/MessageLines.h"
#include "app/OpenFilter.h"
#include "app/StartupTexts.h"
#include "device/Device.h"
#include "win32/AboutWindow.h"
#include "win32/CalibrateWindow.h"
#include "win32/MemoryViewWindow.h"
#include "win32/OptionsWindow.h"
#include "win32/ProductionWindow.h"
#include "win32/Resources.h"

namespace tallis::win32 {

namespace {

constexpr int kClientWidth = 471;
constexpr int kClientHeight = 270;
constexpr UINT_PTR kStartupTimer = 1;
constexpr UINT kStartupDelayMs = 500;
constexpr UINT kPostedCall = WM_APP + 1;
constexpr int kTitleBarMiddle = 12;  // below the frame's top edge, at 96 dpi
// Places in the menu bar and the Device menu.
constexpr int kDeviceMenu = 2;
constexpr UINT kChipSubmenu = 7;
constexpr std::array<int, 2> kPanelRightEdges{200, 250};
constexpr int kToolbarEdge = 2001;
constexpr int kGaugeFrame = 2002;
constexpr int kProgressCaption = 2003;
constexpr int kWordCaption = 2004;
constexpr int kGroup = 2005;

constexpr DWORD kToolButton = WS_VISIBLE | BS_PUSHBUTTON | BS_ICON;
constexpr DWORD kLabel = WS_VISIBLE | SS_LEFT | SS_NOPREFIX;

// Back to front, in the Qt window's places.
constexpr std::array<ControlPlace, 18> kControls{{
    {WC_STATICW, L"", WS_VISIBLE | SS_ETCHEDHORZ, kToolbarEdge, 0, 39, 463, 2},
    {WC_STATICW, L"", WS_VISIBLE | SS_SUNKEN, kGaugeFrame, 42, 190, 386, 42},
    {PROGRESS_CLASSW, L"", WS_VISIBLE | PBS_SMOOTH, IDC_GAUGE, 50, 196, 371, 29},
    {WC_STATICW, L"Programming", kLabel, kProgressCaption, 196, 168, 80, 16},
    {WC_STATICW, L"", WS_VISIBLE | SS_BITMAP, IDC_PICTURE, 336, 47, 122, 126},
    {WC_BUTTONW, L"", kToolButton, IDM_OPEN, 0, 8, 27, 28},
    {WC_BUTTONW, L"", kToolButton | WS_DISABLED, IDM_PROGRAM, 28, 8, 33, 28},
    {WC_BUTTONW, L"", kToolButton, IDM_ERASE, 67, 8, 29, 28},
    {WC_BUTTONW, L"", kToolButton, IDM_RESET, 95, 8, 29, 28},
    {WC_BUTTONW, L"", kToolButton, IDM_ABOUT, 123, 8, 29, 28},
    {WC_BUTTONW, L"", kToolButton, IDM_EXIT, 151, 8, 29, 28},
    {WC_STATICW, L"PIC16F877 In-Circuit Programming", kLabel, IDC_TITLE, 186, 8, 285, 22},
    {WC_STATICW, L"Word", kLabel, kWordCaption, 267, 106, 32, 16},
    {WC_BUTTONW, L"SELECT", WS_VISIBLE | BS_GROUPBOX, kGroup, 26, 52, 156, 109},
    {WC_BUTTONW, L"PIC16F 877", WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON, IDC_PIC877,
     43, 86, 110, 18},
    {WC_BUTTONW, L"PIC16F 877 A", WS_VISIBLE | BS_AUTORADIOBUTTON, IDC_PIC877A, 43, 120, 110, 18},
    {WC_EDITW, L"", WS_VISIBLE | WS_GROUP | WS_TABSTOP | ES_READONLY, IDC_WORDS, 207, 103, 53, 22,
     WS_EX_CLIENTEDGE},
    {WC_BUTTONW, L"Cancel", BS_PUSHBUTTON, IDM_CANCEL, 50, 164, 75, 24},
}};

struct Glyph {
    int command;
    int normal;
    int disabled;
    int size;
    const wchar_t* hint;
};

constexpr std::array<Glyph, 6> kGlyphs{{
    {IDM_OPEN, IDI_OPEN, IDI_OPEN_OFF, 14, L"Open file"},
    {IDM_PROGRAM, IDI_PROGRAM, IDI_PROGRAM_OFF, 16, L"Erase + Program + Verify"},
    {IDM_ERASE, IDI_ERASE, IDI_ERASE_OFF, 16, L"Erase only"},
    {IDM_RESET, IDI_RESET, IDI_RESET_OFF, 16, L"Reset CPU"},
    {IDM_ABOUT, IDI_ABOUT, IDI_ABOUT_OFF, 16, L"About product"},
    {IDM_EXIT, IDI_EXIT, IDI_EXIT_OFF, 16, L"Exit"},
}};

// The gauge shows its percentage over the bar, as the Qt program's does.
LRESULT CALLBACK GaugeWithText(HWND gauge, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR) {
    const LRESULT result = DefSubclassProc(gauge, message, wParam, lParam);
    if (message == WM_PAINT || message == PBM_SETPOS) {
        RECT area{};
        GetClientRect(gauge, &area);
        const std::wstring text = std::to_wstring(SendMessageW(gauge, PBM_GETPOS, 0, 0)) + L"%";
        HDC dc = GetDC(gauge);
        const auto font = reinterpret_cast<HFONT>(SendMessageW(gauge, WM_GETFONT, 0, 0));
        const HGDIOBJ old = SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, text.c_str(), -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(dc, old);
        ReleaseDC(gauge, dc);
    }
    return result;
}

UINT DeviceChipItem(const Device* device) {
    return IDM_DEVICE_CHIP +
           (device != nullptr ? static_cast<UINT>(device - Devices().data()) + 1 : 0);
}

// Open, the recent files as "&1 name.hex", Exit.
void FillFileMenu(HMENU file, const std::vector<std::string>& recentFiles) {
    AppendMenuW(file, MF_STRING, IDM_OPEN, L" &Open\tCtrl+O");
    for (std::size_t i = 0; i < recentFiles.size(); ++i) {
        std::wstring name = std::filesystem::path(Widen(recentFiles[i])).filename().wstring();
        for (std::size_t at = name.find(L'&'); at != std::wstring::npos;
             at = name.find(L'&', at + 2)) {
            name.insert(at, 1, L'&');
        }
        AppendMenuW(file, MF_STRING, IDM_RECENT_FILE + i,
                    (L"&" + std::to_wstring(i + 1) + L" " + name).c_str());
    }
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING, IDM_EXIT, L"&Exit");
}

HMENU BuildMenu(const Device* deviceChip, const std::vector<std::string>& recentFiles) {
    HMENU file = CreatePopupMenu();
    FillFileMenu(file, recentFiles);
    HMENU run = CreatePopupMenu();
    AppendMenuW(run, MF_STRING | MF_GRAYED, IDM_PROGRAM, L"&Ereas+Program+Verify\tCtrl+P");
    AppendMenuW(run, MF_STRING, IDM_ERASE, L"&Erase\tCtrl+E");
    AppendMenuW(run, MF_STRING, IDM_RESET, L"Re&set\tCtrl+S");
    HMENU chips = CreatePopupMenu();
    AppendMenuW(chips, MF_STRING, IDM_DEVICE_CHIP, L"&Auto-detect");
    for (std::size_t row = 0; row < Devices().size(); ++row) {
        const std::string_view name = Devices()[row].name;
        AppendMenuW(chips, MF_STRING, IDM_DEVICE_CHIP + 1 + row,
                    std::wstring(name.begin(), name.end()).c_str());
    }
    CheckMenuRadioItem(chips, IDM_DEVICE_CHIP,
                       IDM_DEVICE_CHIP + static_cast<UINT>(Devices().size()),
                       DeviceChipItem(deviceChip), MF_BYCOMMAND);
    HMENU device = CreatePopupMenu();
    AppendMenuW(device, MF_STRING, IDM_IDENTIFY, L"&Identify");
    AppendMenuW(device, MF_STRING, IDM_READ, L"&Read...");
    AppendMenuW(device, MF_STRING | MF_GRAYED, IDM_VERIFY, L"&Verify");
    AppendMenuW(device, MF_STRING, IDM_BLANK_CHECK, L"&Blank check");
    AppendMenuW(device, MF_STRING | MF_GRAYED, IDM_WRITE_ALL, L"&Write all");
    AppendMenuW(device, MF_STRING | MF_GRAYED, IDM_PRODUCTION, L"&Production...");
    AppendMenuW(device, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(device, MF_POPUP, reinterpret_cast<UINT_PTR>(chips), L"&Chip");
    AppendMenuW(device, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(device, MF_STRING, IDM_MEMORY_VIEW, L"&Memory view\tCtrl+M");
    HMENU help = CreatePopupMenu();
    AppendMenuW(help, MF_STRING, IDM_ABOUT, L"&About");
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(run), L"&Run");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(device), L"&Device");
    AppendMenuW(bar, MF_STRING, IDM_OPTIONS, L"&Options");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"&Help");
    return bar;
}

HACCEL BuildShortcuts() {
    std::array<ACCEL, 6> keys{{
        {FCONTROL | FVIRTKEY, 'O', IDM_OPEN},
        {FCONTROL | FVIRTKEY, 'M', IDM_MEMORY_VIEW},
        {FCONTROL | FVIRTKEY, 'P', IDM_PROGRAM},
        {FCONTROL | FVIRTKEY, 'E', IDM_ERASE},
        {FCONTROL | FVIRTKEY, 'S', IDM_RESET},
        {FVIRTKEY, VK_ESCAPE, IDM_CANCEL},
    }};
    return CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));
}

}  // namespace

MainWindow::MainWindow(Target& target, SettingsStore& settings)
    : session_(target, *this, &settings), shortcuts_(BuildShortcuts()) {
    Create(L"TallisMainWindow", L"TALLIS  V3e",
           WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, nullptr,
           BuildMenu(session_.DeviceChip(), session_.Settings().recentFiles), kClientWidth,
           kClientHeight);
    recentShown_ = session_.Settings().recentFiles;
    options_ = std::make_unique<OptionsWindow>(*this);
    about_ = std::make_unique<AboutWindow>(*this);
    calibrate_ = std::make_unique<CalibrateWindow>(hwnd_);
    memoryView_ = std::make_unique<MemoryViewWindow>(hwnd_);
    production_ = std::make_unique<ProductionWindow>(hwnd_, session_);
    session_.Begin();
    options_->ShowSettings(session_.PortNumber(), session_.PortBase(), session_.FastTiming(),
                           session_.PortDriverChoice());
    options_->ShowBoard(session_.Settings().board, session_.Settings().ftdiDevice);
    RestorePosition();
}

// Where the window was when it closed, if its title bar would still be on a
// monitor to take hold of (the frame's corner may lie just off the screen).
void MainWindow::RestorePosition() {
    const std::optional<WindowPosition> position = session_.Settings().position;
    if (!position) {
        return;
    }
    RECT frame{};
    GetWindowRect(hwnd_, &frame);
    const POINT titleBar{position->x + (frame.right - frame.left) / 2,
                         position->y + Scaled(kTitleBarMiddle, dpi_)};
    if (MonitorFromPoint(titleBar, MONITOR_DEFAULTTONULL) != nullptr) {
        SetWindowPos(hwnd_, nullptr, position->x, position->y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// A minimized window's place says nothing about where it will be shown.
std::optional<WindowPosition> MainWindow::Position() const {
    RECT frame{};
    if (IsIconic(hwnd_) || !GetWindowRect(hwnd_, &frame)) {
        return std::nullopt;
    }
    return WindowPosition{frame.left, frame.top};
}

MainWindow::~MainWindow() {
    DestroyAcceleratorTable(shortcuts_);
}

void MainWindow::Build() {
    CreateControls(hwnd_, kControls);
    CheckRadioButton(hwnd_, IDC_PIC877, IDC_PIC877A,
                     session_.SelectedChip() == ChipType::Pic16F877 ? IDC_PIC877 : IDC_PIC877A);
    status_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd_,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS)),
                              GetModuleHandleW(nullptr), nullptr);
    DragAcceptFiles(hwnd_, TRUE);
    HWND gauge = GetDlgItem(hwnd_, IDC_GAUGE);
    SendMessageW(gauge, PBM_SETRANGE32, 0, 100);
    SetWindowSubclass(gauge, GaugeWithText, 0, 0);
    HWND tips = CreateToolTips(hwnd_);
    for (const Glyph& glyph : kGlyphs) {
        AddToolTip(tips, hwnd_, glyph.command, glyph.hint);
    }
    AddToolTip(tips, hwnd_, IDM_CANCEL, Widen(std::string(kCancelHint)).c_str());
}

void MainWindow::Layout() {
    font_ = MakeFont(11, false, dpi_);
    titleFont_ = MakeFont(16, true, dpi_);
    PlaceControls(hwnd_, kControls, dpi_, font_.get());
    SendMessageW(GetDlgItem(hwnd_, IDC_TITLE), WM_SETFONT,
                 reinterpret_cast<WPARAM>(titleFont_.get()), TRUE);
    glyphs_.clear();
    for (const Glyph& glyph : kGlyphs) {
        glyphs_.push_back(SetButtonGlyph(GetDlgItem(hwnd_, glyph.command), glyph.normal,
                                         glyph.disabled, glyph.size, dpi_));
    }
    picture_ = SetPicture(GetDlgItem(hwnd_, IDC_PICTURE), 100, dpi_);
    SendMessageW(status_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    SendMessageW(status_, WM_SIZE, 0, 0);
    std::array<int, 2> edges{};
    for (std::size_t i = 0; i < edges.size(); ++i) {
        edges.at(i) = Scaled(kPanelRightEdges.at(i), dpi_);
    }
    SendMessageW(status_, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

void MainWindow::Show(int showCommand, const std::wstring& fileToOpen) {
    ShowWindow(hwnd_, showCommand);
    UpdateWindow(hwnd_);
    SetTimer(hwnd_, kStartupTimer, kStartupDelayMs, nullptr);
    if (!fileToOpen.empty()) {
        OpenFile(fileToOpen);
    }
}

bool MainWindow::TranslateShortcut(MSG& message) {
    if (!IsWindowEnabled(hwnd_) || GetAncestor(message.hwnd, GA_ROOT) != hwnd_) {
        return false;
    }
    return TranslateAcceleratorW(hwnd_, shortcuts_, &message) != 0;
}

HWND MainWindow::ActiveDialog() const {
    for (HWND dialog : {options_->Handle(), about_->Handle(), production_->Handle()}) {
        if (IsWindowVisible(dialog)) {
            return dialog;
        }
    }
    return hwnd_;
}

LRESULT MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kPostedCall: {
            const std::unique_ptr<std::function<void()>> call(
                reinterpret_cast<std::function<void()>*>(lParam));
            (*call)();
            return 0;
        }
        case WM_COMMAND:
            Command(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_TIMER:
            if (wParam == kStartupTimer) {
                KillTimer(hwnd_, kStartupTimer);
                StartUp();
            }
            return 0;
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lParam) == GetDlgItem(hwnd_, IDC_TITLE)) {
                const auto dc = reinterpret_cast<HDC>(wParam);
                SetTextColor(dc, RGB(0, 0, 255));
                SetBkMode(dc, TRANSPARENT);
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
            }
            break;
        case WM_SIZE:
            // The status bar keeps itself at the bottom edge when told of a new size.
            SendMessageW(status_, WM_SIZE, 0, 0);
            break;
        case WM_DROPFILES:
            OpenDropped(reinterpret_cast<HDROP>(wParam));
            return 0;
        case WM_CLOSE:
            Close();
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return Window::OnMessage(message, wParam, lParam);
}

void MainWindow::Command(int id, int notification) {
    // Commands come only from an enabled window: a dialog or a message box is
    // not up, and the menus and buttons of a running command are disabled.
    if (!IsWindowEnabled(hwnd_)) {
        return;
    }
    switch (id) {
        case IDM_OPEN:
            OpenWithDialog();
            break;
        case IDM_EXIT:
            Close();
            break;
        case IDM_PROGRAM:
            session_.ProgramVerify();
            break;
        case IDM_ERASE:
            session_.Erase();
            break;
        case IDM_RESET:
            session_.Reset();
            break;
        case IDM_CANCEL:
        case IDCANCEL:
            session_.Cancel();
            break;
        case IDM_OPTIONS:
            // The port and the timing stay as they are while a command runs.
            if (!session_.Running()) {
                ShowDialog(*options_);
            }
            break;
        case IDM_ABOUT:
            ShowDialog(*about_);
            break;
        case IDM_MEMORY_VIEW:
            ShowMemoryView();
            break;
        case IDM_PRODUCTION:
            if (session_.EngineCommandAllowed() &&
                session_.CommandEnabled(WindowCommand::Production)) {
                production_->Present();
            }
            break;
        case IDM_IDENTIFY:
        case IDM_READ:
        case IDM_VERIFY:
        case IDM_BLANK_CHECK:
        case IDM_WRITE_ALL:
            RunDevice(id);
            break;
        case IDC_PIC877:
        case IDC_PIC877A:
            if (notification == BN_CLICKED) {
                session_.SelectChip(IsDlgButtonChecked(hwnd_, IDC_PIC877) == BST_CHECKED
                                        ? ChipType::Pic16F877
                                        : ChipType::Pic16F877A);
            }
            break;
        default:
            if (id >= IDM_RECENT_FILE &&
                id < IDM_RECENT_FILE + static_cast<int>(recentShown_.size())) {
                OpenRecentFile(static_cast<std::size_t>(id - IDM_RECENT_FILE));
            } else if (id >= IDM_DEVICE_CHIP &&
                       id <= IDM_DEVICE_CHIP + static_cast<int>(Devices().size())) {
                const auto row = static_cast<std::size_t>(id - IDM_DEVICE_CHIP);
                session_.SelectDeviceChip(row == 0 ? nullptr : &Devices()[row - 1]);
                CheckMenuRadioItem(GetMenu(hwnd_), IDM_DEVICE_CHIP,
                                   IDM_DEVICE_CHIP + static_cast<UINT>(Devices().size()),
                                   DeviceChipItem(session_.DeviceChip()), MF_BYCOMMAND);
            }
            break;
    }
}

std::optional<std::wstring> MainWindow::AskFileName(bool save) {
    return win32::AskFileName(hwnd_, {.filter = kHexFileFilter,
                                      .extension = L"hex",
                                      .folder = Widen(session_.Settings().lastFolder),
                                      .save = save});
}

void MainWindow::OpenWithDialog() {
    if (session_.Running()) {
        return;
    }
    if (const std::optional<std::wstring> path = AskFileName(false)) {
        OpenFile(*path);
    }
}

void MainWindow::RunDevice(int command) {
    if (!session_.EngineCommandAllowed()) {
        return;
    }
    switch (command) {
        case IDM_IDENTIFY:
            session_.RunDevice(DeviceCommandKind::Identify);
            break;
        case IDM_READ:
            if (const std::optional<std::wstring> path = AskFileName(true)) {
                session_.RunDevice(DeviceCommandKind::Read, *path);
            }
            break;
        case IDM_VERIFY:
            session_.RunDevice(DeviceCommandKind::Verify);
            break;
        case IDM_BLANK_CHECK:
            session_.RunDevice(DeviceCommandKind::BlankCheck);
            break;
        default:
            session_.RunDevice(DeviceCommandKind::WriteAll);
            break;
    }
}

void MainWindow::OpenFile(const std::wstring& path) {
    session_.Open(std::filesystem::path(path));
}

// The open file; without one, what the view last showed, or an empty chip.
void MainWindow::ShowMemoryView() {
    session_.ShowOpenFileImage(memoryView_->Source().empty());
    memoryView_->Present(true);
}

// One file dropped on the window opens as Open would; while a command runs,
// or a dialog or a message box is up, the drop is refused.
void MainWindow::OpenDropped(HDROP drop) {
    if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 1 && IsWindowEnabled(hwnd_) &&
        !session_.Running()) {
        std::wstring path(DragQueryFileW(drop, 0, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, 0, path.data(), static_cast<UINT>(path.size())));
        OpenFile(path);
    }
    DragFinish(drop);
}

void MainWindow::OpenRecentFile(std::size_t index) {
    if (!session_.Running()) {
        OpenFile(Widen(recentShown_.at(index)));
    }
}

// The File menu again when the list has changed since it was last shown.
void MainWindow::ShowRecentFiles() {
    if (session_.Settings().recentFiles == recentShown_) {
        return;
    }
    recentShown_ = session_.Settings().recentFiles;
    HMENU file = GetSubMenu(GetMenu(hwnd_), 0);
    while (GetMenuItemCount(file) > 0) {
        DeleteMenu(file, 0, MF_BYPOSITION);
    }
    FillFileMenu(file, recentShown_);
}

void MainWindow::ShowDialog(Window& dialog) {
    EnableWindow(hwnd_, FALSE);
    ShowWindow(dialog.Handle(), SW_SHOW);
    SetForegroundWindow(dialog.Handle());
}

void MainWindow::StartUp() {
    const HWND calibrate = calibrate_->Handle();
    const auto showCalibrate = [calibrate] {
        ShowWindow(calibrate, SW_SHOW);
        UpdateWindow(calibrate);
    };
    if (!session_.StartUp(showCalibrate, [calibrate] { ShowWindow(calibrate, SW_HIDE); })) {
        // The program ends here, without the close step's port writes: there
        // is no port to write to.
        ShowMessage(DisplayLines(MissingDriverText()));
        DestroyWindow(hwnd_);
    }
}

void MainWindow::Close() {
    if (session_.Running()) {
        // Closes once the command has ended: a cancelled run leaves the chip safe.
        if (!closeAfterRun_) {
            closeAfterRun_ =
                !session_.Cancellable() || AskYesNo(std::string(kCloseDuringRunQuestion));
            if (closeAfterRun_) {
                session_.Cancel();
            }
        }
        return;
    }
    // A dialog or a message box keeps the window: it takes no input then.
    if (!IsWindowEnabled(hwnd_)) {
        return;
    }
    session_.Close(Position());
    DestroyWindow(hwnd_);
}

bool MainWindow::AskYesNo(const std::string& text) {
    return MessageBoxW(hwnd_, Widen(text).c_str(), L"TALLIS",
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void MainWindow::Post(std::function<void()> call) {
    auto* posted = new std::function<void()>(std::move(call));
    if (!PostMessageW(hwnd_, kPostedCall, 0, reinterpret_cast<LPARAM>(posted))) {
        delete posted;
    }
}

void MainWindow::ShowStatus(const std::string& text) {
    SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
    UpdateWindow(status_);
}

void MainWindow::SetGauge(int percent) {
    SendMessageW(GetDlgItem(hwnd_, IDC_GAUGE), PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

void MainWindow::ShowMessage(const std::string& text) {
    MessageBoxW(hwnd_, Widen(text).c_str(), L"TALLIS", MB_OK);
}

void MainWindow::CommandStateChanged() {
    if (const FirmwareImage* image = session_.Image()) {
        SetWindowTextW(hwnd_, (L"TALLIS - " + session_.OpenedPath().wstring()).c_str());
        SetDlgItemTextW(hwnd_, IDC_WORDS, (L"  " + std::to_wstring(image->WordCount)).c_str());
    }
    ShowRecentFiles();
    // The session may have switched the chip buttons after a Device command.
    CheckRadioButton(hwnd_, IDC_PIC877, IDC_PIC877A,
                     session_.SelectedChip() == ChipType::Pic16F877 ? IDC_PIC877 : IDC_PIC877A);
    HMENU menu = GetMenu(hwnd_);
    auto enable = [&](int id, bool enabled) {
        EnableWindow(GetDlgItem(hwnd_, id), enabled);
        EnableMenuItem(menu, static_cast<UINT>(id),
                       MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    };
    const std::pair<int, WindowCommand> controls[] = {{IDM_OPEN, WindowCommand::Open},
                                                      {IDM_ERASE, WindowCommand::Erase},
                                                      {IDM_RESET, WindowCommand::Reset},
                                                      {IDM_OPTIONS, WindowCommand::Options},
                                                      {IDC_PIC877, WindowCommand::ChipButtons},
                                                      {IDC_PIC877A, WindowCommand::ChipButtons},
                                                      {IDM_IDENTIFY, WindowCommand::Identify},
                                                      {IDM_READ, WindowCommand::Read},
                                                      {IDM_BLANK_CHECK, WindowCommand::BlankCheck},
                                                      {IDM_PROGRAM, WindowCommand::ProgramVerify},
                                                      {IDM_VERIFY, WindowCommand::Verify},
                                                      {IDM_WRITE_ALL, WindowCommand::WriteAll},
                                                      {IDM_PRODUCTION, WindowCommand::Production}};
    for (const auto& [id, command] : controls) {
        enable(id, session_.CommandEnabled(command));
    }
    for (std::size_t i = 0; i < recentShown_.size(); ++i) {
        enable(IDM_RECENT_FILE + static_cast<int>(i), session_.CommandEnabled(WindowCommand::Open));
    }
    const bool deviceChip = session_.CommandEnabled(WindowCommand::DeviceChip);
    EnableMenuItem(GetSubMenu(menu, kDeviceMenu), kChipSubmenu,
                   MF_BYPOSITION | (deviceChip ? MF_ENABLED : MF_GRAYED));
    DrawMenuBar(hwnd_);
    HWND cancel = GetDlgItem(hwnd_, IDM_CANCEL);
    EnableWindow(cancel, session_.CommandEnabled(WindowCommand::Cancel));
    ShowWindow(cancel, session_.RunsCancellable() ? SW_SHOW : SW_HIDE);
    if (production_) {
        production_->ShowState();
    }
}

void MainWindow::CommandEnded() {
    if (closeAfterRun_) {
        closeAfterRun_ = false;
        PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    }
}

void MainWindow::ShowChipImage(const ChipImage& image, const Device& device,
                               const std::string& source, const std::vector<Difference>& marked) {
    memoryView_->ShowImage(image, device, source, marked);
    memoryView_->Present(false);
}

}  // namespace tallis::win32
