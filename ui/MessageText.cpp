#include "ui/MessageText.h"

#include "app/MessageLines.h"

namespace tallis {

QString DisplayText(const std::string& stored) {
    return QString::fromStdString(DisplayLines(stored));
}

}  // namespace tallis
