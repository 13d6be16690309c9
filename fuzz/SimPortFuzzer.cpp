// The simulated board and chip fed arbitrary port writes, reads and waits.
//
// Input: byte 0 picks the chip type (bit 0: 877 when set), a board fault
// (bits 1-2: none, no target, data line stuck low) and what a port access
// costs in virtual time (bits 3-5, in steps of 25 ns). The rest is a sequence
// of operations, each an operation byte and its operands: raw register writes
// and reads, waits, and whole commands and frames clocked the way a host does,
// so that the fuzzer reaches programming mode and the write cycles quickly.
#include <cstdint>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzInput.h"
#include "sim/SimulatedTarget.h"

namespace {

using namespace tallis;
using namespace tallis::sim;

constexpr std::uint8_t kClockLow = 0x0A;
constexpr std::uint8_t kClockHigh = 0x0B;
constexpr std::uint32_t kBitWaitUs = 60;

class Driver {
  public:
    Driver(SimulatedTarget& target, BoardFault fault)
        : target_(target), base_(target.SimPort().Base()), fault_(fault) {}

    void Run(fuzz::FuzzInput& input) {
        while (!input.Empty()) {
            Step(input);
            CheckPins();
        }
        CheckMemory();
    }

  private:
    void Step(fuzz::FuzzInput& input) {
        const std::uint8_t op = input.Byte();
        switch (op & 0x0F) {
            case 0:
                Data(input.Byte());
                break;
            case 1:
                Control(input.Byte());
                break;
            case 2:
                Status();
                break;
            case 3:
                target_.Clock().Delay(input.Byte());
                break;
            case 4:
                target_.Clock().Delay(std::uint32_t{input.Byte()} * 100);
                break;
            case 5:
                target_.Clock().AdvanceNs(input.Byte());
                break;
            case 6:
                SendBits(input.Byte() & 0x3F, 6);
                break;
            case 7:
                SendBits(static_cast<std::uint16_t>((input.Word() << 1) & 0x7FFE), 16);
                break;
            case 8:
                ReadFrame();
                break;
            case 9:
                EnterProgramMode();
                break;
            case 10:
                LeaveProgramMode();
                break;
            case 11:
                target_.Port().WriteByte(input.Word(), input.Byte());
                break;
            case 12:
                target_.Port().ReadByte(input.Word());
                break;
            case 13:
                target_.Chip().ReadProgramWord(input.Word());
                break;
            case 14:
                CheckMemory();
                break;
            default:
                FUZZ_CHECK(!target_.Violations().Describe().empty() || target_.Violations().Empty(),
                           "violations without a description");
                break;
        }
    }

    void Data(std::uint8_t value) { target_.Port().WriteByte(base_, value); }
    void Control(std::uint8_t value) {
        target_.Port().WriteByte(static_cast<std::uint16_t>(base_ + 2), value);
    }

    // The status register: bit 6 (nAck, pin 10 on the default board) is RB7,
    // every other bit reads 1.
    std::uint8_t Status() {
        constexpr std::uint8_t kRb7Bit = 0x40;
        const std::uint8_t status = target_.Port().ReadByte(static_cast<std::uint16_t>(base_ + 1));
        FUZZ_CHECK((status | kRb7Bit) == 0xFF,
                   "status bits other than RB7 read " + std::to_string(status));
        const bool rb7 = (status & kRb7Bit) != 0;
        if (fault_ == BoardFault::NoTarget) {
            FUZZ_CHECK(rb7, "RB7 reads low with nothing connected");
        }
        if (fault_ == BoardFault::DataStuckLow) {
            FUZZ_CHECK(!rb7, "RB7 reads high while stuck low");
        }
        if (fault_ == BoardFault::None && (target_.SimPort().ControlRegister() & 0x01) != 0) {
            FUZZ_CHECK(!rb7, "RB7 reads high while the host holds it low");
        }
        return status;
    }

    void ClockBit(bool bit) {
        target_.Clock().Delay(kBitWaitUs);
        Control(bit ? 0x00 : 0x01);
        target_.Clock().Delay(kBitWaitUs);
        Data(kClockHigh);
        target_.Clock().Delay(kBitWaitUs);
        Data(kClockLow);
    }
    void SendBits(std::uint16_t bits, int count) {
        for (int i = 0; i < count; ++i) {
            ClockBit(((bits >> i) & 1U) != 0);
        }
        target_.Clock().Delay(kBitWaitUs);
    }
    void ReadFrame() {
        Control(0x00);
        for (int i = 0; i < 16; ++i) {
            target_.Clock().Delay(kBitWaitUs);
            Data(kClockHigh);
            target_.Clock().Delay(kBitWaitUs);
            Data(kClockLow);
            Status();
        }
    }
    void EnterProgramMode() {
        Control(0x01);
        Data(0x00);
        target_.Clock().Delay(2000);
        Data(0x02);
        target_.Clock().Delay(2000);
        Data(kClockLow);
        target_.Clock().Delay(2000);
    }
    void LeaveProgramMode() {
        Data(0x08);
        target_.Clock().Delay(2000);
        Data(0x00);
        target_.Clock().Delay(2000);
        Data(0x02);
    }

