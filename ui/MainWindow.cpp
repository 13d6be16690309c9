#include "ui/MainWindow.h"

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
#include "ui/AboutBox.h"
#include "ui/Artwork.h"
#include "ui/CalibrationWindow.h"
#include "ui/DialogParts.h"
#include "ui/Dialogs.h"
#include "ui/FileFilter.h"
#include "ui/MemoryView.h"
#include "ui/MessageText.h"
#include "ui/OptionsDialog.h"
#include "ui/ProductionWindow.h"
#include "ui/UiFont.h"
#include "ui/WindowPlacement.h"

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

QToolButton* ToolButton(QWidget* parent, const char* name, QRect geometry, const QString& hint,
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

MainWindow::MainWindow(Target& target, Dialogs& dialogs, SettingsStore* settings)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                               Qt::WindowCloseButtonHint),
      dialogs_(dialogs),
      session_(target, *this, settings) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("TALLIS  V3e"));
    setWindowIcon(ApplicationIcon());
    setFont(UiFont(10));
    BuildMenu();
    BuildControls();

    StartupTimer = new QTimer(this);
    StartupTimer->setObjectName(QStringLiteral("StartupTimer"));
    StartupTimer->setInterval(kStartupDelayMs);
    ConnectHandlers();
    productionWindow_ = new ProductionWindow(this, session_, dialogs_);
    StartupTimer->start();

    adjustSize();
    setFixedSize(size());
    CentreOnScreen(*this);
    setAcceptDrops(true);
    session_.Begin();
    ApplySettings();
}

