#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "UiFakes.h"
#include "ui/FileFilter.h"

namespace tallis::test {
namespace {

// An extended-address record, three program words, the configuration word
// and the end record: 1 + 3 + 1 words by the counting rule.
const char* const kSmallHex =
    ":020000040000FA\r\n"
    ":06000000010002000300F4\r\n"
    ":02400E00723FFF\r\n"
    ":00000001FF\r\n";

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content) {
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    return path;
}

TEST(OpenCommand, LoadsTheFileShowsItsWordCountAndEnablesProgramming) {
    WindowsFixture fixture;
    MainWindow& mainWindow = fixture.mainWindow;
    QTemporaryDir dir;
    const QString path = WriteFile(dir, QStringLiteral("small.hex"), kSmallHex);
    fixture.dialogs.nextFile = path;

    mainWindow.OpenAction->trigger();

    EXPECT_EQ(fixture.dialogs.filtersSeen, QStringList({QStringLiteral("Intel hex  file (*.hex)"),
                                                        QStringLiteral("All  files (*)")}));
    EXPECT_EQ(mainWindow.windowTitle(), QStringLiteral("TALLIS - ") + path);
    EXPECT_EQ(mainWindow.WordCountBox->text(), QStringLiteral("  5"));
    ASSERT_NE(mainWindow.Image(), nullptr);
    EXPECT_EQ(mainWindow.Image()->LastIndex, static_cast<std::int32_t>(std::strlen(kSmallHex)) - 1);
    EXPECT_TRUE(mainWindow.ProgramAction->isEnabled());
    EXPECT_TRUE(mainWindow.ProgramButton->isEnabled());
    EXPECT_TRUE(fixture.dialogs.messages.empty());
}

TEST(OpenCommand, FileChangedOnDiskIsReadAgainBeforeItIsProgrammed) {
    WindowsFixture fixture;
    MainWindow& mainWindow = fixture.mainWindow;
    fixture.FinishStartup();
    QTemporaryDir dir;
    const QString path = WriteFile(dir, QStringLiteral("small.hex"), kSmallHex);
    fixture.dialogs.nextFile = path;
    mainWindow.OpenAction->trigger();

    WriteFile(dir, QStringLiteral("small.hex"), QByteArray(":0400000001000200F9\r\n") + kSmallHex);
    mainWindow.ProgramButton->click();
    WaitForCommand(mainWindow);

    EXPECT_EQ(mainWindow.WordCountBox->text(), QStringLiteral("  7"));
    EXPECT_EQ(mainWindow.Image()->WordCount, 7U);
    EXPECT_EQ(mainWindow.StatusLine->PanelText(0),
              QStringLiteral("File changed on disk: reloaded"));
}

TEST(OpenCommand, StoredFilterBecomesTheDialogsFiltersWithItsDescriptions) {
    EXPECT_EQ(
        QtNameFilters(QString::fromLatin1(kHexFileFilter)),
        QStringList({QStringLiteral("Intel hex  file (*.hex)"), QStringLiteral("All  files (*)")}));
    EXPECT_EQ(QtNameFilters(QStringLiteral("A|*.a;*.b|B")),
              QStringList{QStringLiteral("A (*.a;*.b)")});
}

// What the window shows that a failed or cancelled Open must leave alone.
struct Shown {
    QString caption;
    QString words;
    const FirmwareImage* image;
    bool programEnabled;

    static Shown Of(const MainWindow& mainWindow) {
        return {mainWindow.windowTitle(), mainWindow.WordCountBox->text(), mainWindow.Image(),
                mainWindow.ProgramAction->isEnabled()};
    }
    bool operator==(const Shown&) const = default;
};

struct FailedOpen {
    const char* name;
    std::function<std::optional<QString>(const QTemporaryDir&)> answer;
    bool reported;
};

class OpenThatChangesNothing : public ::testing::TestWithParam<FailedOpen> {};

TEST_P(OpenThatChangesNothing, LeavesTheWindowAsItWas) {
    const FailedOpen& param = GetParam();
    WindowsFixture fixture;
    MainWindow& mainWindow = fixture.mainWindow;
    QTemporaryDir dir;
    fixture.dialogs.nextFile = WriteFile(dir, QStringLiteral("first.hex"), kSmallHex);
    mainWindow.OpenButton->click();
    const Shown before = Shown::Of(mainWindow);

    fixture.dialogs.nextFile = param.answer(dir);
    mainWindow.OpenButton->click();

    EXPECT_EQ(Shown::Of(mainWindow), before);
    EXPECT_EQ(fixture.dialogs.messages.size(), param.reported ? 1U : 0U);
    if (param.reported) {
        EXPECT_FALSE(fixture.dialogs.messages.front().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenThatChangesNothing,
    ::testing::Values(
        FailedOpen{"Cancelled", [](const QTemporaryDir&) { return std::optional<QString>(); },
                   false},
        FailedOpen{"Missing",
                   [](const QTemporaryDir& dir) {
                       return std::optional<QString>(dir.filePath(QStringLiteral("none.hex")));
                   },
                   true},
        FailedOpen{"Folder",
                   [](const QTemporaryDir& dir) {
                       QDir(dir.path()).mkdir(QStringLiteral("folder.hex"));
                       return std::optional<QString>(dir.filePath(QStringLiteral("folder.hex")));
                   },
                   true},
        FailedOpen{"TooLarge",
                   [](const QTemporaryDir& dir) {
                       return std::optional<QString>(
                           WriteFile(dir, QStringLiteral("large.hex"), QByteArray(60000, ':')));
                   },
                   true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tallis::test
