#include "ui/Dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

namespace tallis {

namespace {

std::optional<QString> RunFileDialog(QFileDialog& dialog, const OpenDialogSettings& settings) {
    dialog.setNameFilters(settings.nameFilters);
    if (!settings.directory.isEmpty()) {
        dialog.setDirectory(settings.directory);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

}  // namespace

void QtDialogs::ShowMessage(QWidget* owner, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("TALLIS"), text, QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool QtDialogs::AskYesNo(QWidget* owner, const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("TALLIS"), text,
                    QMessageBox::Yes | QMessageBox::No, owner);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> QtDialogs::AskOpenFileName(QWidget* owner,
                                                  const OpenDialogSettings& settings) {
    QFileDialog dialog(owner);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    return RunFileDialog(dialog, settings);
}

std::optional<QString> QtDialogs::AskSaveFileName(QWidget* owner,
                                                  const OpenDialogSettings& settings) {
    QFileDialog dialog(owner);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(settings.defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !settings.confirmOverwrite);
    return RunFileDialog(dialog, settings);
}

void QtDialogs::OpenUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

}  // namespace tallis
