#include "ui/Forms.h"

namespace tallis {

Forms::Forms(Target& target, Dialogs& dialogs)
    : Form1(target, dialogs), Form3(Form1, dialogs), Form2(Form1), Form4() {
    Form1.AttachWindows(Form3, Form2, Form4);
}

}  // namespace tallis
