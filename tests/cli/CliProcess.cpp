#include "CliProcess.h"

#include <fcntl.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace tallis::testing {

namespace {

std::vector<char*> Argv(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    return argv;
}

int WaitForExit(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            throw std::runtime_error("waitpid failed");
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Spawns the program with stdout on outFd and stderr on errFd, in dir.
// A launcher, when given, runs the program for it.
pid_t Spawn(const std::filesystem::path& dir, std::vector<std::string> args, int outFd, int errFd,
            const std::vector<std::string>& launcher = {}) {
    args.insert(args.begin(), TALLIS_CLI_PATH);
    args.insert(args.begin(), launcher.begin(), launcher.end());
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    // The program resolves relative paths against its working folder.
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    pid_t pid = 0;
    std::vector<char*> argv = Argv(args);
    int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        throw std::runtime_error("cannot start " + args[0]);
    }
    return pid;
}

int OpenCapture(const std::filesystem::path& path) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        throw std::runtime_error("cannot create " + path.string());
    }
    return fd;
}

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

CliProcess::CliProcess() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tallis-cli-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    dir_ = pattern;
    std::filesystem::create_directory(dir_ / ".capture");
}

CliProcess::~CliProcess() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::filesystem::path CliProcess::WriteFile(const std::string& name,
                                            const std::string& content) const {
    std::filesystem::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

std::string CliProcess::ReadFile(const std::string& name) const {
    return Slurp(dir_ / name);
}

CliResult CliProcess::Run(const std::vector<std::string>& args,
                          const std::vector<std::string>& launcher) const {
    return Finish(Start(args, "", launcher), "");
}

pid_t CliProcess::Start(const std::vector<std::string>& args, const std::string& tag,
                        const std::vector<std::string>& launcher) const {
    int outFd = OpenCapture(dir_ / ".capture" / ("out" + tag));
    int errFd = OpenCapture(dir_ / ".capture" / ("err" + tag));
    pid_t pid = Spawn(dir_, args, outFd, errFd, launcher);
    close(outFd);
    close(errFd);
    return pid;
}

CliResult CliProcess::Finish(pid_t pid, const std::string& tag) const {
    CliResult result;
    result.exitCode = WaitForExit(pid);
    result.out = Slurp(dir_ / ".capture" / ("out" + tag));
    result.err = Slurp(dir_ / ".capture" / ("err" + tag));
    return result;
}

CliResult CliProcess::RunOnTerminal(const std::vector<std::string>& args, bool errorsToo) const {
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        throw std::runtime_error("openpty failed");
    }
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    const std::filesystem::path errPath = dir_ / ".capture" / "err";
    int errFd = OpenCapture(errPath);
    pid_t pid = Spawn(dir_, args, slave, errorsToo ? slave : errFd);
    close(slave);
    close(errFd);

    // Read while the program writes, so that it never blocks on a full
    // terminal buffer; the read fails (EIO) once the program has closed it.
    CliResult result;
    char buffer[4096];
    for (;;) {
        ssize_t got = read(master, buffer, sizeof buffer);
        if (got > 0) {
            result.out.append(buffer, static_cast<std::size_t>(got));
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    close(master);
    result.exitCode = WaitForExit(pid);
    result.err = Slurp(errPath);
    return result;
}

std::string AsanOptionsForPreload() {
    const char* options = std::getenv("ASAN_OPTIONS");
    return std::string("ASAN_OPTIONS=") + (options ? options : "") + ":verify_asan_link_order=0";
}

std::string WithoutHazards(const std::string& err) {
    const std::string hazard = "tallis-cli: the simulated chip noted ";
    std::string kept;
    for (std::size_t at = 0; at < err.size();) {
        const std::size_t end = std::min(err.find('\n', at), err.size() - 1) + 1;
        if (err.compare(at, hazard.size(), hazard) != 0) {
            kept += err.substr(at, end - at);
        }
        at = end;
    }
    return kept;
}

}  // namespace tallis::testing
