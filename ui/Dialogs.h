#pragma once

#include <QString>
#include <QUrl>
#include <optional>

class QFileDialog;
class QWidget;

namespace tallis {

// What the windows ask of the desktop: modal message boxes, the file dialog and
// opening a page. QtDialogs is the real one; tests answer these without a modal
// loop.
class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // A modal box with one OK button; returns when it has been dismissed.
    virtual void ShowMessage(QWidget* owner, const QString& text) = 0;
    // Runs the file dialog; the chosen file's full path, or nothing when cancelled.
    virtual std::optional<QString> AskOpenFileName(QFileDialog& dialog) = 0;
    // Hands a page to the desktop; whether it opened is not looked at.
    virtual void OpenUrl(const QUrl& url) = 0;
};

class QtDialogs : public Dialogs {
  public:
    void ShowMessage(QWidget* owner, const QString& text) override;
    std::optional<QString> AskOpenFileName(QFileDialog& dialog) override;
    void OpenUrl(const QUrl& url) override;
};

}  // namespace tallis
