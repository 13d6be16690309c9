#include "ui/OptionsDialog.h"

#include <QFontDatabase>

#include "app/BoardText.h"
#include "app/CommandTexts.h"
#include "app/FtdiDeviceText.h"
#include "app/PortAddress.h"
#include "ui/DialogParts.h"
#include "ui/MainWindow.h"
#include "ui/UiFont.h"
#include "ui/WindowPlacement.h"

namespace tallis {

namespace {

constexpr int kOtherChoice = 3;

}  // namespace

OptionsDialog::OptionsDialog(MainWindow& mainWindow)
    : QDialog(nullptr, kDialogWindowFlags),
      OkButton(MakeOkButton(this, {98, 186, 60, 31})),
      PortGroup(new QGroupBox(QStringLiteral("Port setting"), this)),
      Lpt1Button(new QRadioButton(QStringLiteral("LPT 1 ( 378H )"), PortGroup)),
      Lpt2Button(new QRadioButton(QStringLiteral("LPT 2 ( 278H )"), PortGroup)),
      OtherAddress(new QRadioButton(QStringLiteral("Other address"), PortGroup)),
      AddressEdit(new QLineEdit(PortGroup)),
      FastProgramming(new QCheckBox(QStringLiteral("Fast programming"), this)),
      AddressError(new QLabel(QtText(kPortAddressFormatRefusal), this)),
      BoardGroup(new QGroupBox(QStringLiteral("Interface board"), this)),
      BoardList(new QComboBox(BoardGroup)),
      FtdiDeviceLabel(new QLabel(QStringLiteral("FTDI device"), BoardGroup)),
      FtdiDeviceList(new QComboBox(BoardGroup)),
      LoadBoardFile(new QPushButton(QStringLiteral("Load board file..."), BoardGroup)),
      BoardPicture(new QLabel(BoardGroup)),
      BoardError(new QLabel(BoardGroup)),
      mainWindow_(mainWindow) {
    setObjectName(QStringLiteral("OptionsDialog"));
    setWindowTitle(QStringLiteral("Options"));
    setFont(UiFont(10));
    setFixedSize(761, 258);

    Named(PortGroup, "PortGroup", {28, 14, 205, 114});
    Named(Lpt1Button, "Lpt1Button", {13, 26, 120, 16});
    Lpt1Button->setChecked(true);
    Named(Lpt2Button, "Lpt2Button", {13, 52, 120, 16});
    Named(OtherAddress, "OtherAddress", {13, 80, 104, 16});
    Named(AddressEdit, "AddressEdit", {120, 77, 70, 22});
    AddressEdit->setPlaceholderText(QStringLiteral("e.g. 3BC"));
    AddressEdit->setToolTip(QtText(kPortAddressHint));
    AddressEdit->setMaxLength(6);
    Named(FastProgramming, "FastProgramming", {41, 136, 180, 18});
    FastProgramming->setToolTip(QtText(kFastProgrammingHint));
    Named(AddressError, "AddressError", {28, 160, 205, 18});
    AddressError->setAlignment(Qt::AlignCenter);
    QPalette errorPalette = AddressError->palette();
    errorPalette.setColor(QPalette::WindowText, Qt::red);
    AddressError->setPalette(errorPalette);
    AddressError->hide();
    Named(BoardGroup, "BoardGroup", {250, 14, 490, 232});
    Named(BoardList, "BoardList", {12, 22, 300, 24});
    Named(LoadBoardFile, "LoadBoardFile", {322, 21, 156, 26});
    Named(BoardPicture, "BoardPicture", {12, 52, 470, 128});
    Named(FtdiDeviceLabel, "FtdiDeviceLabel", {12, 184, 90, 22});
    Named(FtdiDeviceList, "FtdiDeviceList", {100, 182, 378, 24});
    Named(BoardError, "BoardError", {12, 210, 470, 18});
    for (const board::BoardWiring& row : board::Boards()) {
        BoardList->addItem(QtText(row.name) + QStringLiteral(" - ") + QtText(row.title),
                           QtText(row.name));
    }
    for (const board::FtdiWiring& row : board::FtdiWirings()) {
        BoardList->addItem(QtText(row.name) + QStringLiteral(" - ") + QtText(row.description),
                           QtText(row.name));
    }
    FtdiDeviceList->addItem(QtText(kOnlyFtdiDeviceItem), QString());
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(8);
    BoardPicture->setFont(fixed);
    BoardPicture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    BoardError->setPalette(errorPalette);
    BoardError->hide();
    ShowPicture();
    setTabOrder(OkButton, Lpt1Button);
    setTabOrder(Lpt1Button, Lpt2Button);
    setTabOrder(Lpt2Button, OtherAddress);
    setTabOrder(OtherAddress, AddressEdit);
    setTabOrder(AddressEdit, FastProgramming);
    setTabOrder(FastProgramming, BoardList);
    setTabOrder(BoardList, LoadBoardFile);
    setTabOrder(LoadBoardFile, FtdiDeviceList);

    connect(OkButton, &QPushButton::clicked, this, &OptionsDialog::OkClick);
    connect(LoadBoardFile, &QPushButton::clicked, this, &OptionsDialog::LoadBoardFileClick);
    connect(BoardList, &QComboBox::currentIndexChanged, this, [this] {
        BoardError->hide();
        ShowPicture();
    });
    connect(AddressEdit, &QLineEdit::textEdited, this, [this] {
        OtherAddress->setChecked(true);
        AddressError->hide();
    });
    CentreOnScreen(*this);
}

int OptionsDialog::PortChoice() const {
    if (Lpt1Button->isChecked()) {
        return 1;
    }
    return Lpt2Button->isChecked() ? 2 : 0;
}

void OptionsDialog::ShowPort(int portNumber, std::uint16_t portBase) {
    if (portNumber == 1 || portNumber == 2) {
        (portNumber == 2 ? Lpt2Button : Lpt1Button)->setChecked(true);
        return;
    }
    OtherAddress->setChecked(true);
    AddressEdit->setText(QString::number(portBase, 16).toUpper());
}

void OptionsDialog::ShowFastTiming(bool fast) {
    FastProgramming->setChecked(fast);
}

void OptionsDialog::ShowBoard(const std::string& nameOrFile) {
    const int builtIn = BoardList->findData(QString::fromStdString(nameOrFile));
    if (builtIn >= 0) {
        BoardList->setCurrentIndex(builtIn);
        return;
    }
    const board::BoardChoice file = board::ChooseAnyBoard(nameOrFile);
    if (file.owned) {
        BoardList->setCurrentIndex(
            BoardFileEntry(QString::fromStdString(nameOrFile), BoardName(file)));
    }
}

void OptionsDialog::ShowFtdiDevice(const std::string& selector) {
    const QString chosen = QString::fromStdString(selector);
    int entry = FtdiDeviceList->findData(chosen);
    if (entry < 0) {
        // Not plugged in now: kept, so that OK does not forget it.
        FtdiDeviceList->addItem(chosen, chosen);
        entry = FtdiDeviceList->count() - 1;
    }
    FtdiDeviceList->setCurrentIndex(entry);
}

// The devices as they are now, the one chosen kept selected.
void OptionsDialog::ListFtdiDevices() {
    const QString chosen = FtdiDeviceList->currentData().toString();
    FtdiDeviceList->clear();
    FtdiDeviceList->addItem(QtText(kOnlyFtdiDeviceItem), QString());
    std::string problem;
    for (const ftdi::FtdiListing& device : mainWindow_.FtdiDevices(problem)) {
        FtdiDeviceList->addItem(QString::fromStdString(FtdiDeviceText(device)),
                                QString::fromStdString(FtdiDeviceSelector(device)));
    }
    FtdiDeviceList->setToolTip(QString::fromStdString(problem));
    ShowFtdiDevice(chosen.toStdString());
}

int OptionsDialog::BoardFileEntry(const QString& path, std::string_view boardName) {
    const int known = BoardList->findData(path);
    if (known >= 0) {
        return known;
    }
    BoardList->addItem(QtText(boardName) + QStringLiteral(" - ") + path, path);
    return BoardList->count() - 1;
}

void OptionsDialog::LoadBoardFileClick() {
    const std::optional<QString> path = mainWindow_.AskBoardFile();
    if (!path) {
        return;
    }
    const board::BoardFileLoad load = board::LoadBoardFile(path->toStdString());
    if (!load.board) {
        BoardError->setText(QString::fromStdString(load.problem));
        BoardError->show();
        return;
    }
    const std::string_view name =
        load.board->Ftdi() != nullptr ? load.board->Ftdi()->name : load.board->Wiring().name;
    BoardList->setCurrentIndex(BoardFileEntry(*path, name));
}

// A built-in board's picture comes from its row; a file's from the file as
// it is now.
void OptionsDialog::ShowPicture() {
    const std::string chosen = BoardList->currentData().toString().toStdString();
    const board::BoardChoice choice = board::ChooseAnyBoard(chosen);
    BoardPicture->setText(QString::fromStdString(BoardChoicePicture(choice)));
    FtdiDeviceList->setEnabled(choice.ftdi != nullptr);
    FtdiDeviceLabel->setEnabled(choice.ftdi != nullptr);
}

void OptionsDialog::OkClick() {
    const bool other = OtherAddress->isChecked();
    const CheckedPortAddress typed = CheckPortAddress(AddressEdit->text().trimmed().toStdString());
    if (other && !typed.base) {
        AddressError->setText(QtText(typed.refusal));
        AddressError->show();
        AddressEdit->setFocus();
        return;
    }
    const std::string board = BoardList->currentData().toString().toStdString();
    if (const std::string refused = mainWindow_.ApplyBoard(board); !refused.empty()) {
        BoardError->setText(QString::fromStdString(refused));
        BoardError->show();
        return;
    }
    mainWindow_.ApplyFtdiDevice(FtdiDeviceList->currentData().toString().toStdString());
    hide();
    mainWindow_.setEnabled(true);
    mainWindow_.UseFastTiming(FastProgramming->isChecked());
    if (other) {
        mainWindow_.ApplyPortAddress(*typed.base);
    } else {
        mainWindow_.ApplyPortChoice(PortChoice());
    }
}

void OptionsDialog::reject() {
    AddressEdit->setText(addressShown_);
    const std::array buttons{Lpt1Button, Lpt2Button, OtherAddress};
    buttons.at(static_cast<std::size_t>(choiceShown_ - 1))->setChecked(true);
    FastProgramming->setChecked(fastShown_);
    BoardList->setCurrentIndex(boardShown_);
    ShowFtdiDevice(ftdiDeviceShown_.toStdString());
    AddressError->hide();
    BoardError->hide();
    hide();
    mainWindow_.setEnabled(true);
}

void OptionsDialog::showEvent(QShowEvent* event) {
    choiceShown_ = OtherAddress->isChecked() ? kOtherChoice : std::max(PortChoice(), 1);
    addressShown_ = AddressEdit->text();
    fastShown_ = FastProgramming->isChecked();
    boardShown_ = BoardList->currentIndex();
    ListFtdiDevices();
    ftdiDeviceShown_ = FtdiDeviceList->currentData().toString();
    QDialog::showEvent(event);
}

}  // namespace tallis
