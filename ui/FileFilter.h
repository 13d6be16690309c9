#pragma once

#include <QString>
#include <QStringList>

#include "app/OpenFilter.h"

namespace tallis {

// "Intel hex  file|*.hex|All  files|*.*" -> {"Intel hex  file (*.hex)", "All  files (*)"}:
// the file dialog's form. "*.*" becomes "*", because here a file name need not
// contain a dot. A description without a pattern is dropped.
QStringList QtNameFilters(const QString& filter);

}  // namespace tallis
