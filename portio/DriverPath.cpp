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

}  // namespace tallis
