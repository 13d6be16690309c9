#include "ui/ProductionWindow.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/OpenFilter.h"
#include "ui/Dialogs.h"
#include "ui/FileFilter.h"
#include "ui/UiFont.h"

namespace tallis {

namespace {

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

std::string Text(const QLineEdit* box) {
    return box->text().trimmed().toStdString();
}

}  // namespace

ProductionWindow::ProductionWindow(QWidget* owner, DesktopSession& session, Dialogs& dialogs)
    : QDialog(owner), session_(session), dialogs_(dialogs) {
    setObjectName(QStringLiteral("ProductionWindow"));
    setWindowTitle(QStringLiteral("Production"));
    setWindowModality(Qt::WindowModal);

    CountBox = Named(new QLineEdit(QStringLiteral("0"), this), "CountBox");
    CountBox->setToolTip(QStringLiteral("Chips to write; 0: until stopped"));
    LogPathBox = Named(new QLineEdit(this), "LogPathBox");
    LogPathBox->setToolTip(QStringLiteral("A line per chip is appended; empty: no log"));
    LogBrowseButton = Named(new QPushButton(QStringLiteral("..."), this), "LogBrowseButton");
    LogBrowseButton->setToolTip(QStringLiteral("Choose the log file"));
    LogFormatBox = Named(new QComboBox(this), "LogFormatBox");
    LogFormatBox->addItems({QStringLiteral("JSON Lines"), QStringLiteral("CSV")});
    SerialStartBox = Named(new QLineEdit(this), "SerialStartBox");
    SerialStartBox->setPlaceholderText(QStringLiteral("START[:STEP]; empty: none"));
    SerialAtBox = Named(new QLineEdit(this), "SerialAtBox");
    SerialAtBox->setPlaceholderText(QStringLiteral("id, eeprom:ADDR[:BYTES][:be], retlw:ADDR"));
    SerialFormatBox = Named(new QComboBox(this), "SerialFormatBox");
    SerialFormatBox->addItems(
        {QStringLiteral("dec"), QStringLiteral("hex"), QStringLiteral("bcd")});
    SerialFileBox = Named(new QLineEdit(this), "SerialFileBox");
    SerialFileBox->setPlaceholderText(QStringLiteral("beside the HEX file"));
    SerialOverwriteBox = Named(new QCheckBox(QStringLiteral("Over the file's own data"), this),
                               "SerialOverwriteBox");

    ResultLabel = Named(new QLabel(this), "ResultLabel");
    ResultLabel->setAlignment(Qt::AlignCenter);
    ResultLabel->setFont(UiFont(36, true));
    ResultLabel->setMinimumHeight(70);
    CountsLabel = Named(new QLabel(this), "CountsLabel");
    CountsLabel->setAlignment(Qt::AlignCenter);
    CountsLabel->setFont(UiFont(14, true));
    LastChipLabel = Named(new QLabel(this), "LastChipLabel");
    LastChipLabel->setWordWrap(true);
    LastChipLabel->setTextFormat(Qt::PlainText);

    StartButton = Named(new QPushButton(QStringLiteral("&Start"), this), "StartButton");
    StopButton = Named(new QPushButton(QStringLiteral("S&top"), this), "StopButton");
    StopButton->setToolTip(QStringLiteral("Ends the run before its next step, VPP off (Esc)"));
    CloseButton = Named(new QPushButton(QStringLiteral("&Close"), this), "CloseButton");

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Count"), CountBox);
    auto* logRow = new QHBoxLayout;
    logRow->addWidget(LogPathBox);
    logRow->addWidget(LogBrowseButton);
    fields->addRow(QStringLiteral("Log file"), logRow);
    fields->addRow(QStringLiteral("Log format"), LogFormatBox);
    fields->addRow(QStringLiteral("Serial number"), SerialStartBox);
    fields->addRow(QStringLiteral("Serial at"), SerialAtBox);
    fields->addRow(QStringLiteral("Serial format"), SerialFormatBox);
    fields->addRow(QStringLiteral("Serial file"), SerialFileBox);
    fields->addRow(QString(), SerialOverwriteBox);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(StartButton);
    buttons->addWidget(StopButton);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(ResultLabel);
    layout->addWidget(CountsLabel);
    layout->addWidget(LastChipLabel);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    connect(StartButton, &QPushButton::clicked, this, &ProductionWindow::StartClick);
    connect(LogBrowseButton, &QPushButton::clicked, this, &ProductionWindow::LogBrowseClick);
    connect(StopButton, &QPushButton::clicked, this, &ProductionWindow::StopClick);
    connect(CloseButton, &QPushButton::clicked, this, &ProductionWindow::close);
    ShowResult(QStringLiteral("-"), palette().color(QPalette::WindowText));
    CountsLabel->setText(QStringLiteral("Passed 0   Failed 0"));
    ShowForm(session_.Settings().production);
    ShowState();
}

ProductionForm ProductionWindow::Form() const {
    return {.count = Text(CountBox),
            .logPath = Text(LogPathBox),
            .csv = LogFormatBox->currentIndex() == 1,
            .serialStart = Text(SerialStartBox),
            .serialAt = Text(SerialAtBox),
            .serialFormat = SerialFormatBox->currentText().toStdString(),
            .serialFile = Text(SerialFileBox),
            .serialOverwrite = SerialOverwriteBox->isChecked()};
}

void ProductionWindow::ShowForm(const ProductionForm& form) {
    CountBox->setText(form.count.empty() ? QStringLiteral("0")
                                         : QString::fromStdString(form.count));
    LogPathBox->setText(QString::fromStdString(form.logPath));
    LogFormatBox->setCurrentIndex(form.csv ? 1 : 0);
    SerialStartBox->setText(QString::fromStdString(form.serialStart));
    SerialAtBox->setText(QString::fromStdString(form.serialAt));
    SerialFormatBox->setCurrentText(QString::fromStdString(form.serialFormat));
    SerialFileBox->setText(QString::fromStdString(form.serialFile));
    SerialOverwriteBox->setChecked(form.serialOverwrite);
}

void ProductionWindow::StartClick() {
    if (running_) {
        return;
    }
    std::string problem;
    const ProductionForm form = Form();
    const std::optional<ProductionChoice> choice =
        ReadProductionForm(form, session_.OpenedPath(), problem);
    if (choice) {
        session_.RememberProductionForm(form);
        problem = session_.StartProduction(
            *choice, {.chipDone = [this](const ProductionTally& tally) { ShowChip(tally); },
                      .ended =
                          [this](const ProductionTally&) {
                              running_ = false;
                              ShowState();
                          }});
    }
    if (!problem.empty()) {
        dialogs_.ShowMessage(this, QString::fromStdString(problem));
        return;
    }
    running_ = true;
    ShowResult(QStringLiteral("Insert a chip"), palette().color(QPalette::WindowText));
    CountsLabel->setText(QStringLiteral("Passed 0   Failed 0"));
    LastChipLabel->clear();
    ShowState();
}

// Appended to, never replaced: the dialog does not ask about overwriting.
void ProductionWindow::LogBrowseClick() {
    const LogFileDialog& log = LogFormatBox->currentIndex() == 1 ? kCsvLog : kJsonLinesLog;
    const std::optional<QString> path = dialogs_.AskSaveFileName(
        this, {.nameFilters = QtNameFilters(QString::fromLatin1(log.filter)),
               .directory = QString::fromStdWString(
                   LogDialogFolder(Form(), session_.OpenedPath()).wstring()),
               .defaultSuffix = QString::fromLatin1(log.extension),
               .confirmOverwrite = false});
    if (path) {
        LogPathBox->setText(*path);
    }
}

void ProductionWindow::StopClick() {
    if (running_) {
        session_.Cancel();
        ShowState();
    }
}

void ProductionWindow::reject() {
    if (running_) {
        StopClick();
        return;
    }
    QDialog::reject();
}

void ProductionWindow::ShowState() {
    StartButton->setEnabled(!running_ && session_.CommandEnabled(WindowCommand::Production));
    StopButton->setEnabled(running_ && session_.Cancellable());
    CloseButton->setEnabled(!running_);
    for (QWidget* field : std::initializer_list<QWidget*>{
             CountBox, LogPathBox, LogBrowseButton, LogFormatBox, SerialStartBox, SerialAtBox,
             SerialFormatBox, SerialFileBox, SerialOverwriteBox}) {
        field->setEnabled(!running_);
    }
}

void ProductionWindow::ShowChip(const ProductionTally& tally) {
    if (tally.lastPassed) {
        ShowResult(QStringLiteral("PASS"), QColor(0, 128, 0));
    } else {
        ShowResult(QStringLiteral("FAIL"), Qt::red);
    }
    CountsLabel->setText(
        QStringLiteral("Passed %1   Failed %2").arg(tally.passed).arg(tally.failed));
    LastChipLabel->setText(QString::fromStdString(tally.lastLine));
}

void ProductionWindow::ShowResult(const QString& text, const QColor& colour) {
    QPalette shown = ResultLabel->palette();
    shown.setColor(QPalette::WindowText, colour);
    ResultLabel->setPalette(shown);
    ResultLabel->setText(text);
}

}  // namespace tallis
