#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "portio/AccessTrace.h"
#include "portio/RecordingDelayer.h"
#include "portio/RecordingPortIo.h"

namespace tallis {
namespace {

// A port whose registers hold what was last written; reads of unwritten
// registers return a fixed pattern.
class RegisterPort : public PortIo {
  public:
    void WriteByte(std::uint16_t port, std::uint8_t value) override { registers[port] = value; }
    std::uint8_t ReadByte(std::uint16_t port) override {
        auto found = registers.find(port);
        return found == registers.end() ? std::uint8_t{0xA5} : found->second;
    }
    std::map<std::uint16_t, std::uint8_t> registers;
};

class CountingDelayer : public Delayer {
  public:
    void Delay(std::uint32_t microseconds) override { total += microseconds; }
    std::uint64_t total = 0;
};

TEST(AccessTraceFormat, LinesAreUpperCaseFixedWidthHexAndDecimalDelays) {
    struct Case {
        TraceEntry entry;
        const char* text;
    };
    const Case cases[] = {
        {{AccessKind::Write, 0x037A, 0x01}, "W 037A 01"},
        {{AccessKind::Read, 0x0379, 0x40}, "R 0379 40"},
        {{AccessKind::Write, 0x0005, 0xFF}, "W 0005 FF"},
        {{AccessKind::Read, 0xFFFF, 0x0A}, "R FFFF 0A"},
        {{AccessKind::Delay, 0, 60}, "D 60"},
        {{AccessKind::Delay, 0, 0}, "D 0"},
        {{AccessKind::Delay, 0, 4294967295u}, "D 4294967295"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AccessTrace::FormatEntry(c.entry), c.text);
    }
}

TEST(RecordingDecorators, LogAccessesAndDelaysInOneOrderedTrace) {
    RegisterPort port;
    CountingDelayer clock;
    AccessTrace trace;
    RecordingPortIo recordingPort(port, trace);
    RecordingDelayer recordingDelayer(trace, &clock);

    recordingPort.WriteByte(0x378, 0x0B);
    recordingDelayer.Delay(2000);
    EXPECT_EQ(recordingPort.ReadByte(0x378), 0x0B);
    EXPECT_EQ(recordingPort.ReadByte(0x379), 0xA5);
    recordingDelayer.Delay(60);

    EXPECT_EQ(port.registers.at(0x378), 0x0B);
    EXPECT_EQ(clock.total, 2060u);
    EXPECT_EQ(trace.Text(), "W 0378 0B\nD 2000\nR 0378 0B\nR 0379 A5\nD 60\n");
    EXPECT_EQ(trace.Count(), 5u);
    EXPECT_EQ(trace.Entries().at(2), (TraceEntry{AccessKind::Read, 0x378, 0x0B}));
}

TEST(RecordingDecorators, DelayerWithoutInnerOnlyLogs) {
    AccessTrace trace;
    RecordingDelayer delayer(trace);
    delayer.Delay(5);
    EXPECT_EQ(trace.Text(), "D 5\n");
}

TEST(AccessTraceStreaming, WritesEachLineAsItHappensAndKeepsNothing) {
    std::ostringstream sink;
    AccessTrace trace(sink);
    trace.RecordWrite(0x37A, 0x01);
    EXPECT_EQ(sink.str(), "W 037A 01\n");
    trace.RecordDelay(60);
    trace.RecordRead(0x379, 0x40);

    EXPECT_EQ(sink.str(), "W 037A 01\nD 60\nR 0379 40\n");
    EXPECT_TRUE(trace.Entries().empty());
    EXPECT_EQ(trace.Count(), 3u);
}

TEST(AccessTrace, ClearForgetsEverything) {
    AccessTrace trace;
    trace.RecordWrite(1, 2);
    trace.Clear();
    EXPECT_EQ(trace.Count(), 0u);
    EXPECT_EQ(trace.Text(), "");
}

}  // namespace
}  // namespace tallis
