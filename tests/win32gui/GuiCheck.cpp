#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

// tallis-gui-check PROGRAM HEXFILE [SCREENSHOT_FOLDER]
//
// Starts PROGRAM (tallis-sim.exe) with HEXFILE and checks its windows from
// outside: the main window's controls and captions, a program run that ends
// with the download message, the memory view through the Device menu and
// after a Verify that found differences, Device > Identify and Write all, the
// Options and About windows opening and closing, and the close; then a second
// start with a full program memory (written to the temporary folder) that
// keeps the chip choice, runs the file until Esc cancels it, the window
// answering and the commands refused meanwhile, and offers the first file in
// the File menu. With a folder it saves the main window after the run, the
// memory view and the Options window as BMP files there. With
// --missing-driver it checks that tallis.exe without its port driver says so
// and ends; with --program-run, that PROGRAM starts its port driver and runs
// Erase + Program + Verify of HEXFILE to its end; with --production, that
// Device > Production writes two chips that the simulated socket offers
// (PROGRAM is tallis-sim.exe) and logs each. The last line of its output is PASS when every
// check held.
namespace {

// The program's command identifiers (win32/Resources.h).
constexpr int kProgramCommand = 1003;
constexpr int kEraseCommand = 1004;
constexpr int kVerifyCommand = 1012;
constexpr int kWriteAllCommand = 1014;
constexpr int kCancelCommand = 1008;
constexpr int kPic877Button = 1101;
constexpr int kPic877AButton = 1102;
constexpr int kOptionsCommand = 1006;
constexpr int kAboutCommand = 1007;
constexpr int kIdentifyCommand = 1010;
constexpr int kWordsBox = 1103;
constexpr int kGauge = 1104;
constexpr int kStatusBar = 1105;
constexpr int kProductionCommand = 1016;
constexpr int kProductionCount = 1601;
constexpr int kProductionLog = 1602;
constexpr int kProductionResult = 1609;
constexpr int kProductionCounts = 1610;
constexpr int kProductionStart = 1612;
constexpr int kProductionClose = 1614;

struct Control {
    std::wstring className;
    std::wstring text;
    bool visible;
};

std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 2000,
                        nullptr);
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[128] = {};
    GetClassNameW(window, name, 128);
    return name;
}

std::vector<Control> ControlsOf(HWND parent) {
    std::vector<Control> controls;
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM list) -> BOOL {
            reinterpret_cast<std::vector<Control>*>(list)->push_back(
                {ClassOf(child), TextOf(child), IsWindowVisible(child) != FALSE});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&controls));
    return controls;
}

struct Search {
    DWORD process;
    std::wstring title;
    HWND found = nullptr;
};

// A visible top-level window of the process with this title.
HWND FindWindowOf(DWORD process, const std::wstring& title) {
    Search search{process, title};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* wanted = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == wanted->process && IsWindowVisible(window) &&
                TextOf(window).starts_with(wanted->title)) {
                wanted->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool WaitFor(const std::function<bool()>& condition, int seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
}

class Failure : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

void Expect(bool condition, const std::string& what) {
    if (!condition) {
        throw Failure(what);
    }
    std::printf("ok: %s\n", what.c_str());
}

// The process's window whose title starts with title, once it is up.
HWND ExpectWindow(DWORD process, const std::wstring& title, int seconds, const std::string& what) {
    HWND window = nullptr;
    Expect(WaitFor([&] { return (window = FindWindowOf(process, title)) != nullptr; }, seconds),
           what);
    return window;
}

std::string Narrow(const std::wstring& text) {
    return {text.begin(), text.end()};
}

void ExpectControls(HWND window, const std::vector<std::pair<std::wstring, std::wstring>>& wanted) {
    const std::vector<Control> controls = ControlsOf(window);
    for (const auto& [className, text] : wanted) {
        bool present = false;
        for (const Control& control : controls) {
            present = present ||
                      (control.className == className && control.text == text && control.visible);
        }
        Expect(present, Narrow(className) + " \"" + Narrow(text) + "\" shown");
    }
}

// The window as it is on the screen, as a 24-bit BMP file.
void SaveScreenshot(HWND window, const std::wstring& path) {
    SetForegroundWindow(window);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    RECT frame{};
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const int stride = ((width * 3 + 3) / 4) * 4;
    std::vector<char> pixels(static_cast<std::size_t>(stride * height));
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    BITMAPFILEHEADER file{
        0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof info + pixels.size()), 0, 0,
        static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof info)};
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    Expect(out.good(), "screenshot " + Narrow(path));
}

