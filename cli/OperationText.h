#pragma once

#include <cstdint>
#include <string>

#include "device/Device.h"
#include "engine/OperationResult.h"
#include "engine/ResultText.h"

namespace tallis {

// IdentifyProblem with where the command line names chips.
std::string IdentifyDiagnosis(const OperationResult& result, const Device* asked);
// The device table as --list-devices shows it.
std::string DeviceListText();

}  // namespace tallis
