#include "ui/Utallis.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMimeData>
#include <QShortcut>
#include <filesystem>
#include <optional>

#include "app/CommandTexts.h"
#include "app/StartupTexts.h"
#include "ui/Artwork.h"
#include "ui/DialogParts.h"
#include "ui/Dialogs.h"
#include "ui/FileFilter.h"
#include "ui/MemoryView.h"
#include "ui/MessageText.h"
#include "ui/Options.h"
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

}  // namespace

TForm1::TForm1(Target& target, Dialogs& dialogs, SettingsStore* settings)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                               Qt::WindowCloseButtonHint),
      dialogs_(dialogs),
      session_(target, *this, settings) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("TALLIS  V3e"));
    setWindowIcon(ApplicationIcon());
    setFont(UiFont(10));
    BuildMenu();
    BuildControls();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kStartupDelayMs);
    ConnectHandlers();
    Timer1->start();

    adjustSize();
    setFixedSize(size());
    CentreOnScreen(*this);
    setAcceptDrops(true);
    FormCreate();
    ApplySettings();
}

// A command still on the worker is cancelled; the window's thread answers its
// calls until it has ended.
TForm1::~TForm1() {
    session_.Cancel();
    while (session_.Running()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

void TForm1::AttachWindows(TForm3& about, TForm2& options, TForm4& calibrate, MemoryView& memory) {
    memoryView_ = &memory;
    form3_ = &about;
    form2_ = &options;
    form4_ = &calibrate;
    form2_->ShowPort(PortNumber(), PortBase());
    form2_->ShowFastTiming(FastTiming());
}

// The remembered state the session restored, shown.
void TForm1::ApplySettings() {
    (SelectedChip() == ChipType::Pic16F877 ? pic877 : pic877a)->setChecked(true);
    if (const std::optional<WindowPosition> position = Settings().position) {
        const QPoint at(position->x, position->y);
        if (QGuiApplication::screenAt(at) != nullptr) {
            move(at);
        }
    }
    CommandStateChanged();
}

// The caption, the Word box and the Open dialog's folder for the open file.
void TForm1::ShowOpenedFile() {
    OpenD1.directory = QString::fromStdString(Settings().lastFolder);
    if (const FirmwareImage* image = Image()) {
        setWindowTitle(QStringLiteral("TALLIS - ") +
                       QFile::decodeName(session_.OpenedPath().string().c_str()));
        Edit1->setText(QStringLiteral("  ") + QString::number(image->WordCount));
    }
}

void TForm1::ShowRecentFiles() {
    for (QAction* action : RecentFiles) {
        File1->removeAction(action);
        action->deleteLater();
    }
    RecentFiles.clear();
    recentShown_ = Settings().recentFiles;
    int number = 1;
    for (const std::string& file : recentShown_) {
        const QString path = QString::fromStdString(file);
        auto* action = new QAction(
            QStringLiteral("&%1 %2").arg(number++).arg(QFileInfo(path).fileName()), File1);
        action->setToolTip(path);
        action->setStatusTip(path);
        connect(action, &QAction::triggered, this, [this, path] { OpenFile(path); });
        File1->insertAction(N1, action);
        RecentFiles.push_back(action);
    }
    if (!RecentFiles.empty()) {
        RecentFiles.push_back(File1->insertSeparator(N1));
    }
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

    BuildDeviceMenu(bar);

    Options1 = bar->addAction(QStringLiteral("&Options"));
    Options1->setObjectName(QStringLiteral("Options1"));

    Help1 = bar->addMenu(QStringLiteral("&Help"));
    Help1->setObjectName(QStringLiteral("Help1"));
    About2 = MenuItem(Help1, "About2", QStringLiteral("&About"));
}

void TForm1::BuildDeviceMenu(QMenuBar* bar) {
    Device1 = bar->addMenu(QStringLiteral("&Device"));
    Device1->setObjectName(QStringLiteral("Device1"));
    Identify1 = MenuItem(Device1, "Identify1", QStringLiteral("&Identify"));
    Read1 = MenuItem(Device1, "Read1", QStringLiteral("&Read..."));
    Verify1 = MenuItem(Device1, "Verify1", QStringLiteral("&Verify"));
    BlankCheck1 = MenuItem(Device1, "BlankCheck1", QStringLiteral("&Blank check"));
    WriteAll1 = MenuItem(Device1, "WriteAll1", QStringLiteral("&Write all"));
    Device1->addSeparator();
    DeviceChip1 = Device1->addMenu(QStringLiteral("&Chip"));
    DeviceChip1->setObjectName(QStringLiteral("DeviceChip1"));
    auto* choice = new QActionGroup(DeviceChip1);
    auto addChoice = [&](const QString& caption, const std::string& option) {
        QAction* action = DeviceChip1->addAction(caption);
        action->setCheckable(true);
        action->setData(QString::fromStdString(option));
        action->setChecked(option == session_.Settings().deviceChip);
        choice->addAction(action);
        DeviceChips.push_back(action);
        connect(action, &QAction::triggered, this,
                [this, option] { session_.SelectDeviceChip(FindDevice(option)); });
    };
    addChoice(QStringLiteral("&Auto-detect"), "auto");
    for (const Device& device : Devices()) {
        addChoice(
            QString::fromLatin1(device.name.data(), static_cast<qsizetype>(device.name.size())),
            std::string(device.option));
    }
    Device1->addSeparator();
    MemoryView1 = MenuItem(Device1, "MemoryView1", QStringLiteral("&Memory view"),
                           QKeySequence(Qt::CTRL | Qt::Key_M));
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
    Edit1 = Named(new QLineEdit(client), "Edit1", {207, 103, 53, 22});
    Edit1->setReadOnly(true);
    setTabOrder(pic877, pic877a);
    setTabOrder(pic877a, Edit1);
    CancelButton =
        Named(new QPushButton(QStringLiteral("Cancel"), client), "CancelButton", {50, 164, 75, 24});
    CancelButton->setToolTip(QtText(kCancelHint));
    CancelButton->setFocusPolicy(Qt::NoFocus);
    CancelButton->hide();

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
    connect(MemoryView1, &QAction::triggered, this, &TForm1::MemoryView1Click);
    const std::pair<QAction*, DeviceCommandKind> deviceCommands[] = {
        {Identify1, DeviceCommandKind::Identify}, {Read1, DeviceCommandKind::Read},
        {Verify1, DeviceCommandKind::Verify},     {BlankCheck1, DeviceCommandKind::BlankCheck},
        {WriteAll1, DeviceCommandKind::WriteAll},
    };
    for (const auto& [action, kind] : deviceCommands) {
        connect(action, &QAction::triggered, this, [this, kind] { DeviceCommandClick(kind); });
    }
    connect(CancelButton, &QPushButton::clicked, this, &TForm1::CancelCommand);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &TForm1::CancelCommand);
    connect(pic877, &QRadioButton::toggled, this, [this](bool checked) {
        session_.SelectChip(checked ? ChipType::Pic16F877 : ChipType::Pic16F877A);
    });
}

void TForm1::FormCreate() {
    session_.Begin();
}

void TForm1::Timer1Timer() {
    Timer1->stop();
    // The calibration runs on the worker, so that "Time calibrate" paints its
    // text meanwhile.
    if (!session_.StartUp([this] { form4_->show(); }, [this] { form4_->hide(); })) {
        // The program ends here, without the close handler's port writes:
        // there is no port to write to.
        ending_ = true;
        dialogs_.ShowMessage(this, DisplayText(MissingDriverText()));
        QCoreApplication::exit(kExitNoPortAccess);
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (ending_) {
        event->accept();
        return;
    }
    if (session_.Running()) {
        // Closes once the command has ended: a cancelled run leaves the chip safe.
        event->ignore();
        if (closeAfterRun_) {
            return;
        }
        closeAfterRun_ = !session_.RunsCancellable() ||
                         dialogs_.AskYesNo(this, DisplayText(std::string(kCloseDuringRunQuestion)));
        if (closeAfterRun_) {
            session_.Cancel();
        }
        return;
    }
    // The Open dialog or another dialog keeps the window: it takes no input then.
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
    session_.Close(WindowPosition{pos().x(), pos().y()});
}

// One local file dropped on the window opens it, as Open would.
void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!CommandRunning() && urls.size() == 1 && urls.front().isLocalFile()) {
        event->acceptProposedAction();
    }
}

