#include <cstdio>
#include <string_view>

#include "ui/Application.h"
#include "ui/SimTarget.h"

// tallis-sim: the same program driving a simulated board and chip in real time.
// "--sim-board slow" gives the board slow RB7 and VPP edges; Qt ignores the
// option.
int main(int argc, char** argv) {
    tallis::sim::BoardTiming board;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) != "--sim-board") {
            continue;
        }
        const auto named = i + 1 < argc ? tallis::sim::BoardTimingNamed(argv[i + 1]) : std::nullopt;
        if (!named) {
            std::fputs("tallis-sim: --sim-board takes ideal or slow\n", stderr);
            return 2;
        }
        board = *named;
    }
    return tallis::RunApplication(argc, argv, [board] {
        return std::make_unique<tallis::SimTarget>(tallis::sim::TimeSource::RealTime, board);
    });
}