// A command still on the worker is cancelled; the window's thread answers its
// calls until it has ended.
MainWindow::~MainWindow() {
    session_.Cancel();
    while (session_.Running()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

void MainWindow::AttachWindows(AboutBox& about, OptionsDialog& options,
                               CalibrationWindow& calibrate, MemoryView& memory) {
    memoryView_ = &memory;
    aboutBox_ = &about;
    optionsDialog_ = &options;
    calibrationWindow_ = &calibrate;
    optionsDialog_->ShowPort(PortNumber(), PortBase());
    optionsDialog_->ShowFastTiming(FastTiming());
    optionsDialog_->ShowBoard(Settings().board);
    optionsDialog_->ShowFtdiDevice(Settings().ftdiDevice);
}

std::optional<QString> MainWindow::AskBoardFile() {
    const OpenDialogSettings boardFiles{
        {QStringLiteral("Board files (*.toml)"), QStringLiteral("All files (*)")}, {}};
    std::optional<QString> path;
    RunModal([&] { path = dialogs_.AskOpenFileName(optionsDialog_, boardFiles); });
    return path;
}

// The remembered state the session restored, shown.
void MainWindow::ApplySettings() {
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
void MainWindow::ShowOpenedFile() {
    HexFileDialog.directory = QString::fromStdString(Settings().lastFolder);
    if (const FirmwareImage* image = Image()) {
        setWindowTitle(QStringLiteral("TALLIS - ") +
                       QFile::decodeName(session_.OpenedPath().string().c_str()));
        WordCountBox->setText(QStringLiteral("  ") + QString::number(image->WordCount));
    }
}

void MainWindow::ShowRecentFiles() {
    for (QAction* action : RecentFiles) {
        FileMenu->removeAction(action);
        action->deleteLater();
    }
    RecentFiles.clear();
    recentShown_ = Settings().recentFiles;
    int number = 1;
    for (const std::string& file : recentShown_) {
        const QString path = QString::fromStdString(file);
        auto* action = new QAction(
            QStringLiteral("&%1 %2").arg(number++).arg(QFileInfo(path).fileName()), FileMenu);
        action->setToolTip(path);
        action->setStatusTip(path);
        connect(action, &QAction::triggered, this, [this, path] { OpenFile(path); });
        FileMenu->insertAction(RecentFilesEnd, action);
        RecentFiles.push_back(action);
    }
    if (!RecentFiles.empty()) {
        RecentFiles.push_back(FileMenu->insertSeparator(RecentFilesEnd));
    }
}

void MainWindow::BuildMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MenuBar"));

    FileMenu = bar->addMenu(QStringLiteral("&File"));
    FileMenu->setObjectName(QStringLiteral("FileMenu"));
    OpenAction = MenuItem(FileMenu, "OpenAction", QStringLiteral(" &Open"),
                          QKeySequence(Qt::CTRL | Qt::Key_O));
    RecentFilesEnd = FileMenu->addSeparator();
    RecentFilesEnd->setObjectName(QStringLiteral("RecentFilesEnd"));
    ExitAction = MenuItem(FileMenu, "ExitAction", QStringLiteral("&Exit"));

    RunMenu = bar->addMenu(QStringLiteral("&Run"));
    RunMenu->setObjectName(QStringLiteral("RunMenu"));
    ProgramAction = MenuItem(RunMenu, "ProgramAction", QStringLiteral("&Ereas+Program+Verify"),
                             QKeySequence(Qt::CTRL | Qt::Key_P));
    ProgramAction->setEnabled(false);
    EraseAction = MenuItem(RunMenu, "EraseAction", QStringLiteral("&Erase"),
                           QKeySequence(Qt::CTRL | Qt::Key_E));
    ResetAction = MenuItem(RunMenu, "ResetAction", QStringLiteral("Re&set"),
                           QKeySequence(Qt::CTRL | Qt::Key_S));

    BuildDeviceMenu(bar);

    OptionsAction = bar->addAction(QStringLiteral("&Options"));
    OptionsAction->setObjectName(QStringLiteral("OptionsAction"));

    HelpMenu = bar->addMenu(QStringLiteral("&Help"));
    HelpMenu->setObjectName(QStringLiteral("HelpMenu"));
    AboutAction = MenuItem(HelpMenu, "AboutAction", QStringLiteral("&About"));
}

void MainWindow::BuildDeviceMenu(QMenuBar* bar) {
    DeviceMenu = bar->addMenu(QStringLiteral("&Device"));
    DeviceMenu->setObjectName(QStringLiteral("DeviceMenu"));
    IdentifyAction = MenuItem(DeviceMenu, "IdentifyAction", QStringLiteral("&Identify"));
    ReadAction = MenuItem(DeviceMenu, "ReadAction", QStringLiteral("&Read..."));
    VerifyAction = MenuItem(DeviceMenu, "VerifyAction", QStringLiteral("&Verify"));
    BlankCheckAction = MenuItem(DeviceMenu, "BlankCheckAction", QStringLiteral("&Blank check"));
    WriteAllAction = MenuItem(DeviceMenu, "WriteAllAction", QStringLiteral("&Write all"));
    ProductionAction = MenuItem(DeviceMenu, "ProductionAction", QStringLiteral("&Production..."));
    DeviceMenu->addSeparator();
    DeviceChipMenu = DeviceMenu->addMenu(QStringLiteral("&Chip"));
    DeviceChipMenu->setObjectName(QStringLiteral("DeviceChipMenu"));
    auto* choice = new QActionGroup(DeviceChipMenu);
    auto addChoice = [&](const QString& caption, const std::string& option) {
        QAction* action = DeviceChipMenu->addAction(caption);
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
    DeviceMenu->addSeparator();
    MemoryViewAction = MenuItem(DeviceMenu, "MemoryViewAction", QStringLiteral("&Memory view"),
                                QKeySequence(Qt::CTRL | Qt::Key_M));
}

void MainWindow::BuildControls() {
    ClientArea = new QWidget(this);
    ClientArea->setObjectName(QStringLiteral("ClientArea"));
    ClientArea->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(ClientArea);
    QWidget* client = ClientArea;

    using Shape = Bevel::Shape;
    using Style = Bevel::Style;
    TopEdge =
        Named(new Bevel(Shape::BottomLine, Style::Lowered, client), "TopEdge", {0, -6, 596, 6});
    ToolbarEdge =
        Named(new Bevel(Shape::BottomLine, Style::Lowered, client), "ToolbarEdge", {0, 39, 463, 5});
    TopHighlight =
        Named(new Bevel(Shape::BottomLine, Style::Raised, client), "TopHighlight", {0, -8, 463, 9});
    GaugeFrame =
        Named(new Bevel(Shape::Box, Style::Lowered, client), "GaugeFrame", {42, 190, 386, 42});
    ProgressGauge = Named(new Gauge(client), "ProgressGauge", {50, 196, 371, 29});
    ProgressCaption =
        Caption(client, "ProgressCaption", {196, 168, 61, 14}, QStringLiteral("Programming"));
    BoardPicture = Named(new QLabel(client), "BoardPicture", {336, 47, 122, 126});
    BoardPicture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    BoardPicture->setPixmap(ProgrammerPicture());

    OpenButton = ToolButton(client, "OpenButton", {0, 8, 27, 28}, "Open file", OpenGlyph(), 14);
    ProgramButton = ToolButton(client, "ProgramButton", {28, 8, 33, 28}, "Erase + Program + Verify",
                               ProgramGlyph(), 16);
    ProgramButton->setEnabled(false);
    EraseButton =
        ToolButton(client, "EraseButton", {67, 8, 29, 28}, "Erase only", EraseGlyph(), 16);
    ResetButton = ToolButton(client, "ResetButton", {95, 8, 29, 28}, "Reset CPU", ResetGlyph(), 16);
    AboutButton =
        ToolButton(client, "AboutButton", {123, 8, 29, 28}, "About product", AboutGlyph(), 16);
    ExitButton = ToolButton(client, "ExitButton", {151, 8, 29, 28}, "Exit", ExitGlyph(), 16);

    TitleLabel = Caption(client, "TitleLabel", {186, 8, 279, 20},
                         QStringLiteral("PIC16F877 In-Circuit Programming"));
    TitleLabel->setFont(UiFont(16, true));
    QPalette titlePalette = TitleLabel->palette();
    titlePalette.setColor(QPalette::WindowText, Qt::blue);
    TitleLabel->setPalette(titlePalette);
    WordCaption = Caption(client, "WordCaption", {267, 103, 26, 14}, QStringLiteral("Word"));
    StatusLine = Named(new StatusBar(client), "StatusLine", {0, 249, 471, 21});

    ChipGroup =
        Named(new QGroupBox(QStringLiteral("SELECT"), client), "ChipGroup", {26, 52, 156, 109});
    pic877 =
        Named(new QRadioButton(QStringLiteral("PIC16F 877"), client), "pic877", {43, 86, 105, 18});
    pic877a = Named(new QRadioButton(QStringLiteral("PIC16F 877 A"), client), "pic877a",
                    {43, 120, 96, 18});
    pic877a->setChecked(true);
    WordCountBox = Named(new QLineEdit(client), "WordCountBox", {207, 103, 53, 22});
    WordCountBox->setReadOnly(true);
    setTabOrder(pic877, pic877a);
    setTabOrder(pic877a, WordCountBox);
    CancelButton =
        Named(new QPushButton(QStringLiteral("Cancel"), client), "CancelButton", {50, 164, 75, 24});
    CancelButton->setToolTip(QtText(kCancelHint));
    CancelButton->setFocusPolicy(Qt::NoFocus);
    CancelButton->hide();

    HexFileDialog.nameFilters = QtNameFilters(QString::fromLatin1(kHexFileFilter));
}

void MainWindow::ConnectHandlers() {
    connect(OpenAction, &QAction::triggered, this, &MainWindow::OpenClick);
    connect(OpenButton, &QToolButton::clicked, this, &MainWindow::OpenClick);
    connect(ExitAction, &QAction::triggered, this, &MainWindow::ExitClick);
    connect(ExitButton, &QToolButton::clicked, this, &MainWindow::ExitClick);
    connect(ProgramAction, &QAction::triggered, this, &MainWindow::ProgramClick);
    connect(ProgramButton, &QToolButton::clicked, this, &MainWindow::ProgramClick);
    connect(EraseAction, &QAction::triggered, this, &MainWindow::EraseClick);
    connect(EraseButton, &QToolButton::clicked, this, &MainWindow::EraseClick);
    connect(ResetAction, &QAction::triggered, this, &MainWindow::ResetClick);
    connect(ResetButton, &QToolButton::clicked, this, &MainWindow::ResetClick);
    connect(OptionsAction, &QAction::triggered, this, &MainWindow::OptionsClick);
    connect(AboutAction, &QAction::triggered, this, &MainWindow::AboutClick);
    connect(AboutButton, &QToolButton::clicked, this, &MainWindow::AboutClick);
    connect(StartupTimer, &QTimer::timeout, this, &MainWindow::StartupTimerFired);
    connect(MemoryViewAction, &QAction::triggered, this, &MainWindow::MemoryViewClick);
    const std::pair<QAction*, DeviceCommandKind> deviceCommands[] = {
        {IdentifyAction, DeviceCommandKind::Identify},
        {ReadAction, DeviceCommandKind::Read},
        {VerifyAction, DeviceCommandKind::Verify},
        {BlankCheckAction, DeviceCommandKind::BlankCheck},
        {WriteAllAction, DeviceCommandKind::WriteAll},
    };
    for (const auto& [action, kind] : deviceCommands) {
        connect(action, &QAction::triggered, this, [this, kind] { DeviceCommandClick(kind); });
    }
    connect(ProductionAction, &QAction::triggered, this, &MainWindow::ProductionClick);
    connect(CancelButton, &QPushButton::clicked, this, &MainWindow::CancelCommand);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &MainWindow::CancelCommand);
    connect(pic877, &QRadioButton::toggled, this, [this](bool checked) {
        session_.SelectChip(checked ? ChipType::Pic16F877 : ChipType::Pic16F877A);
    });
}

void MainWindow::StartupTimerFired() {
    StartupTimer->stop();
    // The calibration runs on the worker, so that "Time calibrate" paints its
    // text meanwhile.
    if (!session_.StartUp([this] { calibrationWindow_->show(); },
                          [this] { calibrationWindow_->hide(); })) {
        // The program ends here, without the close handler's port writes:
        // there is no port to write to.
        ending_ = true;
        dialogs_.ShowMessage(this, DisplayText(MissingDriverText()));
        QCoreApplication::exit(kExitNoPortAccess);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
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
    CloseSession();
    ending_ = true;
    event->accept();
    // Closing the main window ends the program, whatever other window is up.
    QCoreApplication::exit(0);
}

void MainWindow::CloseSession() {
    session_.Close(WindowPosition{pos().x(), pos().y()});
}

// One local file dropped on the window opens it, as Open would.
void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!CommandRunning() && urls.size() == 1 && urls.front().isLocalFile()) {
        event->acceptProposedAction();
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.front().isLocalFile() && OpenFile(urls.front().toLocalFile())) {
        event->acceptProposedAction();
    }
}

void MainWindow::ExitClick() {
    close();
}

// While a dialog or a message box of this window is up, no command starts and
// the window does not close. Boxes shown from one another keep it so until the
// outer one ends.
template <typename Modal>
void MainWindow::RunModal(Modal&& modal) {
    struct BusyScope {
        bool& busy;
        bool before;
        explicit BusyScope(bool& flag) : busy(flag), before(flag) { busy = true; }
        ~BusyScope() { busy = before; }
    } scope(busy_);
    modal();
}

bool MainWindow::EngineCommandAllowed() const {
    return session_.EngineCommandAllowed() && !busy_ && isEnabled();
}

void MainWindow::OpenClick() {
    if (CommandRunning() || !isEnabled()) {
        return;
    }
    std::optional<QString> path;
    RunModal([&] { path = dialogs_.AskOpenFileName(this, HexFileDialog); });
    if (path) {
        OpenFile(*path);
    }
}

bool MainWindow::OpenFile(const QString& path) {
    if (CommandRunning()) {
        return false;
    }
    bool opened = false;
    RunModal([&] { opened = session_.Open(QFile::encodeName(path).toStdString()); });
    return opened;
}

void MainWindow::ProgramClick() {
    if (EngineCommandAllowed()) {
        session_.ProgramVerify();
    }
}

void MainWindow::EraseClick() {
    if (EngineCommandAllowed()) {
        session_.Erase();
    }
}

void MainWindow::ResetClick() {
    if (EngineCommandAllowed()) {
        session_.Reset();
    }
}

void MainWindow::ShowDialog(QWidget& dialog) {
    if (busy_ || !isEnabled()) {
        return;
    }
    setEnabled(false);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
}

void MainWindow::OptionsClick() {
    if (session_.Running()) {
        return;
    }
    ShowDialog(*optionsDialog_);
}

void MainWindow::AboutClick() {
    ShowDialog(*aboutBox_);
}

void MainWindow::DeviceCommandClick(DeviceCommandKind kind) {
    if (!EngineCommandAllowed()) {
        return;
    }
    std::filesystem::path savePath;
    if (kind == DeviceCommandKind::Read) {
        std::optional<QString> path;
        RunModal([&] { path = dialogs_.AskSaveFileName(this, HexFileDialog); });
        if (!path) {
            return;
        }
        savePath = QFile::encodeName(*path).toStdString();
    }
    session_.RunDevice(kind, savePath);
}

void MainWindow::ProductionClick() {
    if (!EngineCommandAllowed() || !session_.CommandEnabled(WindowCommand::Production)) {
        return;
    }
    productionWindow_->ShowState();
    productionWindow_->show();
    productionWindow_->raise();
    productionWindow_->activateWindow();
}

// Shows the open file; without one, whatever the view last showed.
void MainWindow::MemoryViewClick() {
    session_.ShowOpenFileImage(memoryView_->Source().isEmpty());
    memoryView_->show();
    memoryView_->raise();
    memoryView_->activateWindow();
}

int MainWindow::OptionsPortChoice() const {
    return optionsDialog_ != nullptr ? optionsDialog_->PortChoice() : session_.OptionsPortChoice();
}

void MainWindow::Post(std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void MainWindow::ShowStatus(const std::string& text) {
    StatusLine->SetPanelText(0, QString::fromStdString(text));
    StatusLine->Panel(0)->repaint();
}

void MainWindow::SetGauge(int percent) {
    ProgressGauge->SetProgress(percent);
}

void MainWindow::ShowMessage(const std::string& text) {
    RunModal([&] { dialogs_.ShowMessage(this, QString::fromStdString(text)); });
}

bool MainWindow::AskYesNo(const std::string& question) {
    bool yes = false;
    RunModal([&] { yes = dialogs_.AskYesNo(this, QString::fromStdString(question)); });
    return yes;
}

void MainWindow::CommandStateChanged() {
    ShowOpenedFile();
    // The session may have switched the chip buttons after a Device command.
    (SelectedChip() == ChipType::Pic16F877 ? pic877 : pic877a)->setChecked(true);
    if (Settings().recentFiles != recentShown_) {
        ShowRecentFiles();
    }
    const std::pair<QAction*, WindowCommand> actions[] = {
        {OpenAction, WindowCommand::Open},
        {EraseAction, WindowCommand::Erase},
        {ResetAction, WindowCommand::Reset},
        {OptionsAction, WindowCommand::Options},
        {IdentifyAction, WindowCommand::Identify},
        {ReadAction, WindowCommand::Read},
        {BlankCheckAction, WindowCommand::BlankCheck},
        {VerifyAction, WindowCommand::Verify},
        {WriteAllAction, WindowCommand::WriteAll},
        {ProductionAction, WindowCommand::Production},
        {ProgramAction, WindowCommand::ProgramVerify}};
    for (const auto& [action, command] : actions) {
        action->setEnabled(session_.CommandEnabled(command));
    }
    DeviceChipMenu->setEnabled(session_.CommandEnabled(WindowCommand::DeviceChip));
    for (QAction* action : RecentFiles) {
        action->setEnabled(session_.CommandEnabled(WindowCommand::Open));
    }
    const std::pair<QWidget*, WindowCommand> controls[] = {
        {OpenButton, WindowCommand::Open},    {ProgramButton, WindowCommand::ProgramVerify},
        {EraseButton, WindowCommand::Erase},  {ResetButton, WindowCommand::Reset},
        {pic877, WindowCommand::ChipButtons}, {pic877a, WindowCommand::ChipButtons},
        {CancelButton, WindowCommand::Cancel}};
    for (const auto& [control, command] : controls) {
        control->setEnabled(session_.CommandEnabled(command));
    }
    CancelButton->setVisible(session_.RunsCancellable());
    if (productionWindow_ != nullptr) {
        productionWindow_->ShowState();
    }
}

void MainWindow::CommandEnded() {
    if (closeAfterRun_) {
        close();
    }
}

void MainWindow::ShowChipImage(const ChipImage& image, const Device& device,
                               const std::string& source, const std::vector<Difference>& marked) {
    memoryView_->ShowImage(image, device, QString::fromStdString(source));
    if (!marked.empty()) {
        memoryView_->MarkDifferences(marked);
    }
    memoryView_->show();
    memoryView_->raise();
}

}  // namespace tallis
