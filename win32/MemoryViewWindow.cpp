#include "win32/MemoryViewWindow.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cstdio>
#include <cwchar>

namespace tallis::win32 {

namespace {

enum Page { kProgramPage, kEepromPage, kConfigPage };

constexpr int kTabsId = 2001;
constexpr int kFirstListId = 2002;
constexpr int kMargin = 6;
constexpr int kAddressWidth = 72;
constexpr int kWordWidth = 44;
constexpr int kByteWidth = 26;
constexpr int kCharsWidth = 140;
constexpr int kTipWidth = 300;
constexpr COLORREF kDifferenceColour = RGB(255, 190, 190);
constexpr std::array<const wchar_t*, 3> kPageNames{L"Program memory", L"EEPROM", L"Configuration"};

struct Column {
    std::wstring title;
    int width;
};

std::wstring HexDigit(int value) {
    wchar_t text[4];
    std::swprintf(text, std::size(text), L"%X", value);
    return text;
}

// An address column, then one column per word or byte of a row.
std::vector<Column> ColumnsOf(int page) {
    std::vector<Column> columns;
    if (page == kConfigPage) {
        return {{L"Name", 170}, {L"Value", 70}, {L"Meaning", 300}};
    }
    columns.push_back({L"Address", kAddressWidth});
    const bool program = page == kProgramPage;
    for (int i = 0; i < (program ? kProgramWordsPerRow : kEepromBytesPerRow); ++i) {
        columns.push_back({HexDigit(i), program ? kWordWidth : kByteWidth});
    }
    if (!program) {
        columns.push_back({L"Text", kCharsWidth});
    }
    return columns;
}

std::wstring AddressText(int address) {
    wchar_t text[8];
    std::swprintf(text, std::size(text), L"%04X", address);
    return text;
}

// "File: 0x3FFF\nChip: 0x0000": bytes for EEPROM, words elsewhere.
std::string DifferenceTip(const Difference& difference) {
    const int digits = difference.space == MemorySpace::Eeprom ? 2 : 4;
    char text[40];
    std::snprintf(text, sizeof text, "File: 0x%0*X\nChip: 0x%0*X", digits,
                  unsigned{difference.expected}, digits, unsigned{difference.actual});
    return text;
}

}  // namespace

MemoryViewWindow::MemoryViewWindow(HWND owner) {
    Create(L"TallisMemoryViewWindow", L"Memory view", WS_OVERLAPPEDWINDOW, owner, nullptr, 660,
           480);
}

void MemoryViewWindow::Build() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    tabs_ =
        CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                        hwnd_, reinterpret_cast<HMENU>(INT_PTR{kTabsId}), instance, nullptr);
    tips_ = CreateToolTips(hwnd_);
    SendMessageW(tips_, TTM_SETMAXTIPWIDTH, 0, kTipWidth);
    for (int page = 0; page < kPageCount; ++page) {
        TCITEMW tab{};
        tab.mask = TCIF_TEXT;
        tab.pszText = const_cast<wchar_t*>(kPageNames.at(static_cast<std::size_t>(page)));
        SendMessageW(tabs_, TCM_INSERTITEMW, static_cast<WPARAM>(page),
                     reinterpret_cast<LPARAM>(&tab));
        HWND list = CreateWindowExW(
            WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
            WS_CHILD | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
            0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(INT_PTR{kFirstListId + page}), instance,
            nullptr);
        SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
        const std::vector<Column> columns = ColumnsOf(page);
        for (std::size_t i = 0; i < columns.size(); ++i) {
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_FMT;
            column.fmt = i > 0 && page != kConfigPage ? LVCFMT_CENTER : LVCFMT_LEFT;
            column.pszText = const_cast<wchar_t*>(columns[i].title.c_str());
            SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
        }
        AddToolTip(tips_, hwnd_, kFirstListId + page, LPSTR_TEXTCALLBACKW);
        SetWindowSubclass(list, FollowCell, 0, reinterpret_cast<DWORD_PTR>(this));
        lists_.at(static_cast<std::size_t>(page)) = list;
    }
    ShowPage(kProgramPage);
}

void MemoryViewWindow::Layout() {
    font_ = MakeFont(11, false, dpi_);
    fixedFont_ = MakeFixedFont(13, dpi_);
    SendMessageW(tabs_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    for (int page = 0; page < kPageCount; ++page) {
        HWND list = lists_.at(static_cast<std::size_t>(page));
        SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(fixedFont_.get()), TRUE);
        const std::vector<Column> columns = ColumnsOf(page);
        for (std::size_t i = 0; i < columns.size(); ++i) {
            SendMessageW(list, LVM_SETCOLUMNWIDTH, i, Scaled(columns[i].width, dpi_));
        }
    }
    Place();
}

