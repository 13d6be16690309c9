#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tallis::testing {

// What --sim reports on standard error after program or erase, which enter
// programming mode from a running chip as they always have.
inline const std::string kClassicEntryHazard =
    "tallis-cli: the simulated chip noted 1 hazard (not an error): entry from a running chip: "
    "MCLR went from VDD to VPP: the chip ran its program until then\n";
// And on the 87xA, whose classic Chip Erase waits 9 ms: enough for one
// revision of its programming document, not for the later one.
inline const std::string kClassic87xAHazards =
    kClassicEntryHazard +
    "tallis-cli: the simulated chip noted 1 hazard (not an error): cycle below the revised "
    "minimum: the cycle of command 31 ended within 10 ms: below DS39589C's 10 ms, above "
    "DS39589B's 8 ms\n";

// Standard error without the simulated chip's hazard lines, for tests about
// something else.
std::string WithoutHazards(const std::string& err);

// "ASAN_OPTIONS=...": the caller's, for a program that a library is preloaded
// into; a sanitizer build wants its runtime first, and the fake comes first.
std::string AsanOptionsForPreload();

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the built tallis-cli in a fresh temporary folder of its own and
// captures what it printed and how it ended.
class CliProcess {
  public:
    CliProcess();
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    const std::filesystem::path& Dir() const { return dir_; }
    std::filesystem::path Path(const std::string& name) const { return dir_ / name; }
    std::filesystem::path WriteFile(const std::string& name, const std::string& content) const;
    std::string ReadFile(const std::string& name) const;

    // Standard output and error go to pipes (files, in fact): not a terminal.
    // A launcher (e.g. {"setpriv", ...}) runs the program for it.
    CliResult Run(const std::vector<std::string>& args,
                  const std::vector<std::string>& launcher = {}) const;
    // Starts the program without waiting for it, capturing as Run does; runs
    // that are out at once need tags of their own. Finish waits for it.
    pid_t Start(const std::vector<std::string>& args, const std::string& tag,
                const std::vector<std::string>& launcher = {}) const;
    CliResult Finish(pid_t pid, const std::string& tag) const;
    // Standard output (and standard error, when asked) goes to a
    // pseudo-terminal; what it showed lands in `out`.
    CliResult RunOnTerminal(const std::vector<std::string>& args, bool errorsToo = false) const;

  private:
    std::filesystem::path dir_;
};

}  // namespace tallis::testing
