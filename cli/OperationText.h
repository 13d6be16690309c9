#pragma once

#include <cstdint>
#include <string>

#include "device/Device.h"
#include "engine/OperationResult.h"
#include "engine/ResultText.h"

namespace tallis {

// What an identify that did not find the chip asked for means and what to check.
std::string IdentifyDiagnosis(const OperationResult& result, const Device* asked);
// The device table as --list-devices shows it.
std::string DeviceListText();

}  // namespace tallis
