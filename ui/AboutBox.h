#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

#include "ui/Bevel.h"

namespace tallis {

class Dialogs;

// About TALLIS: the product's name and version, a notice, and a link to the
// program's documentation. Shown without a modal loop while the main window is
// disabled.
class AboutBox : public QDialog {
    Q_OBJECT
  public:
    AboutBox(QWidget& mainWindow, Dialogs& dialogs);

    Bevel* Border;
    QFrame* PicturePanel;
    QLabel* Picture;
    QLabel* ProductLabel;
    QLabel* DescriptionLabel;
    QLabel* DocumentationLink;
    QPushButton* OkButton;

    // OK: enable the main window, then hide.
    void OkClick();
    // The link: hand the documentation page to the desktop; the box stays up.
    void DocumentationLinkClick();
    // The close box and Escape act as OK: the box holds nothing to apply.
    void reject() override;

    // The installed documentation, or the copy in the source tree of a build.
    static QUrl DocumentationUrl();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget& mainWindow_;
    Dialogs& dialogs_;
};

}  // namespace tallis
