#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QtTest/QTest>

#include "UiFakes.h"

namespace tallis::test {
namespace {

struct PortCase {
    int portNumber;
    std::uint16_t portBase;
    const char* status;
};

class OptionsOk : public ::testing::TestWithParam<PortCase> {};

TEST_P(OptionsOk, AppliesThePortShowsItAndKeepsTheChoiceForTheNextShowing) {
    const PortCase& port = GetParam();
    WindowsFixture fixture;
    OptionsDialog& options = fixture.desktop.Options;

    fixture.mainWindow.OptionsAction->trigger();
    ASSERT_TRUE(options.isVisible());
    EXPECT_FALSE(fixture.mainWindow.isEnabled());
    (port.portNumber == 2 ? options.Lpt2Button : options.Lpt1Button)->click();
    options.OkButton->click();

    EXPECT_FALSE(options.isVisible());
    EXPECT_TRUE(fixture.mainWindow.isEnabled());
    EXPECT_EQ(fixture.mainWindow.PortNumber(), port.portNumber);
    EXPECT_EQ(fixture.mainWindow.PortBase(), port.portBase);
    EXPECT_EQ(fixture.mainWindow.StatusLine->PanelText(0), QString::fromLatin1(port.status));

    fixture.mainWindow.OptionsAction->trigger();
    EXPECT_EQ(options.Lpt2Button->isChecked(), port.portNumber == 2);
    EXPECT_EQ(options.Lpt1Button->isChecked(), port.portNumber == 1);
}

INSTANTIATE_TEST_SUITE_P(BothPorts, OptionsOk,
                         ::testing::Values(PortCase{1, 0x378, "Current LPT Port :1  (378H)"},
                                           PortCase{2, 0x278, "Current LPT Port :2  (278H)"}),
                         [](const auto& info) {
                             return "Lpt" + std::to_string(info.param.portNumber);
                         });

struct AddressCase {
    const char* name;
    const char* typed;
    const char* refusal;     // the error label's text; empty when accepted
    std::uint16_t portBase;  // in force afterwards
    int portNumber;
    const char* status;
};

class OptionsOtherAddress : public ::testing::TestWithParam<AddressCase> {};

TEST_P(OptionsOtherAddress, IsCheckedLikeTheCommandLinePort) {
    const AddressCase& param = GetParam();
    WindowsFixture fixture;
    fixture.target.unreachableBase = 0x2A0;
    const bool accepted = *param.refusal == '\0';
    OptionsDialog& options = fixture.desktop.Options;
    fixture.mainWindow.OptionsAction->trigger();

    options.OtherAddress->click();
    QTest::keyClicks(options.AddressEdit, QString::fromLatin1(param.typed));
    options.OkButton->click();

    EXPECT_TRUE(options.OtherAddress->isChecked());
    EXPECT_EQ(options.isVisible(), !accepted);
    EXPECT_EQ(options.AddressError->isVisible(), !accepted);
    if (!accepted) {
        EXPECT_EQ(options.AddressError->text(), QString::fromLatin1(param.refusal));
        EXPECT_LE(
            options.AddressError->fontMetrics().horizontalAdvance(options.AddressError->text()),
            options.AddressError->width());
    }
    EXPECT_EQ(fixture.mainWindow.PortBase(), param.portBase);
    EXPECT_EQ(fixture.mainWindow.PortNumber(), param.portNumber);
    EXPECT_EQ(fixture.mainWindow.StatusLine->PanelText(0), QString::fromLatin1(param.status));
    EXPECT_EQ(fixture.mainWindow.OptionsPortChoice(), 0) << "a run keeps the port in force";
    options.reject();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OptionsOtherAddress,
    ::testing::Values(
        AddressCase{"PciCard", "e010", "", 0xE010, 0, "Current port : E010H"},
        AddressCase{"Prefixed", "0x3bc", "", 0x3BC, 0, "Current port : 3BCH"},
        AddressCase{"Lpt2ByAddress", "278", "", 0x278, 2, "Current LPT Port :2  (278H)"},
        AddressCase{"Unreachable", "2A0", "", 0x378, 1, "No access to the port at 2A0H"},
        AddressCase{"SerialPort", "3F8", "Used by the PC's own devices", 0x378, 1, ""},
        AddressCase{"KeyboardController", "60", "Used by the PC's own devices", 0x378, 1, ""},
        AddressCase{"NoRoomForThreeRegisters", "FFFE", "Hexadecimal, 1 to FFFD", 0x378, 1, ""},
        AddressCase{"Zero", "0", "Hexadecimal, 1 to FFFD", 0x378, 1, ""},
        AddressCase{"NotHex", "37G", "Hexadecimal, 1 to FFFD", 0x378, 1, ""},
        AddressCase{"Empty", "", "Hexadecimal, 1 to FFFD", 0x378, 1, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OptionsDialog, CloseBoxEnablesTheMainWindowAndAppliesNothing) {
    WindowsFixture fixture;
    OptionsDialog& options = fixture.desktop.Options;
    fixture.mainWindow.OptionsClick();
    options.Lpt2Button->click();

    options.close();

    EXPECT_FALSE(options.isVisible());
    EXPECT_TRUE(fixture.mainWindow.isEnabled());
    EXPECT_EQ(fixture.mainWindow.PortBase(), 0x378);
    EXPECT_EQ(fixture.mainWindow.StatusLine->PanelText(0), QString());
    // The choice that was not confirmed is not left for a later run to pick up.
    EXPECT_EQ(fixture.mainWindow.OptionsPortChoice(), 1);
}

// The board list with its picture: a built-in board chosen and applied, a
// board file loaded and listed, a bad one refused with its line.
TEST(OptionsDialog, ChoosesABoardShowsItsWiringAndLoadsABoardFile) {
    WindowsFixture fixture;
    OptionsDialog& options = fixture.desktop.Options;
    EXPECT_EQ(options.BoardList->currentData().toString(), QStringLiteral("default"));
    fixture.mainWindow.OptionsClick();
    options.BoardList->setCurrentIndex(options.BoardList->findData(QStringLiteral("tait-classic")));
    EXPECT_TRUE(options.BoardPicture->text().contains(QStringLiteral("pin  4 D2")));
    options.OkButton->click();
    EXPECT_FALSE(options.isVisible());
    EXPECT_EQ(fixture.mainWindow.Settings().board, "tait-classic");

    const QString bad = QDir::temp().filePath(QStringLiteral("tallis-options-bad.toml"));
    const QString good = QDir::temp().filePath(QStringLiteral("tallis-options-good.toml"));
    for (const auto& [path, text] : {std::pair{bad, "clock = \"3\"\ndata_out = \"3\"\n"},
                                     std::pair{good,
                                               "name = \"mine\"\nclock = \"3\"\ndata_out = \"2\"\n"
                                               "data_in = \"10\"\nvpp = \"!6\"\n"}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    fixture.mainWindow.OptionsClick();
    fixture.dialogs.nextFile = bad;
    options.LoadBoardFile->click();
    EXPECT_TRUE(options.BoardError->isVisible());
    EXPECT_TRUE(options.BoardError->text().contains(QStringLiteral(":2: pin 3 is used twice")))
        << options.BoardError->text().toStdString();
    fixture.dialogs.nextFile = good;
    options.LoadBoardFile->click();
    EXPECT_EQ(options.BoardList->currentData().toString(), good);
    EXPECT_TRUE(options.BoardPicture->text().contains(QStringLiteral("pin  6 D4        o")));
    options.OkButton->click();
    EXPECT_EQ(fixture.mainWindow.Settings().board, good.toStdString());
    QFile::remove(bad);
    QFile::remove(good);
}

// A board on an FTDI chip: its picture, the FTDI devices there are listed
// (enabled only for such a board), and both applied by OK.
TEST(OptionsDialog, ChoosesAnFtdiBoardAndDevice) {
    WindowsFixture fixture;
    fixture.target.ftdiDevices = {{.index = 0,
                                   .type = "FT232R",
                                   .serial = "A12345",
                                   .description = "FT232R USB UART",
                                   .problem = {}},
                                  {.index = 1,
                                   .type = "FT2232H",
                                   .serial = "",
                                   .description = "Dual RS232-HS",
                                   .problem = {}}};
    OptionsDialog& options = fixture.desktop.Options;
    fixture.mainWindow.OptionsClick();
    EXPECT_FALSE(options.FtdiDeviceList->isEnabled());
    ASSERT_EQ(options.FtdiDeviceList->count(), 3);
    EXPECT_EQ(options.FtdiDeviceList->itemText(1),
              QStringLiteral("FT232R A12345 - FT232R USB UART"));
    options.BoardList->setCurrentIndex(options.BoardList->findData(QStringLiteral("ft232r-hv")));
    EXPECT_TRUE(options.BoardPicture->text().contains(QStringLiteral("TXD     D0 o---")))
        << options.BoardPicture->text().toStdString();
    EXPECT_TRUE(options.FtdiDeviceList->isEnabled());
    options.FtdiDeviceList->setCurrentIndex(2);
    options.OkButton->click();
    EXPECT_FALSE(options.isVisible());
    EXPECT_EQ(fixture.mainWindow.Settings().board, "ft232r-hv");
    EXPECT_EQ(fixture.mainWindow.Settings().ftdiDevice, "1");
}

TEST(AboutBox, LinkOpensTheDocumentationAndLeavesTheBoxUp) {
    WindowsFixture fixture;
    AboutBox& about = fixture.desktop.About;
    fixture.mainWindow.AboutButton->click();
    ASSERT_TRUE(about.isVisible());

    QTest::mouseClick(about.DocumentationLink, Qt::LeftButton);

    ASSERT_EQ(fixture.dialogs.urls.size(), 1U);
    EXPECT_TRUE(fixture.dialogs.urls.front().isLocalFile());
    EXPECT_TRUE(QFileInfo::exists(fixture.dialogs.urls.front().toLocalFile()));
    EXPECT_TRUE(about.isVisible());
    EXPECT_FALSE(fixture.mainWindow.isEnabled());

    about.OkButton->click();
    EXPECT_FALSE(about.isVisible());
    EXPECT_TRUE(fixture.mainWindow.isEnabled());
}

struct DialogCase {
    const char* name;
    std::function<void(MainWindow&)> open;
    std::function<QDialog&(DesktopWindows&)> dialog;
};

class DialogUp : public ::testing::TestWithParam<DialogCase> {};

TEST_P(DialogUp, MainWindowTakesNoInputUntilTheCloseBoxEnablesIt) {
    const DialogCase& param = GetParam();
    WindowsFixture fixture;
    MainWindow& mainWindow = fixture.mainWindow;
    fixture.FinishStartup();
    Activate(mainWindow);
    param.open(mainWindow);
    QDialog& dialog = param.dialog(fixture.desktop);
    ASSERT_TRUE(dialog.isVisible());
    fixture.target.trace.Clear();

    QTest::keyClick(&mainWindow, Qt::Key_E, Qt::ControlModifier);
    QTest::keyClick(&mainWindow, Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(&mainWindow, Qt::Key_O, Qt::ControlModifier);
    QTest::mouseClick(mainWindow.EraseButton, Qt::LeftButton);
    QTest::mouseClick(mainWindow.OpenButton, Qt::LeftButton);
    QTest::mouseClick(mainWindow.ExitButton, Qt::LeftButton);
    QMenuBar* bar = mainWindow.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {},
                      bar->actionGeometry(mainWindow.RunMenu->menuAction()).center());
    mainWindow.close();

    EXPECT_TRUE(fixture.target.Writes().empty());
    EXPECT_EQ(fixture.dialogs.fileDialogs, 0);
    EXPECT_FALSE(mainWindow.RunMenu->isVisible());
    EXPECT_TRUE(mainWindow.isVisible());

    dialog.close();
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_TRUE(mainWindow.isEnabled());
    Activate(mainWindow);
    QTest::keyClick(&mainWindow, Qt::Key_E, Qt::ControlModifier);
    WaitForCommand(mainWindow);
    EXPECT_FALSE(fixture.target.Writes().empty()) << "the window took no input afterwards either";
}

INSTANTIATE_TEST_SUITE_P(
    BothDialogs, DialogUp,
    ::testing::Values(
        DialogCase{"Options", [](MainWindow& mainWindow) { mainWindow.OptionsAction->trigger(); },
                   [](DesktopWindows& desktop) -> QDialog& { return desktop.Options; }},
        DialogCase{"About", [](MainWindow& mainWindow) { mainWindow.AboutAction->trigger(); },
                   [](DesktopWindows& desktop) -> QDialog& { return desktop.About; }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tallis::test
