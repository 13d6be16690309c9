#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/DesktopSession.h"

namespace tallis {

class Dialogs;

// Device > Production: chip after chip with the open file. Its fields are
// write --repeat's choices (a count, the log and its format, a serial
// number and where it goes); Start runs it, each chip's result shows at once
// as a big PASS or FAIL under the counts, and Stop (or Esc) ends the run
// before its next step, VPP off. The run is the session's; this window only
// shows it.
class ProductionWindow : public QDialog {
    Q_OBJECT
  public:
    ProductionWindow(QWidget* owner, DesktopSession& session, Dialogs& dialogs);

    QLineEdit* CountBox;
    QLineEdit* LogPathBox;
    QPushButton* LogBrowseButton;  // a file dialog for the log
    QComboBox* LogFormatBox;       // JSON Lines, CSV
    QLineEdit* SerialStartBox;
    QLineEdit* SerialAtBox;
    QComboBox* SerialFormatBox;  // dec, hex, bcd
    QLineEdit* SerialFileBox;
    QCheckBox* SerialOverwriteBox;
    QLabel* ResultLabel;  // PASS, FAIL, or what the run waits for
    QLabel* CountsLabel;
    QLabel* LastChipLabel;
    QPushButton* StartButton;
    QPushButton* StopButton;
    QPushButton* CloseButton;

    void StartClick();
    void LogBrowseClick();
    void StopClick();
    // The session's command state changed: the buttons follow it.
    void ShowState();

  protected:
    // Esc stops a run; with none running it closes the window.
    void reject() override;

  private:
    ProductionForm Form() const;
    void ShowForm(const ProductionForm& form);
    void ShowChip(const ProductionTally& tally);
    void ShowResult(const QString& text, const QColor& colour);

    DesktopSession& session_;
    Dialogs& dialogs_;
    bool running_ = false;
};

}  // namespace tallis
