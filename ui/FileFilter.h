#pragma once

#include <QString>
#include <QStringList>

namespace tallis {

// The Open dialog's filter as the program stores it: description|pattern pairs.
inline constexpr const char* kOpenD1Filter = "Intel hex  file|*.hex|All  files|*.*";

// "Intel hex  file|*.hex|All  files|*.*" -> {"Intel hex  file (*.hex)", "All  files (*)"}:
// the file dialog's form. "*.*" becomes "*", because here a file name need not
// contain a dot. A description without a pattern is dropped.
QStringList QtNameFilters(const QString& filter);

}  // namespace tallis
