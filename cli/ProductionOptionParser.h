#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "cli/ProductionOptions.h"

namespace tallis {

// Adds the options to the program and its identify and write commands, and
// turns what was given into ProductionOptions once the line is parsed.
class ProductionOptionParser {
  public:
    void Add(CLI::App& app, CLI::App& identify, CLI::App& write, CLI::Option* sim);
    // Returns why the options do not go together, or nothing.
    std::optional<std::string> Apply(ProductionOptions& options,
                                     const std::filesystem::path& firmware) const;

  private:
    std::optional<std::string> ApplySerial(ProductionOptions& options,
                                           const std::filesystem::path& firmware) const;

    ProductionOptions given_;
    std::string simInsertions_;
    std::string serial_;
    std::string serialAt_;
    std::string serialFormat_ = "dec";
    std::string serialFile_;
    std::string logPath_;
    std::string logFormat_ = "jsonl";
};

}  // namespace tallis