// The text of the program's message box, once it is up; the box is then dismissed.
std::wstring DismissMessageBox(DWORD process, HWND main) {
    HWND box = nullptr;
    Expect(
        WaitFor([&] { return (box = FindWindowOf(process, L"TALLIS")) != nullptr && box != main; },
                120),
        "message box up");
    std::wstring message;
    for (const Control& control : ControlsOf(box)) {
        if (control.className == L"Static" && !control.text.empty()) {
            message = control.text;
        }
    }
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    Expect(WaitFor([&] { return !IsWindow(main) || IsWindowEnabled(main); }, 30),
           "message box dismissed");
    return message;
}

// Types the key with the modifiers held, into the window in front.
void Press(std::initializer_list<WORD> modifiers, WORD key) {
    std::vector<INPUT> inputs;
    auto add = [&inputs](WORD virtualKey, bool up) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    for (WORD modifier : modifiers) {
        add(modifier, false);
    }
    add(key, false);
    add(key, true);
    for (auto modifier = std::rbegin(modifiers); modifier != std::rend(modifiers); ++modifier) {
        add(*modifier, true);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
}

// Chooses a menu item as a user would with the keyboard: Alt+menu, item.
void ChooseFromMenu(HWND main, WORD menuKey, WORD itemKey) {
    SetForegroundWindow(main);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Press({VK_MENU}, menuKey);
    Press({}, itemKey);
}

// A tab's caption: the control writes it into its own process, so the
// buffer is lent there.
std::wstring TabText(HANDLE process, HWND tabs, int index) {
    struct Lent {
        TCITEMW item;
        wchar_t text[64];
    };
    void* remote = VirtualAllocEx(process, nullptr, sizeof(Lent), MEM_COMMIT, PAGE_READWRITE);
    Lent lent{};
    lent.item.mask = TCIF_TEXT;
    lent.item.pszText = static_cast<Lent*>(remote)->text;
    lent.item.cchTextMax = 64;
    WriteProcessMemory(process, remote, &lent, sizeof lent, nullptr);
    SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(process, remote, &lent, sizeof lent, nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    lent.text[63] = L'\0';
    return lent.text;
}

void ExpectMemoryViewTabs(HANDLE process, HWND view) {
    HWND tabs = FindWindowExW(view, nullptr, WC_TABCONTROLW, nullptr);
    Expect(tabs != nullptr && SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0) == 3,
           "memory view has three tabs");
    const std::vector<std::wstring> captions{L"Program memory", L"EEPROM", L"Configuration"};
    for (int i = 0; i < 3; ++i) {
        const std::wstring caption = TabText(process, tabs, i);
        Expect(caption == captions.at(static_cast<std::size_t>(i)),
               "memory view tab \"" + Narrow(caption) + "\"");
    }
}

void MoveMouse(POINT to) {
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dx = MulDiv(to.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    move.mi.dy = MulDiv(to.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &move, sizeof move);
}

// The tooltip the program shows when the mouse rests at the point on the
// screen, coming from the left.
std::wstring TooltipAt(DWORD process, POINT point) {
    std::wstring text;
    MoveMouse(POINT{point.x - 50, point.y});
    WaitFor(
        [&] {
            POINT cursor{};
            GetCursorPos(&cursor);
            if (cursor.x != point.x || cursor.y != point.y) {
                // Wine now and then loses a move while the pointer settles.
                MoveMouse(point);
                return false;
            }
            HWND tip = nullptr;
            while ((tip = FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr)) != nullptr) {
                DWORD owner = 0;
                GetWindowThreadProcessId(tip, &owner);
                if (owner == process && IsWindowVisible(tip) && !TextOf(tip).empty()) {
                    text = TextOf(tip);
                    return true;
                }
            }
            return false;
        },
        5);
    return text;
}

std::wstring Trimmed(const std::wstring& text) {
    const auto first = text.find_first_not_of(L' ');
    return first == std::wstring::npos ? std::wstring() : text.substr(first);
}

void ExpectStartUpDone(DWORD id, HWND main) {
    Expect(WaitFor(
               [&] {
                   return TextOf(GetDlgItem(main, kStatusBar)) ==
                              L"Driver successfully started !" &&
                          !FindWindowOf(id, L"Time calibrate");
               },
               60),
           "start-up step done: driver started, timer calibrated");
}

void CloseProgram(const PROCESS_INFORMATION& process, HWND main) {
    PostMessageW(main, WM_CLOSE, 0, 0);
    Expect(WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0, "program ends on close");
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    Expect(exitCode == 0, "exit code 0");
}

// Device > Memory view shows the open file; a Verify of the erased chip shows
// it with the differences marked.
void CheckMemoryView(const PROCESS_INFORMATION& process, HWND main,
                     const std::wstring& screenshots) {
    const DWORD id = process.dwProcessId;
    ChooseFromMenu(main, 'D', 'M');
    const HWND view =
        ExpectWindow(id, L"Memory view - blink877a.hex", 10, "Device > Memory view shows the file");
    ExpectMemoryViewTabs(process.hProcess, view);
    HWND tabs = FindWindowExW(view, nullptr, WC_TABCONTROLW, nullptr);
    Press({VK_CONTROL}, VK_TAB);
    Expect(SendMessageW(tabs, TCM_GETCURSEL, 0, 0) == 1, "Ctrl+Tab goes to the EEPROM tab");
    Press({VK_CONTROL, VK_SHIFT}, VK_TAB);
    Expect(SendMessageW(tabs, TCM_GETCURSEL, 0, 0) == 0, "Ctrl+Shift+Tab goes back");
    PostMessageW(main, WM_COMMAND, kEraseCommand, 0);
    Expect(WaitFor([&] { return TextOf(GetDlgItem(main, kStatusBar)) == L"Chip erased"; }, 60),
           "Erase done");
    PostMessageW(main, WM_COMMAND, kVerifyCommand, 0);
    DismissMessageBox(id, main);
    Expect(FindWindowOf(id, L"Memory view - blink877a.hex against the chip") != nullptr,
           "a Verify that found differences shows them in the memory view");
    // The first word of the program list: below the header, after the address column.
    HWND list = FindWindowExW(view, nullptr, WC_LISTVIEWW, nullptr);
    RECT header{};
    GetWindowRect(FindWindowExW(list, nullptr, WC_HEADERW, nullptr), &header);
    const std::wstring tip = TooltipAt(id, POINT{header.left + 94, header.bottom + 8});
    Expect(
        tip == L"File: 0x2805\nChip: 0x3FFF",
        "a marked word's tooltip gives the file's and the chip's value: \"" + Narrow(tip) + "\"");
    if (!screenshots.empty()) {
        SaveScreenshot(view, screenshots + L"\\windows-memory-view.bmp");
    }
    PostMessageW(view, WM_CLOSE, 0, 0);
    Expect(WaitFor([&] { return !IsWindowVisible(view); }, 10), "memory view closes");
}

void CheckProgram(const PROCESS_INFORMATION& process, const std::wstring& screenshots) {
    const DWORD id = process.dwProcessId;
    const HWND main =
        ExpectWindow(id, L"TALLIS - ", 60, "main window up with the file in its title");
    ExpectControls(main, {{L"Button", L"SELECT"},
                          {L"Button", L"PIC16F 877"},
                          {L"Button", L"PIC16F 877 A"},
                          {L"Static", L"PIC16F877 In-Circuit Programming"},
                          {L"Static", L"Programming"},
                          {L"Static", L"Word"},
                          {L"msctls_progress32", L""}});
    const std::wstring words = Trimmed(TextOf(GetDlgItem(main, kWordsBox)));
    Expect(!words.empty() && words != L"0",
           "Word box shows the file's " + Narrow(words) + " words");

    HWND programButton = GetDlgItem(main, kProgramCommand);
    HWND status = GetDlgItem(main, kStatusBar);
    ExpectStartUpDone(id, main);
    Expect(IsWindowEnabled(programButton), "Erase + Program + Verify enabled");

    PostMessageW(main, WM_COMMAND, kProgramCommand, 0);
    const std::wstring message = DismissMessageBox(id, main);
    Expect(message == L"Down load data " + words + L" words complete",
           "run message \"" + Narrow(message) + "\"");
    Expect(WaitFor([&] { return IsWindowEnabled(main) && IsWindowEnabled(programButton); }, 30),
           "run ended, window enabled");
    Expect(SendMessageW(GetDlgItem(main, kGauge), PBM_GETPOS, 0, 0) == 100, "gauge at 100");
    Expect(TextOf(status) == L"Current LPT Port :1  (378H)", "status shows the port");
    if (!screenshots.empty()) {
        SaveScreenshot(main, screenshots + L"\\windows-main-window.bmp");
    }

    CheckMemoryView(process, main, screenshots);

    PostMessageW(main, WM_COMMAND, kIdentifyCommand, 0);
    const std::wstring identified = DismissMessageBox(id, main);
    Expect(identified.find(L"PIC16F877A") != std::wstring::npos,
           "Device > Identify names the chip: \"" + Narrow(identified) + "\"");
    Expect(WaitFor([&] { return IsWindowEnabled(programButton) != FALSE; }, 30), "Identify ended");

    PostMessageW(main, WM_COMMAND, kWriteAllCommand, 0);
    const std::wstring written = DismissMessageBox(id, main);
    Expect(written.starts_with(L"Wrote and verified PIC16F877A"),
           "Device > Write all writes the file: \"" + Narrow(written) + "\"");
    Expect(WaitFor([&] { return IsWindowEnabled(programButton) != FALSE; }, 30), "Write all ended");

    PostMessageW(main, WM_COMMAND, kOptionsCommand, 0);
    const HWND options = ExpectWindow(id, L"Options", 10, "Options opens");
    ExpectControls(options, {{L"Button", L"Port setting"},
                             {L"Button", L"LPT 1 ( 378H )"},
                             {L"Button", L"LPT 2 ( 278H )"},
                             {L"Button", L"Other address"},
                             {L"Button", L"Fast programming"},
                             {L"Static", L"Port driver"},
                             {L"ComboBox", L"Auto"},
                             {L"Button", L"Interface board"},
                             {L"ComboBox", L"default - TALLIS interface board"},
                             {L"Static", L"FTDI device"},
                             {L"Button", L"OK"}});
    Expect(!IsWindowEnabled(main), "main window disabled under Options");
    if (!screenshots.empty()) {
        SaveScreenshot(options, screenshots + L"\\windows-options.bmp");
    }
    PostMessageW(options, WM_COMMAND, IDOK, 0);
    Expect(WaitFor([&] { return !IsWindowVisible(options) && IsWindowEnabled(main); }, 10),
           "Options closes with OK");

    PostMessageW(main, WM_COMMAND, kAboutCommand, 0);
    const HWND about = ExpectWindow(id, L"About TALLIS", 10, "About opens");
    ExpectControls(about, {{L"Static", L"TALLIS  for   Windows  V3"}, {L"Button", L"OK"}});
    PostMessageW(about, WM_CLOSE, 0, 0);
    Expect(WaitFor([&] { return !IsWindowVisible(about) && IsWindowEnabled(main); }, 10),
           "About closes with its close box");

    // A choice the next start must show.
    SendMessageW(GetDlgItem(main, kPic877Button), BM_CLICK, 0, 0);
    CloseProgram(process, main);
}

// A word at every program-memory address, in 16-byte records: a run of it
// takes minutes on the simulated board in real time (the chip alone needs
// 2 ms a word), time enough to watch it and cancel it. The file goes to the
// temporary folder; nothing when it cannot be written.
std::optional<std::wstring> WriteFullMemoryFile() {
    constexpr unsigned kWords = 0x2000;
    constexpr unsigned kWordsPerRecord = 8;
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"tallis-gui-check-full.hex";
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    char line[64];
    for (unsigned address = 0; address < kWords; address += kWordsPerRecord) {
        const unsigned byteAddress = address * 2;
        unsigned sum = kWordsPerRecord * 2 + (byteAddress >> 8) + (byteAddress & 0xFF);
        std::snprintf(line, sizeof line, ":%02X%04X00", kWordsPerRecord * 2, byteAddress);
        out << line;
        for (unsigned word = address; word < address + kWordsPerRecord; ++word) {
            // Each word its own address, low byte first.
            std::snprintf(line, sizeof line, "%02X%02X", word & 0xFF, word >> 8);
            out << line;
            sum += (word & 0xFF) + (word >> 8);
        }
        std::snprintf(line, sizeof line, "%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
        out << line;
    }
    out << ":00000001FF\r\n";
    if (!out.good()) {
        std::fprintf(stderr, "FAIL: cannot write %ls\n", path.c_str());
        return std::nullopt;
    }
    return path;
}

// "Cancelled at 0123H; VPP off": the address of a word that was not written.
bool IsCancelledStatus(const std::wstring& text) {
    const std::wstring prefix = L"Cancelled at ";
    const std::wstring suffix = L"H; VPP off";
    if (!text.starts_with(prefix) || !text.ends_with(suffix) ||
        text.size() != prefix.size() + 4 + suffix.size()) {
        return false;
    }
    const std::wstring digits = text.substr(prefix.size(), 4);
    if (digits.find_first_not_of(L"0123456789ABCDEF") != std::wstring::npos) {
        return false;
    }
    const unsigned long address = std::wcstoul(digits.c_str(), nullptr, 16);
    return address > 0 && address < 0x2000;
}

// A long run: the window answers during it (About opens and closes), the
// chip commands and Options are refused until it ends, and Esc cancels it.
void CheckCancel(DWORD id, HWND main) {
    const HWND programButton = GetDlgItem(main, kProgramCommand);
    const HWND eraseButton = GetDlgItem(main, kEraseCommand);
    const HWND cancelButton = GetDlgItem(main, kCancelCommand);
    const HWND gauge = GetDlgItem(main, kGauge);
    const HWND status = GetDlgItem(main, kStatusBar);

    PostMessageW(main, WM_COMMAND, kProgramCommand, 0);
    Expect(WaitFor([&] { return SendMessageW(gauge, PBM_GETPOS, 0, 0) > 0; }, 60),
           "gauge moves during the run");
    Expect(!IsWindowEnabled(programButton) && !IsWindowEnabled(eraseButton),
           "Erase + Program + Verify and Erase disabled during the run");
    Expect(IsWindowVisible(cancelButton) && IsWindowEnabled(cancelButton),
           "Cancel button offered during the run");
    // Handled in order: Options, had it opened, would have disabled the
    // window, and About would not open.
    PostMessageW(main, WM_COMMAND, kOptionsCommand, 0);
    PostMessageW(main, WM_COMMAND, kAboutCommand, 0);
    const HWND about = ExpectWindow(id, L"About TALLIS", 30, "About opens during the run");
    Expect(FindWindowOf(id, L"Options") == nullptr, "Options refused during the run");
    PostMessageW(about, WM_CLOSE, 0, 0);
    Expect(WaitFor([&] { return !IsWindowVisible(about) && IsWindowEnabled(main); }, 30),
           "About closes during the run");

    SetForegroundWindow(main);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Press({}, VK_ESCAPE);
    // Should Esc do nothing, the status never says so: the wait ends when the
    // run does, with its message box, or when it times out.
    WaitFor(
        [&] {
            return TextOf(status).starts_with(L"Cancelled") || FindWindowOf(id, L"TALLIS") != main;
        },
        120);
    const std::wstring cancelled = TextOf(status);
    Expect(IsCancelledStatus(cancelled), "Esc cancels the run: \"" + Narrow(cancelled) + "\"");
    Expect(WaitFor(
               [&] {
                   return IsWindowEnabled(programButton) && IsWindowEnabled(eraseButton) &&
                          !IsWindowVisible(cancelButton);
               },
               30),
           "commands enabled again after the cancel");
}

// A start with the full-memory file: the chip choice and the recent file kept
// from the run before, a long run cancelled, and File > 2 opening the file of
// the run before again.
void CheckRestart(const PROCESS_INFORMATION& process) {
    const DWORD id = process.dwProcessId;
    const HWND main = ExpectWindow(id, L"TALLIS - ", 60, "main window up again, with a new file");
    Expect(SendMessageW(GetDlgItem(main, kPic877Button), BM_GETCHECK, 0, 0) == BST_CHECKED,
           "chip choice kept: PIC16F 877");
    ExpectStartUpDone(id, main);
    // Back to the simulated chip for the long run.
    SendMessageW(GetDlgItem(main, kPic877AButton), BM_CLICK, 0, 0);
    CheckCancel(id, main);
    ChooseFromMenu(main, 'F', '2');
    Expect(WaitFor([&] { return TextOf(main).ends_with(L"blink877a.hex"); }, 10),
           "File > 2 opens the file of the run before");
    CloseProgram(process, main);
}

// tallis.exe without the port driver: it says so and ends, without a window
// left behind.
void CheckMissingDriver(const PROCESS_INFORMATION& process) {
    const DWORD id = process.dwProcessId;
    const HWND main = ExpectWindow(id, L"TALLIS  V3e", 60, "main window up");
    const std::wstring message = DismissMessageBox(id, main);
    Expect(message.starts_with(L"Cannot find zlportio.sys !"),
           "missing driver said: \"" + Narrow(message) + "\"");
    Expect(WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0, "program ends");
}

// The start-up step and one Erase + Program + Verify run, then the close.
void CheckProgramRun(const PROCESS_INFORMATION& process) {
    const DWORD id = process.dwProcessId;
    const HWND main =
        ExpectWindow(id, L"TALLIS - ", 60, "main window up with the file in its title");
    const std::wstring words = Trimmed(TextOf(GetDlgItem(main, kWordsBox)));
    ExpectStartUpDone(id, main);
    PostMessageW(main, WM_COMMAND, kProgramCommand, 0);
    const std::wstring message = DismissMessageBox(id, main);
    Expect(message == L"Down load data " + words + L" words complete",
           "run message \"" + Narrow(message) + "\"");
    Expect(WaitFor([&] { return IsWindowEnabled(GetDlgItem(main, kProgramCommand)) != FALSE; }, 30),
           "run ended");
    CloseProgram(process, main);
}

// Device > Production with two chips in turn in the simulated socket: each
// chip's result at once, the counts, a log line each, and the window's close.
void CheckProduction(const PROCESS_INFORMATION& process, const std::wstring& screenshots) {
    const DWORD id = process.dwProcessId;
    const HWND main =
        ExpectWindow(id, L"TALLIS - ", 60, "main window up with the file in its title");
    ExpectStartUpDone(id, main);
    PostMessageW(main, WM_COMMAND, kProductionCommand, 0);
    const HWND production = ExpectWindow(id, L"Production", 10, "Device > Production opens");
    Expect(!IsWindowEnabled(main), "main window disabled under Production");
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::filesystem::path log = std::filesystem::path(folder) / L"tallis-gui-check.jsonl";
    std::error_code ignored;
    std::filesystem::remove(log, ignored);
    SetDlgItemTextW(production, kProductionCount, L"2");
    SetDlgItemTextW(production, kProductionLog, log.wstring().c_str());
    PostMessageW(production, WM_COMMAND, kProductionStart, 0);
    const HWND start = GetDlgItem(production, kProductionStart);
    const HWND counts = GetDlgItem(production, kProductionCounts);
    const bool bothPassed = WaitFor([&] { return TextOf(counts) == L"Passed 2   Failed 0"; }, 60);
    Expect(bothPassed, "two chips passed: \"" + Narrow(TextOf(counts)) + "\"");
    Expect(WaitFor([&] { return IsWindowEnabled(start) != FALSE; }, 30), "the run ended");
    Expect(TextOf(GetDlgItem(production, kProductionResult)) == L"PASS", "a big PASS");
    Expect(TextOf(GetDlgItem(main, kStatusBar)) == L"Production: 2 passed, 0 failed",
           "status: \"" + Narrow(TextOf(GetDlgItem(main, kStatusBar))) + "\"");
    if (!screenshots.empty()) {
        SaveScreenshot(production, screenshots + L"\\windows-production.bmp");
    }
    std::ifstream lines(log);
    int passedLines = 0;
    for (std::string line; std::getline(lines, line);) {
        passedLines += line.find("\"result\":\"passed\"") != std::string::npos ? 1 : 0;
    }
    Expect(passedLines == 2, "two passed chips in the log, found " + std::to_string(passedLines));
    lines.close();
    std::filesystem::remove(log, ignored);
    PostMessageW(production, WM_COMMAND, kProductionClose, 0);
    Expect(WaitFor([&] { return !IsWindowVisible(production) && IsWindowEnabled(main); }, 10),
           "Production closes");
    CloseProgram(process, main);
}

// The program with its arguments, quoted; nothing when it cannot start.
std::optional<PROCESS_INFORMATION> Start(const std::vector<std::wstring>& arguments) {
    std::wstring commandLine;
    for (const std::wstring& argument : arguments) {
        commandLine += (commandLine.empty() ? L"\"" : L" \"") + argument + L"\"";
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "FAIL: cannot start the program (%lu)\n", GetLastError());
        return std::nullopt;
    }
    return process;
}

// Runs the check on a start of the program; false when it failed.
bool Run(const std::vector<std::wstring>& arguments,
         const std::function<void(const PROCESS_INFORMATION&)>& check) {
    const std::optional<PROCESS_INFORMATION> process = Start(arguments);
    if (!process) {
        return false;
    }
    bool passed = true;
    try {
        check(*process);
    } catch (const Failure& failure) {
        std::fprintf(stderr, "FAIL: %s\n", failure.what());
        TerminateProcess(process->hProcess, 1);
        passed = false;
    }
    CloseHandle(process->hThread);
    CloseHandle(process->hProcess);
    return passed;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const bool missingDriver = argc == 3 && std::wcscmp(argv[1], L"--missing-driver") == 0;
    const bool programRun = argc == 4 && std::wcscmp(argv[1], L"--program-run") == 0;
    const bool production = argc >= 4 && std::wcscmp(argv[1], L"--production") == 0;
    if (argc < 3) {
        std::fputs(
            "usage: tallis-gui-check PROGRAM HEXFILE [SCREENSHOT_FOLDER]\n"
            "       tallis-gui-check --missing-driver PROGRAM\n"
            "       tallis-gui-check --program-run PROGRAM HEXFILE\n"
            "       tallis-gui-check --production PROGRAM HEXFILE [SCREENSHOT_FOLDER]\n",
            stderr);
        return 2;
    }
    bool passed = false;
    if (missingDriver) {
        passed = Run({argv[2]}, CheckMissingDriver);
    } else if (programRun) {
        passed = Run({argv[2], argv[3]}, CheckProgramRun);
    } else if (production) {
        // Two chips, each in the socket for 4 s (time for a write in real
        // time under Wine), half a second apart.
        const std::wstring screenshots = argc > 4 ? argv[4] : L"";
        passed =
            Run({argv[2], L"--sim-insertions", L"2:4000:500", argv[3]},
                [&](const PROCESS_INFORMATION& process) { CheckProduction(process, screenshots); });
    } else {
        const std::wstring screenshots = argc > 3 ? argv[3] : L"";
        const std::optional<std::wstring> fullMemory = WriteFullMemoryFile();
        passed =
            fullMemory &&
            Run({argv[1], argv[2]},
                [&](const PROCESS_INFORMATION& process) { CheckProgram(process, screenshots); }) &&
            Run({argv[1], *fullMemory}, CheckRestart);
        if (fullMemory) {
            std::error_code ignored;
            std::filesystem::remove(*fullMemory, ignored);
        }
    }
    // Started through a Wine desktop the exit code is lost: the last line tells.
    std::puts(passed ? "PASS" : "FAILED");
    return passed ? 0 : 1;
}
