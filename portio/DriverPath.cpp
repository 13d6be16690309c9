#include "portio/DriverPath.h"

namespace tallis {

std::string FolderOfPath(std::string_view filePath) {
    std::size_t delimiter = filePath.find_last_of("\\:");
    if (delimiter == std::string_view::npos) {
        return {};
    }
    std::size_t length = delimiter + 1;
    bool backslashAfterFolderName = filePath[delimiter] == '\\' && delimiter > 0 &&
                                    filePath[delimiter - 1] != '\\' &&
                                    filePath[delimiter - 1] != ':';
    if (backslashAfterFolderName) {
        --length;
    }
    return std::string(filePath.substr(0, length));
}

std::string BuildDriverPath(std::string_view modulePath, std::string_view driverName) {
    std::string path = FolderOfPath(modulePath);
    path += '\\';
    path += driverName;
    path += ".sys";
    if (path.size() > kDriverPathLimit) {
        path.resize(kDriverPathLimit);
    }
    return path;
}

std::string LibraryNotLoadedText(std::string_view name, std::string_view what,
                                 std::string_view foundPath, std::uint32_t systemError,
                                 std::string_view programPath, std::string_view whenMissing) {
    if (!foundPath.empty()) {
        return std::string(foundPath) + " could not be loaded (system error " +
               std::to_string(systemError) + ")";
    }
    return std::string(name) + " (" + std::string(what) + ") was found neither in " +
           FolderOfPath(programPath) + " nor on the DLL search path" + std::string(whenMissing);
}

}  // namespace tallis
