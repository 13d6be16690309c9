#include "ui/AboutBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>

#include "ui/Artwork.h"
#include "ui/DialogParts.h"
#include "ui/Dialogs.h"
#include "ui/UiFont.h"
#include "ui/WindowPlacement.h"

namespace tallis {

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry,
                  int pixelHeight) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setFont(UiFont(pixelHeight));
    label->setGeometry(geometry);
    return label;
}

}  // namespace

AboutBox::AboutBox(QWidget& mainWindow, Dialogs& dialogs)
    : QDialog(nullptr, kDialogWindowFlags),
      Bevel2(new Bevel(Bevel::Shape::Box, Bevel::Style::Lowered, this)),
      Panel1(new QFrame(this)),
      Image1(new QLabel(Panel1)),
      Label1(MakeLabel(this, "Label1", QStringLiteral("TALLIS  for   Windows  V3"),
                       {149, 20, 135, 13}, 11)),
      Label2(MakeLabel(this, "Label2", QStringLiteral("Parallel-port PIC programmer"),
                       {149, 39, 161, 13}, 10)),
      Label4(MakeLabel(this, "Label4", QStringLiteral("Documentation"), {169, 65, 82, 13}, 11)),
      BitBtn1(MakeOkButton(this, {143, 170, 61, 31})),
      mainWindow_(mainWindow),
      dialogs_(dialogs) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About TALLIS"));
    setFont(UiFont(10));
    setFixedSize(329, 214);

    Bevel2->setObjectName(QStringLiteral("Bevel2"));
    Bevel2->setGeometry(7, 7, 312, 138);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setGeometry(13, 13, 124, 116);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(7, 7, 114, 106);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(ProgrammerPicture());

    QPalette linkPalette = Label4->palette();
    linkPalette.setColor(QPalette::WindowText, Qt::blue);
    Label4->setPalette(linkPalette);
    Label4->setCursor(Qt::PointingHandCursor);
    Label4->installEventFilter(this);

    connect(BitBtn1, &QPushButton::clicked, this, &AboutBox::BitBtn1Click);
    CentreOnScreen(*this);
}

void AboutBox::BitBtn1Click() {
    mainWindow_.setEnabled(true);
    hide();
}

void AboutBox::Label4Click() {
    dialogs_.OpenUrl(DocumentationUrl());
}

void AboutBox::reject() {
    BitBtn1Click();
}

QUrl AboutBox::DocumentationUrl() {
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QFileInfo installed(
        programDir.filePath(QStringLiteral(TALLIS_DOC_RELATIVE_TO_BIN "/README.md")));
    if (installed.exists()) {
        return QUrl::fromLocalFile(installed.absoluteFilePath());
    }
    return QUrl::fromLocalFile(QStringLiteral(TALLIS_SOURCE_DIR "/README.md"));
}

bool AboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label4 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Label4Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace tallis
