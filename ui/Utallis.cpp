#include "ui/Utallis.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QMenuBar>

#include "engine/ProgramRun.h"
#include "timing/EngineTimerSettings.h"
#include "ui/Artwork.h"
#include "ui/Dialogs.h"
#include "ui/FileFilter.h"
#include "ui/MessageText.h"
#include "ui/Options.h"
#include "ui/StartupSupport.h"
#include "ui/Target.h"
#include "ui/UiFont.h"
#include "ui/Unit4.h"
#include "ui/WindowPlacement.h"
#include "ui/help.h"

namespace tallis {

namespace {

constexpr int kClientWidth = 471;
constexpr int kClientHeight = 270;
constexpr int kStartupDelayMs = 500;
// The exit status when the port cannot be reached, the same as tallis-cli's.
constexpr int kExitNoPortAccess = 3;

template <typename Widget>
Widget* Named(Widget* widget, const char* name, QRect geometry) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

QAction* MenuItem(QMenu* menu, const char* name, const QString& caption,
                  const QKeySequence& shortcut = {}) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    return action;
}

QToolButton* SpeedButton(QWidget* parent, const char* name, QRect geometry, const QString& hint,
                         const QIcon& glyph, int glyphSize) {
    auto* button = Named(new QToolButton(parent), name, geometry);
    button->setToolTip(hint);
    button->setIcon(glyph);
    button->setIconSize(QSize(glyphSize, glyphSize));
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QLabel* Caption(QWidget* parent, const char* name, QRect geometry, const QString& text) {
    auto* label = Named(new QLabel(text, parent), name, geometry);
    label->setTextFormat(Qt::PlainText);
    return label;
}

bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::Wheel:
            return true;
        default:
            return false;
    }
}

}  // namespace

TForm1::TForm1(Target& target, Dialogs& dialogs)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                               Qt::WindowCloseButtonHint),
      target_(target),
      dialogs_(dialogs) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("TALLIS  V3e"));
    setWindowIcon(ApplicationIcon());
    setFont(UiFont(10));
    BuildMenu();
    BuildControls();

    HighResTimer1 = target_.MakeTimer();
    programmer_ = std::make_unique<Programmer>(target_.Port(), *HighResTimer1, *this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kStartupDelayMs);
    ConnectHandlers();
    Timer1->start();

    adjustSize();
    setFixedSize(size());
    CentreOnScreen(*this);
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::AttachWindows(TForm3& about, TForm2& options, TForm4& calibrate) {
    form3_ = &about;
    form2_ = &options;
    form4_ = &calibrate;
}

void TForm1::BuildMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    File1 = bar->addMenu(QStringLiteral("&File"));
    File1->setObjectName(QStringLiteral("File1"));
    Open1 = MenuItem(File1, "Open1", QStringLiteral(" &Open"), QKeySequence(Qt::CTRL | Qt::Key_O));
    N1 = File1->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    Exit1 = MenuItem(File1, "Exit1", QStringLiteral("&Exit"));

    Programdevices1 = bar->addMenu(QStringLiteral("&Run"));
    Programdevices1->setObjectName(QStringLiteral("Programdevices1"));
    Program1 = MenuItem(Programdevices1, "Program1", QStringLiteral("&Ereas+Program+Verify"),
                        QKeySequence(Qt::CTRL | Qt::Key_P));
    Program1->setEnabled(false);
    Erase1 = MenuItem(Programdevices1, "Erase1", QStringLiteral("&Erase"),
                      QKeySequence(Qt::CTRL | Qt::Key_E));
    Reset1 = MenuItem(Programdevices1, "Reset1", QStringLiteral("Re&set"),
                      QKeySequence(Qt::CTRL | Qt::Key_S));

    Options1 = bar->addAction(QStringLiteral("&Options"));
    Options1->setObjectName(QStringLiteral("Options1"));

    Help1 = bar->addMenu(QStringLiteral("&Help"));
    Help1->setObjectName(QStringLiteral("Help1"));
    About2 = MenuItem(Help1, "About2", QStringLiteral("&About"));
}

