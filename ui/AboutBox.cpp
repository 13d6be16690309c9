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
      Border(new Bevel(Bevel::Shape::Box, Bevel::Style::Lowered, this)),
      PicturePanel(new QFrame(this)),
      Picture(new QLabel(PicturePanel)),
      ProductLabel(MakeLabel(this, "ProductLabel", QStringLiteral("TALLIS  for   Windows  V3"),
                             {149, 20, 135, 13}, 11)),
      DescriptionLabel(MakeLabel(this, "DescriptionLabel",
                                 QStringLiteral("Parallel-port PIC programmer"), {149, 39, 161, 13},
                                 10)),
      DocumentationLink(MakeLabel(this, "DocumentationLink", QStringLiteral("Documentation"),
                                  {169, 65, 82, 13}, 11)),
      OkButton(MakeOkButton(this, {143, 170, 61, 31})),
      mainWindow_(mainWindow),
      dialogs_(dialogs) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About TALLIS"));
    setFont(UiFont(10));
    setFixedSize(329, 214);

    Border->setObjectName(QStringLiteral("Border"));
    Border->setGeometry(7, 7, 312, 138);
    PicturePanel->setObjectName(QStringLiteral("PicturePanel"));
    PicturePanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    PicturePanel->setGeometry(13, 13, 124, 116);
    Picture->setObjectName(QStringLiteral("Picture"));
    Picture->setGeometry(7, 7, 114, 106);
    Picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture->setPixmap(ProgrammerPicture());

    QPalette linkPalette = DocumentationLink->palette();
    linkPalette.setColor(QPalette::WindowText, Qt::blue);
    DocumentationLink->setPalette(linkPalette);
    DocumentationLink->setCursor(Qt::PointingHandCursor);
    DocumentationLink->installEventFilter(this);

    connect(OkButton, &QPushButton::clicked, this, &AboutBox::OkClick);
    CentreOnScreen(*this);
}

void AboutBox::OkClick() {
    mainWindow_.setEnabled(true);
    hide();
}

void AboutBox::DocumentationLinkClick() {
    dialogs_.OpenUrl(DocumentationUrl());
}

void AboutBox::reject() {
    OkClick();
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
    if (watched == DocumentationLink && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        DocumentationLinkClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace tallis
