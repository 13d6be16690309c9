#include <gtest/gtest.h>

#include <QEvent>
#include <QtTest/QTest>

#include "ui/Gauge.h"
#include "ui/MessageText.h"

namespace tallis::test {
namespace {

struct LineBreakCase {
    const char* name;
    const char* stored;
    const char* shown;
};

class DisplayTextTest : public ::testing::TestWithParam<LineBreakCase> {};

TEST_P(DisplayTextTest, ShowsStoredBreaksAsLineBreaks) {
    EXPECT_EQ(DisplayText(GetParam().stored), QString::fromLatin1(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DisplayTextTest,
    ::testing::Values(LineBreakCase{"NoBreak", "Check sum error !", "Check sum error !"},
                      LineBreakCase{"LineFeedReturn", "ERROR  ! \n\rThis file not Intel hex file",
                                    "ERROR  ! \nThis file not Intel hex file"},
                      LineBreakCase{"ReturnsAlone", "A \r\rB  \r\rC", "A \n\nB  \n\nC"},
                      LineBreakCase{"VerifyMessageShape", "at 0001H\n\r\n\r1. one \n\r2. two",
                                    "at 0001H\n\n1. one \n2. two"}),
    [](const auto& info) { return std::string(info.param.name); });

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
  public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

TEST(Gauge, ClampsAndRepaintsAtOnceWithoutTheEventLoop) {
    Gauge gauge;
    gauge.resize(371, 29);
    gauge.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&gauge));
    PaintCounter counter;
    gauge.installEventFilter(&counter);

    const std::pair<int, int> steps[] = {{40, 40}, {150, 100}, {-5, 0}};
    for (const auto& [asked, shown] : steps) {
        const int before = counter.paints;
        gauge.SetProgress(asked);
        EXPECT_EQ(gauge.Progress(), shown);
        EXPECT_EQ(counter.paints, before + 1) << "for " << asked;
    }
    const int before = counter.paints;
    gauge.SetProgress(-20);
    EXPECT_EQ(counter.paints, before) << "an unchanged value does not repaint";
}

}  // namespace
}  // namespace tallis::test
