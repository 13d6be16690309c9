#pragma once

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <type_traits>

namespace tallis::win32 {

// A child control as its window places it: class, text, style and its
// rectangle in pixels at 96 dpi, scaled to the window's dpi when placed.
struct ControlPlace {
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    int id;
    int x;
    int y;
    int width;
    int height;
    DWORD exStyle = 0;
};

int Scaled(int pixels, int dpi);

// Makes every control of the table in order (which is their tab and paint
// order), visible unless its style says otherwise.
void CreateControls(HWND parent, std::span<const ControlPlace> controls);
// Places them for the dpi and gives them the font.
void PlaceControls(HWND parent, std::span<const ControlPlace> controls, int dpi, HFONT font);

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using BitmapHandle = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;

// The windows' sans-serif face at a pixel height given for 96 dpi.
FontHandle MakeFont(int pixelHeight, bool bold, int dpi);
// A fixed-pitch face, for columns of hexadecimal digits.
FontHandle MakeFixedFont(int pixelHeight, int dpi);

struct ImageListDeleter {
    void operator()(HIMAGELIST list) const;
};
using ImageListHandle = std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, ImageListDeleter>;

// A button's picture from two icon resources, its normal and its greyed
// image, at size pixels (96 dpi). The list must live as long as the button.
ImageListHandle SetButtonGlyph(HWND button, int normalIcon, int disabledIcon, int size, int dpi);

// The board picture, scaled to the dpi, shown by a static control.
BitmapHandle SetPicture(HWND picture, int size, int dpi);

// A tooltip window for a top-level window's controls, and one control's hint.
HWND CreateToolTips(HWND window);
void AddToolTip(HWND tips, HWND window, int controlId, const wchar_t* hint);

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);
std::wstring WindowText(HWND window);

// The Open dialog's filter from the stored "description|pattern|..." form.
std::wstring OpenDialogFilter(const char* stored);

// What a file dialog asks for.
struct FileDialog {
    const char* filter;            // stored "description|pattern|..." form
    std::wstring extension;        // added to a name typed without one
    std::wstring folder;           // where it opens; empty for the system's choice
    bool save = false;             // a save dialog, else an open dialog for an existing file
    bool confirmOverwrite = true;  // save: asks before an existing file is chosen
};
// Runs the dialog; the chosen path, or nothing when cancelled.
std::optional<std::wstring> AskFileName(HWND owner, const FileDialog& dialog);

// Centres a top-level window on its monitor's work area.
void CentreOnScreen(HWND window);

}  // namespace tallis::win32
