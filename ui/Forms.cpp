#include "ui/Forms.h"

namespace tallis {

Forms::Forms(Target& target, Dialogs& dialogs, SettingsStore* settings)
    : Form1(target, dialogs, settings), Form3(Form1, dialogs), Form2(Form1), Form4(), Memory() {
    Form1.AttachWindows(Form3, Form2, Form4, Memory);
}

}  // namespace tallis
