#include "ui/StartupSupport.h"

#include <QThread>

namespace tallis {

std::string MissingDriverText() {
#ifdef _WIN32
    return std::string(
               "Cannot find zlportio.sys ! \r\rCopy this file in the same directory  \r\r") +
           "Or EXTRACT tallisv3.zip to Destination Folder";
#else
    return std::string(
               "Cannot open the parallel port ! \r\rAdd your user to the group lp (for "
               "/dev/parport0)  \r\r") +
           "Or run tallis as root";
#endif
}

void RaiseEngineThreadPriority() {
    QThread::currentThread()->setPriority(QThread::HighPriority);
}

}  // namespace tallis