    // The chip's mode follows MCLR as the board makes it, and the chip only
    // ever drives RB7 in programming mode.
    void CheckPins() {
        PicChip& chip = target_.Chip();
        if (fault_ == BoardFault::NoTarget) {
            return;  // the chip sees nothing of the port
        }
        const MclrLevel mclr = target_.Board().MclrFor(target_.SimPort().DataRegister(),
                                                       target_.SimPort().ControlRegister());
        FUZZ_CHECK(chip.Mclr() == mclr, "the chip's MCLR differs from the board's");
        const ChipMode mode = chip.Mode();
        switch (mclr) {
            case MclrLevel::Low:
                FUZZ_CHECK(mode == ChipMode::Reset, "MCLR low but not in reset");
                break;
            case MclrLevel::High:
                FUZZ_CHECK(mode == ChipMode::Running, "MCLR high but not running");
                break;
            case MclrLevel::Vpp:
                FUZZ_CHECK(mode == ChipMode::Programming || mode == ChipMode::VppRejected,
                           "VPP without a programming-voltage mode");
                break;
        }
        if (mode != ChipMode::Programming) {
            FUZZ_CHECK(chip.Rb7Released(), "the chip drives RB7 outside programming mode");
        }
        const std::uint16_t pc = chip.Pc();
        FUZZ_CHECK(pc < kProgramWords || (pc >= kConfigSpaceStart && pc <= 0x3FFF),
                   "address counter " + std::to_string(pc));
    }

    // Words are 14 bits; the configuration word keeps its unimplemented bits
    // at 1; the device ID never changes. Without an erase since the last look
    // (and no cycle open then), flash bits only go from 1 to 0.
    void CheckMemory() {
        PicChip& chip = target_.Chip();
        const bool busy = chip.Busy();
        const ChipMemory& memory = chip.Memory();
        const TargetType type = chip.Type();
        for (std::uint16_t word : memory.program) {
            FUZZ_CHECK(word <= kWordMask, "a program word wider than 14 bits");
        }
        for (std::uint16_t word : memory.config) {
            FUZZ_CHECK(word <= kWordMask, "a configuration-space word wider than 14 bits");
        }
        FUZZ_CHECK(NormalizeConfigWord(type, memory.ConfigWord()) == memory.ConfigWord(),
                   "configuration word with unimplemented bits at 0");
        FUZZ_CHECK(memory.DeviceId() == DefaultDeviceId(type), "the device ID changed");

        const std::uint64_t erases = ErasingCommands();
        if (haveSnapshot_ && !snapshotBusy_ && erases == snapshotErases_) {
            for (std::size_t i = 0; i < memory.program.size(); ++i) {
                FUZZ_CHECK(
                    (memory.program[i] & ~snapshot_.program[i]) == 0,
                    "a program word gained 1 bits without an erase, at " + std::to_string(i));
            }
        }
        snapshot_ = memory;
        snapshotBusy_ = busy;
        snapshotErases_ = erases;
        haveSnapshot_ = true;
    }

    // Commands that may set flash bits back to 1: erase-and-program (8) and
    // the chip erase (31).
    std::uint64_t ErasingCommands() const {
        return target_.Chip().CommandCount(8) + target_.Chip().CommandCount(31);
    }

    SimulatedTarget& target_;
    std::uint16_t base_;
    BoardFault fault_;
    bool haveSnapshot_ = false;
    bool snapshotBusy_ = false;
    std::uint64_t snapshotErases_ = 0;
    ChipMemory snapshot_{};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tallis::fuzz::FuzzInput input(data, size);
    const std::uint8_t setup = input.Byte();
    const TargetType type = (setup & 0x01) != 0 ? TargetType::Pic16F877 : TargetType::Pic16F877A;
    const BoardFault faults[] = {BoardFault::None, BoardFault::NoTarget, BoardFault::DataStuckLow,
                                 BoardFault::None};
    const BoardFault fault = faults[(setup >> 1) & 3];
    const std::uint64_t accessCostNs = 25U * ((setup >> 3) & 7U);

    SimulatedTarget target({.type = type, .portAccessCostNs = accessCostNs});
    target.SetBoardFault(fault);
    Driver driver(target, fault);
    driver.Run(input);
    return 0;
}
