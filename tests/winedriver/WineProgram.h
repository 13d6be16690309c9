// Running tallis-cli.exe and reading what it left, for the tests that run
// under Wine in a folder that scripts/wine-driver-tests.sh lays out.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tallis {

// The folder of this test program.
std::string ProgramFolder();
// A file's text without carriage returns; empty when it is not there.
std::string ReadText(const std::string& path);
std::vector<std::string> Lines(const std::string& text);

struct ProgramResult {
    DWORD exitCode = 0;
    std::string output;  // standard output and error
};

// Runs a program to its end with its output caught in a file.
ProgramResult RunProgram(const std::string& commandLine);
// tallis-cli.exe in that folder, with these arguments.
ProgramResult RunCli(const std::string& folder, const std::string& arguments);

}  // namespace tallis
