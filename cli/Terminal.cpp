#include "cli/Terminal.h"

#ifdef _WIN32
#include <io.h>
#include <stdio.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tallis {

bool StdoutIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stdout)) != 0;
#else
    return isatty(STDOUT_FILENO) != 0;
#endif
}

bool StderrSharesStdoutsTerminal() {
#ifdef _WIN32
    // A process has one console at most.
    return _isatty(_fileno(stdout)) != 0 && _isatty(_fileno(stderr)) != 0;
#else
    struct stat out {};
    struct stat err {};
    return isatty(STDOUT_FILENO) != 0 && isatty(STDERR_FILENO) != 0 &&
           fstat(STDOUT_FILENO, &out) == 0 && fstat(STDERR_FILENO, &err) == 0 &&
           out.st_rdev == err.st_rdev;
#endif
}

bool StdinIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stdin)) != 0;
#else
    return isatty(STDIN_FILENO) != 0;
#endif
}

int StdoutColumns() {
    constexpr int kDefaultColumns = 80;
#ifdef _WIN32
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) {
        return info.srWindow.Right - info.srWindow.Left + 1;
    }
#else
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
#endif
    return kDefaultColumns;
}

}  // namespace tallis
