#pragma once

#include <QIcon>
#include <QPixmap>

namespace tallis {

// The program's own pictures, drawn in code in the sixteen classic colours.

// 100 x 100: the interface board with its cable and the target chip.
QPixmap ProgrammerPicture();

// Tool-button glyphs. Each icon holds a normal and a greyed, disabled image.
QIcon OpenGlyph();     // 14 x 14, a folder
QIcon ProgramGlyph();  // 16 x 16, an arrow into a chip
QIcon EraseGlyph();    // 16 x 16, an eraser
QIcon ResetGlyph();    // 16 x 16, a circular arrow
QIcon AboutGlyph();    // 16 x 16, a question mark
QIcon ExitGlyph();     // 16 x 16, a door with an arrow
QIcon OkGlyph();       // 16 x 16, a check mark

// The window and desktop icon.
QIcon ApplicationIcon();

}  // namespace tallis
