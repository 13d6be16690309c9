#pragma once

namespace tallis {

enum class ChipType { Pic16F877, Pic16F877A };

}  // namespace tallis
