#pragma once

#include <cstdint>
#include <string>

#include "board/BoardWiring.h"
#include "device/Device.h"
#include "engine/OperationResult.h"
#include "engine/ResultText.h"

namespace tallis {

// IdentifyProblem with where the command line names chips.
std::string IdentifyDiagnosis(const OperationResult& result, const Device* asked);
// After an identify that read all ones or all zeros, or a failed line check:
// the board chosen, which a board wired otherwise would explain. Nothing
// else is tried on the port: a line that is data on one board is VPP on another.
std::string BoardChoiceHint(std::string_view name, std::string_view title);
// Whether an identify's outcome may come from a wrong board choice.
bool MayBeWrongBoard(const OperationResult& result);
// The device table as --list-devices shows it.
std::string DeviceListText();

}  // namespace tallis