void TForm1::BuildControls() {
    ClientArea = new QWidget(this);
    ClientArea->setObjectName(QStringLiteral("ClientArea"));
    ClientArea->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(ClientArea);
    QWidget* client = ClientArea;

    using Shape = TBevel::Shape;
    using Style = TBevel::Style;
    Bevel1 =
        Named(new TBevel(Shape::BottomLine, Style::Lowered, client), "Bevel1", {0, -6, 596, 6});
    Bevel2 =
        Named(new TBevel(Shape::BottomLine, Style::Lowered, client), "Bevel2", {0, 39, 463, 5});
    Bevel3 = Named(new TBevel(Shape::BottomLine, Style::Raised, client), "Bevel3", {0, -8, 463, 9});
    Bevel4 = Named(new TBevel(Shape::Box, Style::Lowered, client), "Bevel4", {42, 190, 386, 42});
    Gau1 = Named(new TGauge(client), "Gau1", {50, 196, 371, 29});
    Label1 = Caption(client, "Label1", {196, 168, 61, 14}, QStringLiteral("Programming"));
    Image1 = Named(new QLabel(client), "Image1", {336, 47, 122, 126});
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(ProgrammerPicture());

    SpeedButton1 =
        SpeedButton(client, "SpeedButton1", {0, 8, 27, 28}, "Open file", OpenGlyph(), 14);
    SpeedButton2 = SpeedButton(client, "SpeedButton2", {28, 8, 33, 28}, "Erase + Program + Verify",
                               ProgramGlyph(), 16);
    SpeedButton2->setEnabled(false);
    SpeedButton3 =
        SpeedButton(client, "SpeedButton3", {67, 8, 29, 28}, "Erase only", EraseGlyph(), 16);
    SpeedButton5 =
        SpeedButton(client, "SpeedButton5", {95, 8, 29, 28}, "Reset CPU", ResetGlyph(), 16);
    SpeedButton6 =
        SpeedButton(client, "SpeedButton6", {123, 8, 29, 28}, "About product", AboutGlyph(), 16);
    SpeedButton4 = SpeedButton(client, "SpeedButton4", {151, 8, 29, 28}, "Exit", ExitGlyph(), 16);

    Label4 = Caption(client, "Label4", {186, 8, 279, 20},
                     QStringLiteral("PIC16F877 In-Circuit Programming"));
    Label4->setFont(UiFont(16, true));
    QPalette titlePalette = Label4->palette();
    titlePalette.setColor(QPalette::WindowText, Qt::blue);
    Label4->setPalette(titlePalette);
    Label2 = Caption(client, "Label2", {267, 103, 26, 14}, QStringLiteral("Word"));
    StatusBar1 = Named(new TStatusBar(client), "StatusBar1", {0, 249, 471, 21});

    RadioGroup1 =
        Named(new QGroupBox(QStringLiteral("SELECT"), client), "RadioGroup1", {26, 52, 156, 109});
    pic877 =
        Named(new QRadioButton(QStringLiteral("PIC16F 877"), client), "pic877", {43, 86, 105, 18});
    pic877a = Named(new QRadioButton(QStringLiteral("PIC16F 877 A"), client), "pic877a",
                    {43, 120, 96, 18});
    pic877a->setChecked(true);
    pic877->installEventFilter(this);
    pic877a->installEventFilter(this);
    Edit1 = Named(new QLineEdit(client), "Edit1", {207, 103, 53, 22});
    Edit1->setReadOnly(true);
    setTabOrder(pic877, pic877a);
    setTabOrder(pic877a, Edit1);

    OpenD1.nameFilters = QtNameFilters(QString::fromLatin1(kOpenD1Filter));
}

void TForm1::ConnectHandlers() {
    connect(Open1, &QAction::triggered, this, &TForm1::Open1Click);
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm1::Open1Click);
    connect(Exit1, &QAction::triggered, this, &TForm1::Exit1Click);
    connect(SpeedButton4, &QToolButton::clicked, this, &TForm1::SpeedButton4Click);
    connect(Program1, &QAction::triggered, this, &TForm1::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(Erase1, &QAction::triggered, this, &TForm1::SpeedButton3Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TForm1::SpeedButton3Click);
    connect(Reset1, &QAction::triggered, this, &TForm1::SpeedButton5Click);
    connect(SpeedButton5, &QToolButton::clicked, this, &TForm1::SpeedButton5Click);
    connect(Options1, &QAction::triggered, this, &TForm1::Options1Click);
    connect(About2, &QAction::triggered, this, &TForm1::Ab1Click);
    connect(SpeedButton6, &QToolButton::clicked, this, &TForm1::SpeedButton6Click);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
}

void TForm1::FormCreate() {
    programmer_->SelectPort(1);
    programmer_->LeaveProgramMode();
}

