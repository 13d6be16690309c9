// Preloaded into the desktop program together with the fake port, this plays
// the user: it waits until the start-up step has found the port and calibrated
// the timer and has opened the file named by TALLIS_DESKTOP_DRIVER_FILE (given
// to the program on its command line), gives the
// Erase + Program + Verify command, answers the message that ends the run and
// closes the window. It finds the widgets by their object names and writes
// what it saw to TALLIS_DESKTOP_DRIVER_LOG, one "what: text" line each.
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kTickMs = 100;
const QString kReadyStatus = QStringLiteral("Driver successfully started !");

class DesktopDriver : public QObject {
  public:
    explicit DesktopDriver(QObject* application)
        : QObject(application),
          file_(QString::fromLocal8Bit(std::getenv("TALLIS_DESKTOP_DRIVER_FILE"))),
          log_(std::fopen(std::getenv("TALLIS_DESKTOP_DRIVER_LOG"), "w")) {
        if (log_ == nullptr) {
            qFatal("the desktop driver cannot write its log");
        }
        connect(&timer_, &QTimer::timeout, this, &DesktopDriver::Tick);
        timer_.start(kTickMs);
    }
    ~DesktopDriver() override { std::fclose(log_); }
    DesktopDriver(const DesktopDriver&) = delete;
    DesktopDriver& operator=(const DesktopDriver&) = delete;

  private:
    enum class Stage { AwaitReady, AwaitRunEnd, Closing };

    void Log(const char* what, const QString& text) {
        std::fprintf(log_, "%s: %s\n", what, text.toLocal8Bit().constData());
        std::fflush(log_);
    }

    static QMainWindow* MainWindow() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == QStringLiteral("MainWindow")) {
                return qobject_cast<QMainWindow*>(widget);
            }
        }
        return nullptr;
    }

    static bool CalibrationWindowUp() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == QStringLiteral("CalibrationWindow") &&
                widget->isVisible()) {
                return true;
            }
        }
        return false;
    }

    static QString Status(QMainWindow& window) {
        auto* panel = window.findChild<QLabel*>(QStringLiteral("Panel0"));
        return panel ? panel->text() : QString();
    }

    static bool Enabled(QMainWindow& window, const char* action) {
        auto* found = window.findChild<QAction*>(QString::fromLatin1(action));
        return found != nullptr && found->isEnabled();
    }

    // Posted, so that a command's own event loops do not run inside this tick.
    static void Trigger(QMainWindow& window, const char* action) {
        if (auto* found = window.findChild<QAction*>(QString::fromLatin1(action))) {
            QTimer::singleShot(0, found, &QAction::trigger);
        }
    }

    // A message box can come at any stage: the missing port's at start-up,
    // the run's result at its end.
    bool AnswerMessage() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return false;
        }
        Log("message", box->text());
        box->accept();
        if (stage_ == Stage::AwaitRunEnd) {
            stage_ = Stage::Closing;
        }
        return true;
    }

    void Tick() {
        QMainWindow* window = MainWindow();
        if (window == nullptr || AnswerMessage()) {
            return;
        }
        switch (stage_) {
            case Stage::AwaitReady:
                // The file comes on the command line; Program stays disabled
                // while the calibration runs on the worker.
                if (Status(*window) == kReadyStatus && !CalibrationWindowUp() &&
                    window->windowTitle().endsWith(file_) && Enabled(*window, "ProgramAction")) {
                    Log("ready", Status(*window));
                    Log("opened", window->windowTitle());
                    Trigger(*window, "ProgramAction");
                    stage_ = Stage::AwaitRunEnd;
                }
                break;
            case Stage::AwaitRunEnd:
                break;
            case Stage::Closing:
                Log("status", Status(*window));
                window->close();
                break;
        }
    }

    QString file_;
    std::FILE* log_;
    QTimer timer_;
    Stage stage_ = Stage::AwaitReady;
};

void StartDriver() {
    if (std::getenv("TALLIS_DESKTOP_DRIVER_LOG") != nullptr) {
        new DesktopDriver(QCoreApplication::instance());  // the application deletes it
    }
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(StartDriver)
