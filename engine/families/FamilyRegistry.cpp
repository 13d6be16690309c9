#include <algorithm>
#include <stdexcept>
#include <string>

#include "engine/families/ChipFamily.h"
#include "engine/families/Pic16F62xA.h"
#include "engine/families/Pic16F84A.h"
#include "engine/families/Pic16F8788.h"
#include "engine/families/Pic16F87x.h"
#include "engine/families/Pic16F87xA.h"
#include "engine/families/Pic16F88x.h"

namespace tallis {

namespace {

const Pic16F87x k87x;
const Pic16F87xA k87xA;
const Pic16F88x k88x;
const Pic16F62xA k62xA;
const Pic16F84A k84A;
const Pic16F8788 k8788;
const ChipFamily* const kFamilies[] = {&k87x, &k87xA, &k88x, &k62xA, &k84A, &k8788};

}  // namespace

std::span<const ChipFamily* const> Families() {
    return kFamilies;
}

const ChipFamily& FamilyOf(const Device& device) {
    const auto found = std::ranges::find_if(
        kFamilies, [&](const ChipFamily* family) { return family->Key() == device.family; });
    if (found == std::end(kFamilies)) {
        throw std::logic_error(std::string(device.name) + " names the family " +
                               std::string(device.family) + ", which has no class");
    }
    return **found;
}

}  // namespace tallis
