#include "board/BoardWiring.h"

#include <algorithm>

namespace tallis::board {

namespace {

// Two kinds of source describe these boards: one signs a line by its register
// bit, the other by the pin's level. Every row below is written by the pin's
// level (see BoardWiring.h); where a board came signed by its register bit,
// the sign of pins 1, 11, 14 and 17 was turned over when the row was written.
// Pins: D0-D7 are 2-9, nStrobe 1, nAck 10, Busy 11, PaperOut 12, Select 13,
// nAutoFeed 14, nInit 16, nSelectIn 17.

// Tait-style boards with a 7407 and PNP switches: VPP and VDD active-low.
constexpr BoardWiring TaitWith7407(std::string_view name, std::string_view title,
                                   PinLine vpp = Pin("!5")) {
    return {.name = name,
            .clock = Pin("3"),
            .dataOut = Pin("2"),
            .dataIn = Pin("10"),
            .vpp = vpp,
            .vdd = Pin("!4"),
            .title = title};
}

// The same boards built with a 7406 (or 7405): the inverting buffer turns
// clock and data over, and the PNP switch turns VPP and VDD back.
constexpr BoardWiring TaitWith7406(std::string_view name, std::string_view title,
                                   PinLine vpp = Pin("5")) {
    return {.name = name,
            .clock = Pin("!3"),
            .dataOut = Pin("!2"),
            .dataIn = Pin("!10"),
            .vpp = vpp,
            .vdd = Pin("4"),
            .title = title};
}

// SM6LKM's boards: VPP on D4, VDD on D0, clock D3, data D2, isolated by D7.
constexpr BoardWiring Sm6lkm(std::string_view name, std::string_view title, PinLine vdd,
                             PinLine dataIn) {
    return {.name = name,
            .clock = Pin("5"),
            .dataOut = Pin("4"),
            .dataIn = dataIn,
            .vpp = Pin("!6"),
            .vdd = vdd,
            .connect = Pin("!9"),
            .title = title};
}

constexpr BoardWiring kBoards[] = {
    kDefaultBoard,
    TaitWith7407("tait-classic", "Tait classic (7407 and PNP)"),
    TaitWith7406("tait-7406", "Tait 7405/7406 (and PNP)"),
    TaitWith7406("p16pro40-classic", "P16PRO40 classic"),
    TaitWith7407("p16pro40-7407", "P16PRO40 with a 7407"),
    TaitWith7406("p16pro40-vpp40-classic", "P16PRO40-VPP40 classic", Pin("6")),
    TaitWith7407("p16pro40-vpp40-7407", "P16PRO40-VPP40 with a 7407", Pin("!6")),
    TaitWith7407("epic-plus", "EPIC+ (disconnect pin 2 of its 7407)"),
    TaitWith7407("propic2-vpp1", "Propic2, VPP on D3"),
    TaitWith7407("propic2-vpp2", "Propic2, VPP on D4", Pin("!6")),
    TaitWith7407("propic2-vpp3", "Propic2, VPP on D5", Pin("!7")),
    {.name = "monty-robot",
     .clock = Pin("2"),
     .dataOut = Pin("3"),
     .dataIn = Pin("10"),
     .vpp = Pin("!5"),
     .vdd = Pin("4"),
     .title = "Monty-Robot"},
    TaitWith7407("ett-high-vpp", "ETT High Vpp"),
    {.name = "ett-low-vpp",
     .clock = Pin("2"),
     .dataOut = Pin("1"),
     .dataIn = Pin("10"),
     .vpp = Pin("3"),
     .vdd = Pin("5"),
     .title = "ETT Low Vpp (ET-CAB10PIN V2)"},
    {.name = "asix-piccolo",
     .clock = Pin("!5"),
     .dataOut = Pin("!3"),
     .dataIn = Pin("!10"),
     .vpp = Pin("!6"),
     .vdd = Pin("!7"),
     .dataDirection = Pin("!2"),
     .title = "Asix Piccolo (and Piccolo Grande)"},
    {.name = "el-cheapo",
     .clock = Pin("1"),
     .dataOut = Pin("17"),
     .dataIn = Pin("13"),
     .vpp = Pin("16"),
     .title = "Myke's El Cheapo"},
    {.name = "el-cheapo-classic",
     .clock = Pin("!1"),
     .dataOut = Pin("!17"),
     .dataIn = Pin("!13"),
     .vpp = Pin("16"),
     .title = "El Cheapo classic"},
    Sm6lkm("pip84-v1", "PIP84 V1 (SM6LKM)", Pin("!2"), Pin("!12")),
    Sm6lkm("pip84-v2", "PIP84 V2 (SM6LKM)", Pin("!2"), Pin("!10")),
    Sm6lkm("sm6lkm-flash", "SM6LKM PIC Flash programmer", Pin("2"), Pin("!10")),
    {.name = "tait-7406-4066",
     .clock = Pin("!3"),
     .dataOut = Pin("!2"),
     .dataIn = Pin("!10"),
     .vpp = Pin("!5"),
     .vdd = Pin("!4"),
     .connect = Pin("!9"),
     .title = "Tait with a 7406 and 4066"},
    {.name = "tait-7407-4066",
     .clock = Pin("3"),
     .dataOut = Pin("2"),
     .dataIn = Pin("10"),
     .vpp = Pin("5"),
     .vdd = Pin("4"),
     .connect = Pin("9"),
     .title = "Tait with a 7407 and 4066"},
    // A 74LS244 whose enables are active-low: the data buffer's enable is the
    // direction line (high: turned away from the target), the clock buffer's
    // the connect line. D4 pulls MCLR to ground.
    {.name = "an589",
     .clock = Pin("3"),
     .dataOut = Pin("2"),
     .dataIn = Pin("10"),
     .run = Pin("!6"),
     .vpp = Pin("5"),
     .dataDirection = Pin("4"),
     .connect = Pin("!7"),
     .title = "Microchip AN589"},
    {.name = "noppp",
     .clock = Pin("1"),
     .dataOut = Pin("14"),
     .dataIn = Pin("11"),
     .vpp = Pin("!2"),
     .dataOutAlso = Pin("17"),
     .title = "NOPPP"},
};

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
