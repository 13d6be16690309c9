// Simulated time of whole chip operations over the USB bit-bang models, next
// to the parallel port and to a transport that waits for every sampled bit.
//
//   bench_ftdi_speed                     the table for the README
//   bench_ftdi_speed --naive             with the round trip per bit on the whole chip too
//   bench_ftdi_speed --ft232r-baud RATE  the FT232R at another baud rate
#include <array>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "app/OperationFlow.h"
#include "app/SimulatedBitBangDevice.h"
#include "board/FtdiWiring.h"
#include "device/Device.h"
#include "ftdi/BitBangTransport.h"
#include "sim/ChipIds.h"
#include "sim/SimulatedDevice.h"
#include "sim/SimulatedFtdiTarget.h"
#include "sim/SimulatedTarget.h"
#include "wire/ParallelPortTransport.h"

namespace tallis {
namespace {

// What a straight port of the parallel-port code would do: every sampled bit
// is asked for at once, a USB round trip each.
class EveryBitAtOnce final : public LineTransport {
  public:
    explicit EveryBitAtOnce(LineTransport& inner) : inner_(inner) {}
    void Drive(LineLevels levels) override { inner_.Drive(levels); }
    bool ReadData() override { return inner_.ReadData(); }
    DataSample SampleData() override { return {.known = true, .high = inner_.ReadData()}; }
    void Wait(std::uint32_t microseconds) override { inner_.Wait(microseconds); }
    void Flush() override { inner_.Flush(); }
    std::uint64_t FailedAccesses() const override { return inner_.FailedAccesses(); }

  private:
    LineTransport& inner_;
};

ChipImage ProgramWords(std::uint32_t words) {
    ChipImage image;
    for (std::uint32_t a = 0; a < words; ++a) {
        image.program[a] = static_cast<std::uint16_t>(((a + 1U) * 2654435761U >> 7) & 0x3FFFU);
    }
    image.config[0] = 0x3F3A;
    return image;
}

struct Outcome {
    double simulatedS = 0;
    bool completed = false;
    std::size_t violations = 0;
    std::uint64_t exchanges = 0;  // USB round trips at least, over FTDI
    std::uint64_t bytes = 0;
};

Outcome WriteAndVerify(LineTransport& lines, const Device& device, const ChipImage& image,
                       const std::function<std::uint64_t()>& nowNs) {
    const std::uint64_t start = nowNs();
    const OperationReport report =
        RunOperation(lines, {.timing = &kFastTiming},
                     {.kind = DeviceCommandKind::WriteAll, .asked = &device, .file = &image});
    return {static_cast<double>(nowNs() - start) / 1e9,
            report.Outcome() == OperationOutcome::Completed, 0};
}

Outcome OverParallelPort(const Device& device, const ChipImage& image) {
    sim::TargetOptions options = sim::TargetOptionsFor(device);
    options.portAccessCostNs = sim::kRealPortAccessNs;
    sim::SimulatedTarget target(options);
    ParallelPortTransport lines(target.Port(), target.Clock());
    Outcome outcome = WriteAndVerify(lines, device, image, [&] { return target.Time().NowNs(); });
    outcome.violations = target.Violations().Total();
    return outcome;
}

Outcome OverFtdi(const Device& device, const ChipImage& image, const sim::FtdiUsbModel& usbModel,
                 const ftdi::BitBangChip& chip, bool everyBitAtOnce) {
    sim::SimulatedFtdiTarget target({.device = &device,
                                     .deviceId = sim::ChipIdWord(device.name, 1),
                                     .wiring = &board::kFt232rHighVoltageSplit,
                                     .usb = &usbModel});
    SimulatedBitBangDevice usb(target.Usb());
    // A straight port sends what it has and waits for the samples: the last
    // packet of them comes when the latency timer runs out.
    ftdi::BitBangChip straight = chip;
    straight.packetSamples = 1;
    ftdi::BitBangTransport bitBang(usb, target.Clock(), board::kFt232rHighVoltageSplit,
                                   everyBitAtOnce ? straight : chip);
    if (!bitBang.Start()) {
        return {};
    }
    EveryBitAtOnce naive(bitBang);
    LineTransport& lines = everyBitAtOnce ? static_cast<LineTransport&>(naive) : bitBang;
    Outcome outcome = WriteAndVerify(lines, device, image, [&] { return target.Time().NowNs(); });
    bitBang.Finish();
    outcome.violations = target.Violations().Total();
    outcome.exchanges = bitBang.Exchanges();
    outcome.bytes = bitBang.BytesSent();
    return outcome;
}

void Row(const char* name, const std::function<Outcome()>& run) {
    const auto wallStart = std::chrono::steady_clock::now();
    const Outcome outcome = run();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    std::printf("| %-40s | %9.2f s | %s | %zu | %llu | %llu | %.1f s |\n", name, outcome.simulatedS,
                outcome.completed ? "yes" : "NO ", outcome.violations,
                static_cast<unsigned long long>(outcome.exchanges),
                static_cast<unsigned long long>(outcome.bytes), wall);
    std::fflush(stdout);
}

}  // namespace
}  // namespace tallis

int main(int argc, char** argv) {
    using namespace tallis;
    const bool withNaive = argc > 1 && std::string(argv[1]) == "--naive";
    if (argc > 2 && std::string(argv[1]) == "--ft232r-baud") {
        ftdi::BitBangChip chip = ftdi::kFt232r;
        chip.baud = static_cast<std::uint32_t>(std::stoul(argv[2]));
        const Device& d = *FindDevice("16f877a");
        for (const std::uint32_t words : std::array<std::uint32_t, 2>{d.programWords, 40}) {
            const ChipImage image = ProgramWords(words);
            Row(("FT232R at " + std::string(argv[2]) + " baud, " + std::to_string(words)).c_str(),
                [&] { return OverFtdi(d, image, sim::kFt232rUsb, chip, false); });
        }
        return 0;
    }
    const Device& device = *FindDevice("16f877a");
    const ChipImage full = ProgramWords(device.programWords);
    const ChipImage forty = ProgramWords(40);
    std::printf(
        "| PIC16F877A write + verify, fast profile | simulated | completed | violations "
        "| exchanges | bytes | wall |\n|---|---|---|---|---|---|---|\n");
    for (const auto& [label, image] :
         {std::pair{"8192 words", &full}, std::pair{"40 words", &forty}}) {
        const std::string words = label;
        Row(("parallel port, " + words).c_str(), [&] { return OverParallelPort(device, *image); });
        Row(("FT232R, " + words).c_str(),
            [&] { return OverFtdi(device, *image, sim::kFt232rUsb, ftdi::kFt232r, false); });
        Row(("FT232H, " + words).c_str(),
            [&] { return OverFtdi(device, *image, sim::kFt232hUsb, ftdi::kFt232h, false); });
        if (withNaive || image == &forty) {
            Row(("FT232R, a round trip per bit, " + words).c_str(),
                [&] { return OverFtdi(device, *image, sim::kFt232rUsb, ftdi::kFt232r, true); });
        }
    }
    return 0;
}