// The tabs fill the window; the lists lie over the tabs' page area.
void MemoryViewWindow::Place() {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int margin = Scaled(kMargin, dpi_);
    RECT area{margin, margin, client.right - margin, client.bottom - margin};
    SetWindowPos(tabs_, HWND_BOTTOM, area.left, area.top, area.right - area.left,
                 area.bottom - area.top, SWP_NOACTIVATE);
    SendMessageW(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    for (HWND list : lists_) {
        SetWindowPos(list, HWND_TOP, area.left, area.top, area.right - area.left,
                     area.bottom - area.top, SWP_NOACTIVATE);
    }
    // The meanings take the width that is left.
    SendMessageW(lists_.at(kConfigPage), LVM_SETCOLUMNWIDTH, 2, LVSCW_AUTOSIZE_USEHEADER);
}

void MemoryViewWindow::ShowPage(int page) {
    SendMessageW(tabs_, TCM_SETCURSEL, static_cast<WPARAM>(page), 0);
    for (int shown = 0; shown < kPageCount; ++shown) {
        ShowWindow(lists_.at(static_cast<std::size_t>(shown)), shown == page ? SW_SHOW : SW_HIDE);
    }
}

void MemoryViewWindow::ShowImage(const ChipImage& image, const Device& device,
                                 const std::string& source, std::span<const Difference> marked) {
    image_ = image;
    device_ = &device;
    source_ = source;
    configLines_ = ConfigLines(image, device);
    marked_.clear();
    for (const Difference& difference : marked) {
        if (const std::optional<Cell> cell = CellOf(difference)) {
            marked_.emplace(*cell, difference);
        }
    }
    SetWindowTextW(hwnd_, Widen("Memory view - " + source).c_str());
    // The cell under the mouse may have become marked, or no longer be.
    hovered_ = Cell{};
    RestartTip();
    for (int page = 0; page < kPageCount; ++page) {
        HWND list = lists_.at(static_cast<std::size_t>(page));
        SendMessageW(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(RowCount(page)), 0);
        InvalidateRect(list, nullptr, TRUE);
    }
}

void MemoryViewWindow::Present(bool activate) {
    ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : (activate ? SW_SHOW : SW_SHOWNA));
    SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | (activate ? 0 : SWP_NOACTIVATE));
    if (activate) {
        SetForegroundWindow(hwnd_);
    }
}

int MemoryViewWindow::PageOf(HWND list) const {
    for (int page = 0; page < kPageCount; ++page) {
        if (lists_.at(static_cast<std::size_t>(page)) == list) {
            return page;
        }
    }
    return -1;
}

int MemoryViewWindow::RowCount(int page) const {
    if (device_ == nullptr) {
        return 0;
    }
    switch (page) {
        case kProgramPage:
            return device_->programWords / kProgramWordsPerRow;
        case kEepromPage:
            return device_->eepromBytes / kEepromBytesPerRow;
        default:
            return static_cast<int>(configLines_.size());
    }
}

std::wstring MemoryViewWindow::CellText(const Cell& cell) const {
    if (cell.row < 0 || cell.row >= RowCount(cell.page)) {
        return {};
    }
    const auto at = [&cell](int perRow) {
        return static_cast<std::size_t>(cell.row * perRow + cell.column - 1);
    };
    switch (cell.page) {
        case kProgramPage:
            return cell.column == 0 ? AddressText(cell.row * kProgramWordsPerRow)
                                    : Widen(WordText(image_.program.at(at(kProgramWordsPerRow))));
        case kEepromPage:
            if (cell.column == 0) {
                return AddressText(cell.row * kEepromBytesPerRow);
            }
            if (cell.column <= kEepromBytesPerRow) {
                return Widen(ByteText(image_.eeprom.at(at(kEepromBytesPerRow))));
            }
            return RowCharacters(cell.row);
        default: {
            const ConfigLine& line = configLines_.at(static_cast<std::size_t>(cell.row));
            const bool indented = line.kind == ConfigLine::Kind::Field;
            switch (cell.column) {
                case 0:
                    return Widen((indented ? "    " : "") + line.name);
                case 1:
                    return Widen(line.value);
                default:
                    return Widen(line.meaning);
            }
        }
    }
}

// The EEPROM row's bytes as characters.
std::wstring MemoryViewWindow::RowCharacters(int row) const {
    std::wstring characters;
    for (int i = 0; i < kEepromBytesPerRow; ++i) {
        const std::size_t at = static_cast<std::size_t>(row * kEepromBytesPerRow + i);
        characters += static_cast<wchar_t>(ShownChar(image_.eeprom.at(at)));
    }
    return characters;
}

bool MemoryViewWindow::Dimmed(const Cell& cell) const {
    return cell.page == kProgramPage && cell.column > 0 && cell.row < RowCount(cell.page) &&
           IsBlankWord(image_.program.at(
               static_cast<std::size_t>(cell.row * kProgramWordsPerRow + cell.column - 1)));
}

