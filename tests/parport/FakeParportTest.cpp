// The fake port refuses what the kernel's ppdev driver refuses, so that the
// programs tested through it cannot lean on something a real port would not do.
#include <gtest/gtest.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <map>
#include <vector>

#include "FakeParport.h"

namespace tallis::testing {
namespace {

struct Step {
    unsigned long request;
    std::uint8_t value;  // written, or expected back from a read
    int error;           // what the request gives
};

constexpr unsigned long kClose = 0;  // not a request: close and open again

struct RefusalCase {
    const char* name;
    PortFault fault;
    std::vector<Step> steps;
};

class FakeParportRequests : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(FakeParportRequests, AnswerAsTheKernelDoes) {
    FakeParportOptions options;
    options.portFault = GetParam().fault;
    FakeParport port(options);
    ASSERT_EQ(port.Open(), 0);
    for (std::size_t i = 0; i < GetParam().steps.size(); ++i) {
        const Step& step = GetParam().steps[i];
        if (step.request == kClose) {
            port.Close();
            ASSERT_EQ(port.Open(), 0);
            continue;
        }
        const bool reads =
            step.request == PPRDATA || step.request == PPRCONTROL || step.request == PPRSTATUS;
        std::uint8_t value = reads ? 0xA5 : step.value;
        EXPECT_EQ(port.Ioctl(step.request, &value), step.error) << "step " << i;
        if (reads && step.error == 0) {
            EXPECT_EQ(value, step.value) << "step " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ppdev, FakeParportRequests,
    ::testing::Values(
        RefusalCase{"RegistersNeedTheClaim",
                    PortFault::None,
                    {{PPWDATA, 0x02, EINVAL},
                     {PPWCONTROL, 0x01, EINVAL},
                     {PPRSTATUS, 0, EINVAL},
                     {PPRELEASE, 0, EINVAL},
                     {PPCLAIM, 0, 0},
                     {PPCLAIM, 0, EINVAL},
                     {PPRELEASE, 0, 0},
                     {PPWDATA, 0x02, EINVAL}}},
        RefusalCase{"ControlKeepsItsFourOutputBits",
                    PortFault::None,
                    {{PPCLAIM, 0, 0},
                     {PPWCONTROL, 0xFF, 0},
                     {PPRCONTROL, 0x0F, 0},
                     {PPWDATA, 0xFF, 0},
                     {PPRDATA, 0xFF, 0},
                     {PPGETMODE, 0, ENOTTY}}},
        RefusalCase{"ExclusiveOnlyBeforeTheFirstClaim",
                    PortFault::None,
                    {{PPCLAIM, 0, 0},
                     {PPEXCL, 0, EINVAL},
                     {kClose, 0, 0},
                     {PPEXCL, 0, 0},
                     {PPCLAIM, 0, 0},
                     {PPEXCL, 0, 0}}},
        RefusalCase{"ClosingReleases",
                    PortFault::None,
                    {{PPCLAIM, 0, 0}, {kClose, 0, 0}, {PPWDATA, 0x02, EINVAL}}},
        RefusalCase{
            "BusyPortRefusesTheClaim",
            PortFault::Busy,
            {{PPCLAIM, 0, EBUSY}, {PPEXCL, 0, 0}, {PPCLAIM, 0, ENXIO}, {PPWDATA, 0x02, EINVAL}}}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

TEST(FakeParport, OneOpenerAtATime) {
    FakeParport port({});
    EXPECT_EQ(port.Open(), 0);
    EXPECT_EQ(port.Open(), EBUSY);
}

TEST(FakeParportOptions, UnusableValuesNameTheirVariable) {
    const std::vector<std::map<std::string, std::string>> cases = {
        {{"TALLIS_FAKE_PARPORT_CHIP", "16f84"}},
        {{"TALLIS_FAKE_PARPORT_BASE", "0x10000"}},
        {{"TALLIS_FAKE_PARPORT_BASE", "378h"}},
        {{"TALLIS_FAKE_PARPORT_FAULT", "unprogrammable:"}},
        {{"TALLIS_FAKE_PARPORT_FAULT", "stuck"}},
        {{"TALLIS_FAKE_PARPORT_BOARD", "fast"}},
        {{"TALLIS_FAKE_PARPORT_INTERRUPT_AFTER", "soon"}},
    };
    for (const auto& environment : cases) {
        FakeParportSetup setup = ReadFakeParportOptions([&](const char* name) -> const char* {
            auto found = environment.find(name);
            return found == environment.end() ? nullptr : found->second.c_str();
        });
        EXPECT_EQ(setup.error.rfind(environment.begin()->first + " cannot be '", 0), 0u)
            << setup.error;
    }
}

}  // namespace
}  // namespace tallis::testing
