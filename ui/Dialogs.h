#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

class QWidget;

namespace tallis {

// How the file-open dialog is set up. The dialog itself is made only when it is
// shown: a file dialog keeps a file-system watcher thread while it exists.
struct OpenDialogSettings {
    QStringList nameFilters;  // "description (pattern)", the first one selected
    QString directory;        // where it opens; empty for the current folder
    // Save dialogs: added to a name typed without one.
    QString defaultSuffix = QStringLiteral("hex");
    // Save dialogs: false for a file that is appended to, not replaced.
    bool confirmOverwrite = true;
};

// What the windows ask of the desktop: modal message boxes, the file dialog and
// opening a page. QtDialogs is the real one; tests answer these without a modal
// loop.
class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // A modal box with one OK button; returns when it has been dismissed.
    virtual void ShowMessage(QWidget* owner, const QString& text) = 0;
    // A modal Yes / No question; true for Yes.
    virtual bool AskYesNo(QWidget* owner, const QString& text) = 0;
    // Runs a file-open dialog; the chosen file's full path, or nothing when cancelled.
    virtual std::optional<QString> AskOpenFileName(QWidget* owner,
                                                   const OpenDialogSettings& dialog) = 0;
    // Runs a file-save dialog; the chosen path, or nothing when cancelled.
    virtual std::optional<QString> AskSaveFileName(QWidget* owner,
                                                   const OpenDialogSettings& dialog) = 0;
    // Hands a page to the desktop; whether it opened is not looked at.
    virtual void OpenUrl(const QUrl& url) = 0;
};

class QtDialogs : public Dialogs {
  public:
    void ShowMessage(QWidget* owner, const QString& text) override;
    bool AskYesNo(QWidget* owner, const QString& text) override;
    std::optional<QString> AskOpenFileName(QWidget* owner,
                                           const OpenDialogSettings& settings) override;
    std::optional<QString> AskSaveFileName(QWidget* owner,
                                           const OpenDialogSettings& settings) override;
    void OpenUrl(const QUrl& url) override;
};

}  // namespace tallis
