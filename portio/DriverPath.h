#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tallis {

// The driver path is held in a string of this many characters at most.
inline constexpr std::size_t kDriverPathLimit = 255;

// The folder of a file path: everything before its last "\" or ":". The
// backslash is dropped unless it follows a ":" or another "\", so a drive root
// keeps it ("C:\tallis.exe" gives "C:\").
std::string FolderOfPath(std::string_view filePath);

// Where the driver file is looked for: the program's folder, "\", the driver's
// name and ".sys", cut to kDriverPathLimit characters.
std::string BuildDriverPath(std::string_view modulePath, std::string_view driverName);

// Why a library loaded at run time is not there: the file found (foundPath)
// did not load, which most often means a DLL of the other width, or it was
// nowhere to be found, with what to do about it (whenMissing, may be empty).
std::string LibraryNotLoadedText(std::string_view name, std::string_view what,
                                 std::string_view foundPath, std::uint32_t systemError,
                                 std::string_view programPath, std::string_view whenMissing = {});

}  // namespace tallis
