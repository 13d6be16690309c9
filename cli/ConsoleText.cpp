#include "cli/ConsoleText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "classic/RunMessages.h"

namespace tallis {

namespace {

constexpr int kBarWidth = 30;
// A bar narrower than this tells nothing; the line is then text alone.
constexpr int kNarrowestBar = 5;

}  // namespace

std::string ConsoleMessageText(const std::string& messageBoxText) {
    std::string text;
    text.reserve(messageBoxText.size());
    for (std::size_t i = 0; i < messageBoxText.size(); ++i) {
        char c = messageBoxText[i];
        if (c == '\n' || c == '\r') {
            bool pair = i + 1 < messageBoxText.size() && messageBoxText[i + 1] == '\r' && c == '\n';
            text.push_back('\n');
            i += pair ? 1 : 0;
        } else {
            text.push_back(c);
        }
    }
    return text;
}

std::string ErrorLineText(const std::string& messageBoxText) {
    std::string text = messageBoxText;
    if (const std::size_t hints = text.find(kVerifyErrorHints); hints != std::string::npos) {
        text.erase(hints);
    }
    std::string line;
    for (char c : ConsoleMessageText(text)) {
        if (c != '\n') {
            line.push_back(c);
        } else if (!line.empty() && line.back() != ' ') {
            line.push_back(' ');
        }
    }
    while (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
    return line;
}

std::string ProgressLine(int percent, std::uint32_t wordsDone, std::chrono::seconds elapsed,
                         int columns, const char* unit) {
    percent = std::clamp(percent, 0, 100);
    long long seconds = elapsed.count();
    char tail[64];
    std::snprintf(tail, sizeof tail, "] %3d%%  %lu %s  %lld:%02lld", percent,
                  static_cast<unsigned long>(wordsDone), unit, seconds / 60, seconds % 60);
    const int room = std::max(columns - 1, 0);
    const int barWidth = std::min(kBarWidth, room - 1 - static_cast<int>(std::strlen(tail)));
    if (barWidth < kNarrowestBar) {
        std::string text = tail + 2;  // without the bar's "] "
        return text.substr(0, static_cast<std::size_t>(room));
    }
    int filled = percent * barWidth / 100;
    std::string line = "[";
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(barWidth - filled), '-');
    line += tail;
    return line;
}

}  // namespace tallis
