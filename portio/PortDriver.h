#pragma once

#include <optional>
#include <string_view>

namespace tallis {

// Which Windows port driver the programs use. Auto takes the InpOut library of
// the process's width when it loads (beside the program or on the DLL search
// path), else zlportio.sys when it lies beside the program. Other systems
// reach the port without either and take no notice of the choice.
enum class PortDriver { Auto, InpOut, Zlportio };

// "auto", "inpout", "zlportio": the names of the command line and the settings.
std::string_view PortDriverName(PortDriver driver);
std::optional<PortDriver> ParsePortDriver(std::string_view name);

// The InpOut library that a process of this width loads: its 64-bit build in a
// 64-bit process, its 32-bit build otherwise.
inline constexpr std::string_view InpOutLibraryName() {
    return sizeof(void*) == 8 ? "inpoutx64.dll" : "inpout32.dll";
}

}  // namespace tallis
