#pragma once

#include <array>
#include <compare>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "app/MemoryLayout.h"
#include "device/Device.h"
#include "engine/OperationResult.h"
#include "image/ChipImage.h"
#include "win32/Controls.h"
#include "win32/Window.h"

namespace tallis::win32 {

// "Memory view": a chip image (the open file, or the chip after Read) in three
// tabs: program memory eight words a row with blank words dimmed, EEPROM
// sixteen bytes a row with their characters, and the configuration word
// decoded for the device with the IDs and the device ID. The locations a
// Verify found different are marked, and their tooltip gives the file's and
// the chip's value. The lists ask for their texts as they draw them, so a
// whole program memory costs nothing to show.
class MemoryViewWindow : public Window {
  public:
    explicit MemoryViewWindow(HWND owner);

    // Shows the image as the device holds it; source names where it came from.
    void ShowImage(const ChipImage& image, const Device& device, const std::string& source,
                   std::span<const Difference> marked = {});
    const std::string& Source() const { return source_; }
    // Shows the window in front, and makes it the active one if asked.
    void Present(bool activate);

  protected:
    void Build() override;
    void Layout() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    static constexpr int kPageCount = 3;
    struct Cell {
        int page = 0;
        int row = -1;
        int column = -1;
        auto operator<=>(const Cell&) const = default;
    };

    void Place();
    void ShowPage(int page);
    int PageOf(HWND list) const;
    int RowCount(int page) const;
    std::wstring CellText(const Cell& cell) const;
    std::wstring RowCharacters(int row) const;
    bool Dimmed(const Cell& cell) const;
    std::optional<Cell> CellOf(const Difference& difference) const;
    Cell CellAt(HWND list, POINT point) const;
    LRESULT OnNotify(const NMHDR& note, LPARAM lParam);
    LRESULT CustomDraw(int page, NMLVCUSTOMDRAW& draw) const;
    void ShowTip(NMTTDISPINFOW& tip);
    void RestartTip();
    static LRESULT CALLBACK FollowCell(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR, DWORD_PTR self);

    ChipImage image_;
    const Device* device_ = nullptr;
    std::vector<ConfigLine> configLines_;
    std::map<Cell, Difference> marked_;
    std::string source_;
    HWND tabs_ = nullptr;
    std::array<HWND, kPageCount> lists_{};
    HWND tips_ = nullptr;
    Cell hovered_;
    std::wstring shownText_;  // the text a list or the tooltip is drawing
    FontHandle font_;
    FontHandle fixedFont_;
};

}  // namespace tallis::win32
