#pragma once

#include <functional>
#include <string>

namespace tallis {

// What the desktop session needs of a window toolkit. Every call but Post
// comes on the window's thread.
class SessionView {
  public:
    virtual ~SessionView() = default;

    // Runs call on the window's thread once its loop gets to it; callable from
    // any thread.
    virtual void Post(std::function<void()> call) = 0;

    virtual void ShowStatus(const std::string& text) = 0;  // status panel 0
    virtual void SetGauge(int percent) = 0;                // 0..100
    // A modal message box with the text's line breaks already made (DisplayLines).
    virtual void ShowMessage(const std::string& text) = 0;
    // A command started or ended, or a file was opened (or read again): the
    // view shows the file and enables its controls from the session's state.
    virtual void CommandStateChanged() = 0;
};

}  // namespace tallis