// A program word or EEPROM byte in its row; a configuration location on the
// value of its first line (the configuration word, an ID).
std::optional<MemoryViewWindow::Cell> MemoryViewWindow::CellOf(const Difference& difference) const {
    const int address = difference.address;
    switch (difference.space) {
        case MemorySpace::Program:
            return Cell{kProgramPage, address / kProgramWordsPerRow,
                        address % kProgramWordsPerRow + 1};
        case MemorySpace::Eeprom:
            return Cell{kEepromPage, address / kEepromBytesPerRow,
                        address % kEepromBytesPerRow + 1};
        default:
            for (std::size_t row = 0; row < configLines_.size(); ++row) {
                if (configLines_[row].address == difference.address) {
                    return Cell{kConfigPage, static_cast<int>(row), 1};
                }
            }
            return std::nullopt;
    }
}

MemoryViewWindow::Cell MemoryViewWindow::CellAt(HWND list, POINT point) const {
    LVHITTESTINFO hit{};
    hit.pt = point;
    SendMessageW(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    return hit.iItem < 0 ? Cell{PageOf(list)} : Cell{PageOf(list), hit.iItem, hit.iSubItem};
}

LRESULT MemoryViewWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<const NMHDR*>(lParam), lParam);
        case WM_SIZE:
            Place();
            return 0;
        case WM_SETFOCUS:
            // The keys go to the list shown.
            SetFocus(lists_.at(static_cast<std::size_t>(SendMessageW(tabs_, TCM_GETCURSEL, 0, 0))));
            return 0;
        case WM_CLOSE:
            ShowWindow(hwnd_, SW_HIDE);
            return 0;
        default:
            break;
    }
    return Window::OnMessage(message, wParam, lParam);
}

LRESULT MemoryViewWindow::OnNotify(const NMHDR& note, LPARAM lParam) {
    if (note.hwndFrom == tabs_ && note.code == TCN_SELCHANGE) {
        ShowPage(static_cast<int>(SendMessageW(tabs_, TCM_GETCURSEL, 0, 0)));
        return 0;
    }
    if (note.hwndFrom == tips_ && note.code == TTN_GETDISPINFOW) {
        ShowTip(*reinterpret_cast<NMTTDISPINFOW*>(lParam));
        return 0;
    }
    const int page = PageOf(note.hwndFrom);
    if (page < 0) {
        return 0;
    }
    if (note.code == LVN_GETDISPINFOW) {
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(lParam)->item;
        if ((item.mask & LVIF_TEXT) != 0 && item.cchTextMax > 0) {
            shownText_ = CellText(Cell{page, item.iItem, item.iSubItem});
            lstrcpynW(item.pszText, shownText_.c_str(), item.cchTextMax);
        }
        return 0;
    }
    if (note.code == NM_CUSTOMDRAW) {
        return CustomDraw(page, *reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
    }
    return 0;
}

// Blank program words in the disabled text colour, marked cells on red.
LRESULT MemoryViewWindow::CustomDraw(int page, NMLVCUSTOMDRAW& draw) const {
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT:
            return CDRF_NOTIFYSUBITEMDRAW;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
            const Cell cell{page, static_cast<int>(draw.nmcd.dwItemSpec), draw.iSubItem};
            draw.clrText = GetSysColor(Dimmed(cell) ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT);
            draw.clrTextBk = marked_.contains(cell) ? kDifferenceColour : GetSysColor(COLOR_WINDOW);
            return CDRF_NEWFONT;
        }
        default:
            return CDRF_DODEFAULT;
    }
}

// The tooltip of the marked cell under the mouse; none elsewhere.
void MemoryViewWindow::ShowTip(NMTTDISPINFOW& tip) {
    tip.lpszText = tip.szText;
    tip.szText[0] = L'\0';
    const auto list = reinterpret_cast<HWND>(tip.hdr.idFrom);
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(list, &cursor);
    const auto marked = marked_.find(CellAt(list, cursor));
    if (marked != marked_.end()) {
        shownText_ = Widen(DifferenceTip(marked->second));
        tip.lpszText = shownText_.data();
    }
}

void MemoryViewWindow::RestartTip() {
    SendMessageW(tips_, TTM_ACTIVATE, FALSE, 0);
    SendMessageW(tips_, TTM_ACTIVATE, TRUE, 0);
}

// A tooltip asks for its text once while the mouse stays over its list: a
// move to another cell starts it afresh so that it asks again. Ctrl+Tab and
// Ctrl+Shift+Tab go to the next and the previous tab, as in a dialog.
LRESULT CALLBACK MemoryViewWindow::FollowCell(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                              UINT_PTR, DWORD_PTR self) {
    auto* view = reinterpret_cast<MemoryViewWindow*>(self);
    if (message == WM_KEYDOWN && wParam == VK_TAB && GetKeyState(VK_CONTROL) < 0) {
        const int step = GetKeyState(VK_SHIFT) < 0 ? kPageCount - 1 : 1;
        const int page = (view->PageOf(list) + step) % kPageCount;
        view->ShowPage(page);
        SetFocus(view->lists_.at(static_cast<std::size_t>(page)));
        return 0;
    }
    if (message == WM_MOUSEMOVE) {
        const Cell cell = view->CellAt(list, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (cell != view->hovered_) {
            view->hovered_ = cell;
            view->RestartTip();
        }
    }
    return DefSubclassProc(list, message, wParam, lParam);
}

}  // namespace tallis::win32
