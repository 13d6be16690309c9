#include "ui/Application.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>
#include <cstdio>
#include <optional>

#include "app/Target.h"
#include "ui/Artwork.h"
#include "ui/DesktopWindows.h"
#include "ui/Dialogs.h"
#include "ui/QtSettingsStore.h"

namespace tallis {

namespace {

constexpr int kExitUsage = 2;

std::optional<LaunchOptions> ParseLaunchOptions(const QApplication& application, bool simulated) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        simulated ? QStringLiteral("The PIC16F877 programmer on a simulated board and chip.")
                  : QStringLiteral("The PIC16F877 programmer on the parallel port."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Intel HEX file to open at start"),
                                 QStringLiteral("[FILE]"));
    const QCommandLineOption simChip(
        QStringLiteral("sim-chip"),
        QStringLiteral(
            "the simulated chip: any device of tallis-cli --list-devices, 16f877a by default"),
        QStringLiteral("CHIP"));
    const QCommandLineOption simState(
        QStringLiteral("sim-state"),
        QStringLiteral("load the simulated chip's memory from FILE if it exists, save it there "
                       "at the end (Intel HEX)"),
        QStringLiteral("FILE"));
    const QCommandLineOption simBoard(
        QStringLiteral("sim-board"),
        QStringLiteral("the interface board: ideal (default) or slow (RB7 rises in 5 us, VPP in "
                       "50 us), and its wiring: a built-in board or a board file, e.g. "
                       "tait-classic,slow"),
        QStringLiteral("BOARD"));
    const QCommandLineOption simConfigLatches(
        QStringLiteral("sim-config-latches"),
        QStringLiteral("how the simulated 87xA latches configuration space: single (default) or "
                       "row"),
        QStringLiteral("LATCHES"));
    const QCommandLineOption simEepromEraseAtConfig(
        QStringLiteral("sim-877-eeprom-erase-at-config"),
        QStringLiteral("what the simulated 87x does with a data-EEPROM erase given at 0x2007: "
                       "erases (default) or ignores"),
        QStringLiteral("READING"));
    const QCommandLineOption simVppAfterRun(
        QStringLiteral("sim-vpp-after-run"),
        QStringLiteral("what a simulated 62xA, 88x or 629/675 that runs from VDD on does with VPP "
                       "after VDD: refused (default) or enters"),
        QStringLiteral("READING"));
    const QCommandLineOption simVdd(
        QStringLiteral("sim-vdd"),
        QStringLiteral("the target's supply, 2.0 to 5.5 V (default 5.0); below 4.5 the chip "
                       "reads but neither erases nor writes"),
        QStringLiteral("VOLTS"));
    const QCommandLineOption simInsertions(
        QStringLiteral("sim-insertions"),
        QStringLiteral("during Device > Production the socket holds CHIPS new blank chips one "
                       "after another, each for PRESENT_MS (default 2000) and then empty for "
                       "ABSENT_MS (default 1000), from the run's start"),
        QStringLiteral("CHIPS[:PRESENT_MS:ABSENT_MS]"));
    if (simulated) {
        parser.addOptions({simChip, simState, simBoard, simConfigLatches, simEepromEraseAtConfig,
                           simVppAfterRun, simVdd, simInsertions});
    }
    parser.process(application);  // --help and unknown options end the program here

    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        QTextStream(stderr) << "only one FILE may be given\n";
        return std::nullopt;
    }
    LaunchOptions options;
    options.file = files.value(0);
    if (simulated) {
        options.simChip = parser.value(simChip);
        options.simState = parser.value(simState);
        options.simBoard = parser.value(simBoard);
        options.simConfigLatches = parser.value(simConfigLatches);
        options.simEepromEraseAtConfig = parser.value(simEepromEraseAtConfig);
        options.simVppAfterRun = parser.value(simVppAfterRun);
        options.simVdd = parser.value(simVdd);
        options.simInsertions = parser.value(simInsertions);
    }
    return options;
}

}  // namespace

int RunApplication(int argc, char** argv, const TargetStarter& startTarget, bool simulated) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(simulated ? QStringLiteral("tallis-sim")
                                               : QStringLiteral("tallis"));
    const std::optional<LaunchOptions> options = ParseLaunchOptions(application, simulated);
    if (!options) {
        return kExitUsage;
    }
    const std::unique_ptr<Target> target = startTarget(*options);
    if (!target) {
        return kExitUsage;
    }
    QApplication::setWindowIcon(ApplicationIcon());
    QtDialogs dialogs;
    QtSettingsStore settings(QApplication::applicationName());
    DesktopWindows desktop(*target, dialogs, &settings);
    desktop.Main.show();
    if (!options->file.isEmpty()) {
        desktop.Main.OpenFile(options->file);
    }
    const int exitCode = QApplication::exec();
    if (const std::string problem = target->Exit(); !problem.empty()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(QApplication::applicationName()),
                     problem.c_str());
    }
    return exitCode;
}

}  // namespace tallis
