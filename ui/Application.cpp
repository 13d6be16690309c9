#include "ui/Application.h"

#include <QApplication>

#include "ui/Artwork.h"
#include "ui/Dialogs.h"
#include "ui/Forms.h"
#include "ui/Target.h"

namespace tallis {

int RunApplication(int argc, char** argv, const TargetStarter& startTarget) {
    const std::unique_ptr<Target> target = startTarget();
    QApplication application(argc, argv);
    QApplication::setWindowIcon(ApplicationIcon());
    QtDialogs dialogs;
    Forms forms(*target, dialogs);
    forms.Form1.show();
    const int exitCode = QApplication::exec();
    target->Exit();
    return exitCode;
}

}  // namespace tallis
