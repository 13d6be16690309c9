#include "ui/StartupSupport.h"

#include <QThread>

namespace tallis {

void RaiseEngineThreadPriority() {
    QThread::currentThread()->setPriority(QThread::HighPriority);
}

}  // namespace tallis