void TForm1::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.front().isLocalFile() && OpenFile(urls.front().toLocalFile())) {
        event->acceptProposedAction();
    }
}

void TForm1::Exit1Click() {
    close();
}

void TForm1::SpeedButton4Click() {
    close();
}

// While a dialog or a message box of this window is up, no command starts and
// the window does not close. Boxes shown from one another keep it so until the
// outer one ends.
template <typename Modal>
void TForm1::RunModal(Modal&& modal) {
    struct BusyScope {
        bool& busy;
        bool before;
        explicit BusyScope(bool& flag) : busy(flag), before(flag) { busy = true; }
        ~BusyScope() { busy = before; }
    } scope(busy_);
    modal();
}

bool TForm1::EngineCommandAllowed() const {
    return session_.EngineCommandAllowed() && !busy_ && isEnabled();
}

void TForm1::Open1Click() {
    if (CommandRunning() || !isEnabled()) {
        return;
    }
    std::optional<QString> path;
    RunModal([&] { path = dialogs_.AskOpenFileName(this, OpenD1); });
    if (path) {
        OpenFile(*path);
    }
}

bool TForm1::OpenFile(const QString& path) {
    if (CommandRunning()) {
        return false;
    }
    bool opened = false;
    RunModal([&] { opened = session_.Open(QFile::encodeName(path).toStdString()); });
    return opened;
}

