#pragma once

#include <QFont>

namespace tallis {

// The windows were laid out for "MS Sans Serif"; where it is missing the
// closest sans-serif faces take its place at the same pixel height.
QFont UiFont(int pixelHeight, bool bold = false);

}  // namespace tallis
