#include "board/BoardWiring.h"

#include <algorithm>

namespace tallis::board {

namespace {

constexpr BoardWiring kBoards[] = {kDefaultBoard};

}  // namespace

std::span<const BoardWiring> Boards() {
    return kBoards;
}

const BoardWiring* FindBoard(std::string_view name) {
    const auto* found =
        std::ranges::find_if(kBoards, [name](const BoardWiring& b) { return b.name == name; });
    return found == std::end(kBoards) ? nullptr : found;
}

}  // namespace tallis::board
