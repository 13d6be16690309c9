#include "WineProgram.h"

#include <fstream>
#include <sstream>

#include "portio/DriverPath.h"
#include "portio/NativeWin32Api.h"

namespace tallis {

std::string ProgramFolder() {
    NativeWin32Api api;
    return FolderOfPath(api.ModuleFileName());
}

std::string ReadText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    std::string content = text.str();
    std::erase(content, '\r');
    return content;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

ProgramResult RunProgram(const std::string& commandLine) {
    const std::string outputPath = ProgramFolder() + "\\output.txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE output = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = output;
    startup.hStdOutput = output;
    PROCESS_INFORMATION process{};
    std::string line = commandLine;
    ProgramResult result;
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &result.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        result.exitCode = ~DWORD{0};
    }
    CloseHandle(output);
    result.output = ReadText(outputPath);
    return result;
}

ProgramResult RunCli(const std::string& folder, const std::string& arguments) {
    return RunProgram("\"" + folder + "\\tallis-cli.exe\" " + arguments);
}

}  // namespace tallis
