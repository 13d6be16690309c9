#include "win32/Controls.h"

#include <commctrl.h>
#include <commdlg.h>

#include <vector>

#include "win32/Resources.h"

namespace tallis::win32 {

int Scaled(int pixels, int dpi) {
    return MulDiv(pixels, dpi, USER_DEFAULT_SCREEN_DPI);
}

void CreateControls(HWND parent, std::span<const ControlPlace> controls) {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    for (const ControlPlace& place : controls) {
        CreateWindowExW(place.exStyle, place.className, place.text, WS_CHILD | place.style, 0, 0, 0,
                        0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(place.id)),
                        instance, nullptr);
    }
}

void PlaceControls(HWND parent, std::span<const ControlPlace> controls, int dpi, HFONT font) {
    for (const ControlPlace& place : controls) {
        HWND control = GetDlgItem(parent, place.id);
        SetWindowPos(control, nullptr, Scaled(place.x, dpi), Scaled(place.y, dpi),
                     Scaled(place.width, dpi), Scaled(place.height, dpi),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

FontHandle MakeFont(int pixelHeight, bool bold, int dpi) {
    return FontHandle(CreateFontW(-Scaled(pixelHeight, dpi), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL,
                                  FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, VARIABLE_PITCH | FF_SWISS,
                                  L"Tahoma"));
}

FontHandle MakeFixedFont(int pixelHeight, int dpi) {
    return FontHandle(CreateFontW(-Scaled(pixelHeight, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                  FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  CLEARTYPE_QUALITY, FIXED_PITCH | FF_MODERN, L"Consolas"));
}

void ImageListDeleter::operator()(HIMAGELIST list) const {
    ImageList_Destroy(list);
}

namespace {

HICON LoadIconSized(int id, int size) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                         IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

}  // namespace

ImageListHandle SetButtonGlyph(HWND button, int normalIcon, int disabledIcon, int size, int dpi) {
    const int pixels = Scaled(size, dpi);
    HICON normal = LoadIconSized(normalIcon, pixels);
    HICON disabled = LoadIconSized(disabledIcon, pixels);
    // One image per button state: normal, hot, pressed, disabled, default, stylus hot.
    ImageListHandle list(ImageList_Create(pixels, pixels, ILC_COLOR32 | ILC_MASK, 6, 0));
    for (HICON image : {normal, normal, normal, disabled, normal, normal}) {
        ImageList_AddIcon(list.get(), image);
    }
    BUTTON_IMAGELIST images{};
    images.himl = list.get();
    images.uAlign = BUTTON_IMAGELIST_ALIGN_CENTER;
    if (GetWindowTextLengthW(button) > 0) {
        images.uAlign = BUTTON_IMAGELIST_ALIGN_LEFT;
        images.margin.left = Scaled(4, dpi);
    }
    if (!SendMessageW(button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&images))) {
        // Without image lists the button shows the normal icon in every state.
        SendMessageW(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(normal));
        return list;
    }
    DestroyIcon(normal);
    DestroyIcon(disabled);
    return list;
}

BitmapHandle SetPicture(HWND picture, int size, int dpi) {
    const int pixels = Scaled(size, dpi);
    BitmapHandle bitmap(
        static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_BOARD),
                                        IMAGE_BITMAP, pixels, pixels, LR_DEFAULTCOLOR)));
    SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap.get()));
    return bitmap;
}

HWND CreateToolTips(HWND window) {
    return CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

void AddToolTip(HWND tips, HWND window, int controlId, const wchar_t* hint) {
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window;
    tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(window, controlId));
    tool.lpszText = const_cast<wchar_t*>(hint);
    SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

std::wstring Widen(const std::string& utf8) {
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        length);
    return wide;
}

std::string Narrow(const std::wstring& wide) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length,
                        nullptr, nullptr);
    return utf8;
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring OpenDialogFilter(const char* stored) {
    std::wstring filter = Widen(stored);
    for (wchar_t& character : filter) {
        if (character == L'|') {
            character = L'\0';
        }
    }
    filter.push_back(L'\0');
    return filter;
}

std::optional<std::wstring> AskFileName(HWND owner, const FileDialog& choice) {
    const std::wstring filter = OpenDialogFilter(choice.filter);
    std::wstring path(MAX_PATH * 4, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrDefExt = choice.extension.c_str();
    dialog.lpstrInitialDir = choice.folder.empty() ? nullptr : choice.folder.c_str();
    dialog.Flags =
        OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER |
        (choice.save ? (choice.confirmOverwrite ? OFN_OVERWRITEPROMPT : 0) : OFN_FILEMUSTEXIST);
    if (!(choice.save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog))) {
        return std::nullopt;
    }
    return std::wstring(path.c_str());
}

void CentreOnScreen(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT frame{};
    GetWindowRect(window, &frame);
    const RECT& area = monitor.rcWork;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace tallis::win32