void TForm1::SpeedButton1Click() {
    if (EngineCommandAllowed()) {
        session_.ProgramVerify();
    }
}

void TForm1::SpeedButton3Click() {
    if (EngineCommandAllowed()) {
        session_.Erase();
    }
}

void TForm1::SpeedButton5Click() {
    if (EngineCommandAllowed()) {
        session_.Reset();
    }
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
    if (session_.Running()) {
        return;
    }
    ShowDialog(*form2_);
}

void TForm1::Ab1Click() {
    ShowDialog(*form3_);
}

void TForm1::SpeedButton6Click() {
    ShowDialog(*form3_);
}

void TForm1::DeviceCommandClick(DeviceCommandKind kind) {
    if (!EngineCommandAllowed()) {
        return;
    }
    std::filesystem::path savePath;
    if (kind == DeviceCommandKind::Read) {
        std::optional<QString> path;
        RunModal([&] { path = dialogs_.AskSaveFileName(this, OpenD1); });
        if (!path) {
            return;
        }
        savePath = QFile::encodeName(*path).toStdString();
    }
    session_.RunDevice(kind, savePath);
}

// Shows the open file; without one, whatever the view last showed.
void TForm1::MemoryView1Click() {
    session_.ShowOpenFileImage(memoryView_->Source().isEmpty());
    memoryView_->show();
    memoryView_->raise();
    memoryView_->activateWindow();
}

int TForm1::OptionsPortChoice() const {
    return form2_ != nullptr ? form2_->PortChoice() : session_.OptionsPortChoice();
}

void TForm1::Post(std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void TForm1::ShowStatus(const std::string& text) {
    StatusBar1->SetPanelText(0, QString::fromStdString(text));
    StatusBar1->Panel(0)->repaint();
}

void TForm1::SetGauge(int percent) {
    Gau1->SetProgress(percent);
}

void TForm1::ShowMessage(const std::string& text) {
    RunModal([&] { dialogs_.ShowMessage(this, QString::fromStdString(text)); });
}

void TForm1::CommandStateChanged() {
    ShowOpenedFile();
    if (Settings().recentFiles != recentShown_) {
        ShowRecentFiles();
    }
    const std::pair<QAction*, WindowCommand> actions[] = {{Open1, WindowCommand::Open},
                                                          {Erase1, WindowCommand::Erase},
                                                          {Reset1, WindowCommand::Reset},
                                                          {Options1, WindowCommand::Options},
                                                          {Identify1, WindowCommand::Identify},
                                                          {Read1, WindowCommand::Read},
                                                          {BlankCheck1, WindowCommand::BlankCheck},
                                                          {Verify1, WindowCommand::Verify},
                                                          {WriteAll1, WindowCommand::WriteAll},
                                                          {Program1, WindowCommand::ProgramVerify}};
    for (const auto& [action, command] : actions) {
        action->setEnabled(session_.CommandEnabled(command));
    }
    DeviceChip1->setEnabled(session_.CommandEnabled(WindowCommand::DeviceChip));
    for (QAction* action : RecentFiles) {
        action->setEnabled(session_.CommandEnabled(WindowCommand::Open));
    }
    const std::pair<QWidget*, WindowCommand> controls[] = {
        {SpeedButton1, WindowCommand::Open},  {SpeedButton2, WindowCommand::ProgramVerify},
        {SpeedButton3, WindowCommand::Erase}, {SpeedButton5, WindowCommand::Reset},
        {pic877, WindowCommand::ChipButtons}, {pic877a, WindowCommand::ChipButtons},
        {CancelButton, WindowCommand::Cancel}};
    for (const auto& [control, command] : controls) {
        control->setEnabled(session_.CommandEnabled(command));
    }
    CancelButton->setVisible(session_.RunsCancellable());
}

void TForm1::CommandEnded() {
    if (closeAfterRun_) {
        close();
    }
}

void TForm1::ShowChipImage(const ChipImage& image, const Device& device, const std::string& source,
                           const std::vector<Difference>& marked) {
    memoryView_->ShowImage(image, device, QString::fromStdString(source));
    if (!marked.empty()) {
        memoryView_->MarkDifferences(marked);
    }
    memoryView_->show();
    memoryView_->raise();
}

}  // namespace tallis
