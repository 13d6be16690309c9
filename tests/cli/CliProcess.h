#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tallis::testing {

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
    // Standard output goes to a pseudo-terminal; what it showed lands in `out`.
    CliResult RunOnTerminal(const std::vector<std::string>& args) const;

  private:
    std::filesystem::path dir_;
};

}  // namespace tallis::testing
