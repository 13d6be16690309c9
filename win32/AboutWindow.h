#pragma once

#include <string>

#include "win32/Controls.h"
#include "win32/Window.h"

namespace tallis::win32 {

class MainWindow;

// About TALLIS: the product's name and version, a notice, and a link to the
// program's documentation. The close box and Escape act as OK.
class AboutWindow : public Window {
  public:
    explicit AboutWindow(MainWindow& mainWindow);

    // The README beside the program, or the source tree's copy for a build.
    static std::wstring DocumentationPath();

  protected:
    void Build() override;
    void Layout() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void Ok();

    MainWindow& mainWindow_;
    FontHandle font_;
    FontHandle nameFont_;
    BitmapHandle picture_;
    ImageListHandle okGlyph_;
};

}  // namespace tallis::win32
