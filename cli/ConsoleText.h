#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace tallis {

// A message box text as terminal lines: the texts carry their own line breaks
// as "\n\r" (and a few single '\n' or '\r'); each becomes one '\n'.
std::string ConsoleMessageText(const std::string& messageBoxText);
// The same text as one line for standard error: its lines joined by a space,
// without the advice for the board that follows a verify error.
std::string ErrorLineText(const std::string& messageBoxText);

// One progress line, without the leading carriage return:
// "[#########-----------]  45%  3686 words  0:52". It stays shorter than the
// terminal's width in columns (a line that reached the last column would
// wrap, and the next carriage return would redraw only its second half): the
// bar narrows first, then the text is cut.
std::string ProgressLine(int percent, std::uint32_t wordsDone, std::chrono::seconds elapsed,
                         int columns, const char* unit = "words");

}  // namespace tallis
