// Makes the pictures of the windows for the documentation, with the simulated
// board in virtual time:
//   tallis-screenshots <folder> [icon.png]
// writes main-window.png, main-window-after-run.png, options-dialog.png, about-box.png and
// time-calibrate.png into the folder, and the 128 x 128 desktop icon if asked.

#include <QApplication>
#include <QDir>
#include <QTextStream>

#include "ui/Artwork.h"
#include "ui/Dialogs.h"
#include "ui/Forms.h"
#include "ui/SimTarget.h"

namespace {

// Opens the example file and dismisses every box at once.
class ScriptedDialogs : public tallis::Dialogs {
  public:
    void ShowMessage(QWidget*, const QString& text) override {
        QTextStream(stdout) << "message: " << text << '\n';
    }
    bool AskYesNo(QWidget*, const QString&) override { return true; }
    std::optional<QString> AskOpenFileName(QWidget*, const tallis::OpenDialogSettings&) override {
        return QStringLiteral(TALLIS_EXAMPLES_DIR "/blink877a.hex");
    }
    void OpenUrl(const QUrl&) override {}
};

bool Save(QWidget& window, const QDir& folder, const char* name) {
    window.show();
    QApplication::processEvents();
    const QString path = folder.filePath(QString::fromLatin1(name));
    const bool saved = window.grab().save(path);
    QTextStream(stdout) << (saved ? "wrote " : "could not write ") << path << '\n';
    return saved;
}

// Lets the window answer until its command on the worker has ended.
void Finish(const tallis::TForm1& form) {
    while (form.CommandRunning()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        QTextStream(stderr) << "usage: tallis-screenshots <folder> [icon.png]\n";
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    tallis::SimTarget target(tallis::sim::TimeSource::Virtual);
    ScriptedDialogs dialogs;
    tallis::Forms forms(target, dialogs);
    tallis::TForm1& form = forms.Form1;
    form.Timer1->stop();
    form.show();
    form.Timer1Timer();
    Finish(form);

    bool ok = Save(form, folder, "main-window.png");
    ok = Save(forms.Form4, folder, "time-calibrate.png") && ok;
    forms.Form4.hide();
    form.Open1Click();
    form.SpeedButton1Click();
    Finish(form);
    ok = Save(form, folder, "main-window-after-run.png") && ok;
    form.Options1Click();
    ok = Save(forms.Form2, folder, "options-dialog.png") && ok;
    forms.Form2.BitBtn1Click();
    form.Ab1Click();
    ok = Save(forms.Form3, folder, "about-box.png") && ok;
    forms.Form3.BitBtn1Click();

    if (argc > 2) {
        const QPixmap icon = tallis::ProgrammerPicture().scaled(128, 128, Qt::KeepAspectRatio,
                                                                Qt::SmoothTransformation);
        ok = icon.save(QString::fromLocal8Bit(argv[2])) && ok;
    }
    return ok ? 0 : 1;
}
