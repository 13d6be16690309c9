#include "ui/Options.h"

#include "ui/DialogParts.h"
#include "ui/UiFont.h"
#include "ui/Utallis.h"
#include "ui/WindowPlacement.h"

namespace tallis {

TForm2::TForm2(TForm1& mainWindow)
    : QDialog(nullptr, kDialogWindowFlags),
      BitBtn1(MakeOkButton(this, {98, 122, 60, 31})),
      GroupBox1(new QGroupBox(QStringLiteral("Port setting"), this)),
      RadioButton1(new QRadioButton(QStringLiteral("LPT 1 ( 378H )"), GroupBox1)),
      RadioButton2(new QRadioButton(QStringLiteral("LPT 2 ( 278H )"), GroupBox1)),
      mainWindow_(mainWindow) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Options"));
    setFont(UiFont(10));
    setFixedSize(261, 161);

    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(53, 21, 150, 85);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->setGeometry(13, 26, 92, 14);
    RadioButton1->setChecked(true);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    RadioButton2->setGeometry(13, 59, 92, 13);
    setTabOrder(BitBtn1, RadioButton1);
    setTabOrder(RadioButton1, RadioButton2);

    connect(BitBtn1, &QPushButton::clicked, this, &TForm2::BitBtn1Click);
    CentreOnScreen(*this);
}

int TForm2::PortChoice() const {
    if (RadioButton1->isChecked()) {
        return 1;
    }
    return RadioButton2->isChecked() ? 2 : 0;
}

void TForm2::BitBtn1Click() {
    hide();
    mainWindow_.setEnabled(true);
    mainWindow_.ApplyPortChoice(PortChoice());
}

void TForm2::reject() {
    (choiceShown_ == 2 ? RadioButton2 : RadioButton1)->setChecked(true);
    hide();
    mainWindow_.setEnabled(true);
}

void TForm2::showEvent(QShowEvent* event) {
    choiceShown_ = PortChoice();
    QDialog::showEvent(event);
}

}  // namespace tallis