void TForm1::Timer1Timer() {
    Timer1->stop();
    if (!target_.DriverStarted()) {
        // The program ends here, without the close handler's port writes:
        // there is no port to write to.
        ending_ = true;
        dialogs_.ShowMessage(this, DisplayText(MissingDriverText()));
        QCoreApplication::exit(kExitNoPortAccess);
        return;
    }
    ShowStatus("Driver successfully started !");
    form4_->show();
    RaiseUiThreadPriority();
    HighResTimer1->SetEnabled(true);
    QCoreApplication::processEvents();
    HighResTimer1->Calibrate(kStartupCalibrationMs);
    form4_->hide();
    startupDone_ = true;
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (ending_) {
        event->accept();
        return;
    }
    // A running command or an open dialog keeps the window: it takes no input then.
    if (busy_ || !isEnabled()) {
        event->ignore();
        return;
    }
    FormClose();
    ending_ = true;
    event->accept();
    // Closing the main window ends the program, whatever other window is up.
    QCoreApplication::exit(0);
}

void TForm1::FormClose() {
    programmer_->LeavePort();
}

void TForm1::Exit1Click() {
    close();
}

void TForm1::SpeedButton4Click() {
    close();
}

template <typename Work>
void TForm1::RunCommand(Work&& work) {
    struct BusyScope {
        bool& busy;
        explicit BusyScope(bool& flag) : busy(flag) { busy = true; }
        ~BusyScope() { busy = false; }
    } scope(busy_);
    work();
}

bool TForm1::EngineCommandAllowed() const {
    return startupDone_ && !busy_ && isEnabled();
}

void TForm1::Open1Click() {
    if (busy_ || !isEnabled()) {
        return;
    }
    RunCommand([this] {
        const std::optional<QString> path = dialogs_.AskOpenFileName(this, OpenD1);
        if (!path) {
            return;
        }
        // Loaded into a fresh image, so that a file that fails leaves the
        // window, the caption included, as it was.
        ImageLoadResult loaded = LoadFirmwareImage(QFile::encodeName(*path).toStdString());
        if (!loaded.image) {
            dialogs_.ShowMessage(this, DisplayText(loaded.error));
            return;
        }
        image_ = std::move(loaded.image);
        setWindowTitle(QStringLiteral("TALLIS - ") + *path);
        Edit1->setText(QStringLiteral("  ") + QString::number(image_->WordCount));
        SpeedButton2->setEnabled(true);
        Program1->setEnabled(true);
    });
}

void TForm1::SpeedButton1Click() {
    if (!EngineCommandAllowed() || !image_) {
        return;
    }
    RunCommand([this] {
        ProgramRun run(*programmer_, *this);
        run.Execute(*image_);
    });
}

void TForm1::SpeedButton3Click() {
    if (!EngineCommandAllowed()) {
        return;
    }
    RunCommand([this] { programmer_->EraseOnly(); });
}

void TForm1::SpeedButton5Click() {
    if (!EngineCommandAllowed()) {
        return;
    }
    RunCommand([this] { programmer_->ResetCpu(); });
}

void TForm1::ShowDialog(QWidget& dialog) {
    if (busy_ || !isEnabled()) {
        return;
    }
    setEnabled(false);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
}

void TForm1::Options1Click() {
    ShowDialog(*form2_);
}

void TForm1::Ab1Click() {
    ShowDialog(*form3_);
}

void TForm1::SpeedButton6Click() {
    ShowDialog(*form3_);
}

void TForm1::ApplyPortChoice(int portNumber) {
    programmer_->SelectPort(portNumber);
    ShowStatus(PortStatusText(PortNumber(), PortBase()));
}

ChipType TForm1::SelectedChip() const {
    return pic877->isChecked() ? ChipType::Pic16F877 : ChipType::Pic16F877A;
}

int TForm1::OptionsPortChoice() const {
    return form2_ ? form2_->PortChoice() : 0;
}

void TForm1::ShowStatus(const std::string& text) {
    StatusBar1->SetPanelText(0, QString::fromStdString(text));
    StatusBar1->Panel(0)->repaint();
}

void TForm1::SetGauge(int percent) {
    Gau1->SetProgress(percent);
}

void TForm1::ShowMessage(const std::string& text) {
    dialogs_.ShowMessage(this, DisplayText(text));
}

void TForm1::ProcessEvents() {
    // Lets the windows repaint; input waits until the command has ended.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    const bool chipButton = watched == pic877 || watched == pic877a;
    if (chipButton && busy_ && IsUserInput(event->type())) {
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace tallis
