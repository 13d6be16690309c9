#include "cli/OutputPaths.h"

#include <filesystem>
#include <optional>
#include <vector>

#include "app/AtomicFile.h"
#include "app/FileNames.h"
#include "cli/ChipImageFile.h"

namespace tallis {

namespace {

struct NamedPath {
    const char* role;
    std::filesystem::path path;
};

// Same file: the same directory entry once made absolute and free of "..",
// or, where both exist, the same file through a link.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code error;
    if (std::filesystem::equivalent(a, b, error) && !error) {
        return true;
    }
    auto canonicalA = std::filesystem::weakly_canonical(a, error);
    auto canonicalB = std::filesystem::weakly_canonical(b, error);
    return !error && canonicalA == canonicalB;
}

}  // namespace

std::string OutputPathClash(const CliOptions& options) {
    std::vector<NamedPath> files;
    std::vector<NamedPath> outputs;
    const CliCommand command = options.command;
    if (command == CliCommand::Program || command == CliCommand::Verify ||
        command == CliCommand::Write) {
        files.push_back({"the input HEX file", options.firmwarePath});
    }
    if (command == CliCommand::Read && !IsStandardOutput(options.firmwarePath)) {
        outputs.push_back({"read's file", options.firmwarePath});
    }
    if (command == CliCommand::SelfTest) {
        if (options.examplePath) {
            files.push_back({"the example HEX file", *options.examplePath});
        }
        outputs.push_back({"the report", options.reportPath});
    }
    if (options.simStatePath) {
        outputs.push_back({"--sim-state", *options.simStatePath});
    }
    if (options.tracePath) {
        outputs.push_back({"--trace", *options.tracePath});
    }
    for (const NamedPath& output : outputs) {
        for (const NamedPath& other : files) {
            if (SameFile(output.path, other.path)) {
                return std::string(output.role) + " " + PathText(output.path) + " is " +
                       other.role + "; it would be overwritten";
            }
        }
        files.push_back({output.role, output.path});
    }
    return {};
}

std::string UnwritableOutput(const CliOptions& options) {
    if (options.command == CliCommand::Read && !IsStandardOutput(options.firmwarePath)) {
        if (std::string problem = AtomicFile(options.firmwarePath).Check(); !problem.empty()) {
            return "cannot write " + PathText(options.firmwarePath) + ": " + problem;
        }
    }
    if (options.tracePath) {
        if (std::string problem = AtomicFile(*options.tracePath).Check(); !problem.empty()) {
            return "cannot write the trace file " + PathText(*options.tracePath) + ": " + problem;
        }
    }
    return {};
}

}  // namespace tallis
