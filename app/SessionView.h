#pragma once

#include <functional>
#include <string>
#include <vector>

#include "device/Device.h"
#include "engine/OperationResult.h"
#include "image/ChipImage.h"

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
    // A modal Yes / No question with its line breaks already made; true for Yes.
    virtual bool AskYesNo(const std::string& question) = 0;
    // A command started or ended, or a file was opened (or read again): the
    // view shows the file and enables its controls from the session's state.
    virtual void CommandStateChanged() = 0;
    // A command's completion (its status line and message) has been shown: a
    // view that waits to close may close now.
    virtual void CommandEnded() = 0;
    // A chip image for the memory view: what Read read, or the file that
    // Verify found different, with the differing locations in marked. A view
    // without a memory view leaves it.
    virtual void ShowChipImage(const ChipImage& image, const Device& device,
                               const std::string& source,
                               const std::vector<Difference>& marked) = 0;
};

}  // namespace tallis
