#pragma once

#include <QDialog>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

namespace tallis {

class TForm1;

// Options: which parallel port the programmer is wired to. Shown without a
// modal loop while the main window is disabled; its radio buttons keep their
// state between showings, and the program run reads them at its start.
class TForm2 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm2(TForm1& mainWindow);

    QPushButton* BitBtn1;
    QGroupBox* GroupBox1;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;

    // 1 or 2 for the checked button, 0 when neither is checked.
    int PortChoice() const;

    // OK: apply the choice and give control back to the main window.
    void BitBtn1Click();

    // The close box (and Escape) hide the dialog and enable the main window
    // again without applying anything: the buttons go back to the choice in
    // force, so that a later run does not pick up a choice never confirmed.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    TForm1& mainWindow_;
    int choiceShown_ = 1;
};

}  // namespace tallis
