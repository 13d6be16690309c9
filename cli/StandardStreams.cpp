#include "cli/StandardStreams.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace tallis {

namespace {

bool stdoutClosed = false;

#ifndef _WIN32
bool IsClosed(int fd) {
    return fcntl(fd, F_GETFD) == -1 && errno == EBADF;
}
#endif

}  // namespace

void GuardStandardStreams() {
#ifndef _WIN32
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (!IsClosed(fd)) {
            continue;
        }
        if (fd == STDOUT_FILENO) {
            stdoutClosed = true;
        }
        // open takes the lowest free number: this very one, as the lower
        // ones are open by now. Should it fail, the stream stays as it was.
        static_cast<void>(open("/dev/null", O_RDONLY | O_CLOEXEC));
    }
#endif
}

bool StandardOutputWasClosed() {
    return stdoutClosed;
}

}  // namespace tallis
