#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cstdint>
#include <memory>
#include <string>

#include "board/BoardFile.h"

namespace tallis {

class MainWindow;

// Options: which parallel port the programmer is wired to, LPT 1, LPT 2 or a
// port at another address typed in hexadecimal (a PCI card's), which
// interface board (a built-in one or a board file, with a picture of its
// wiring; a board on an FTDI chip with the FTDI device it is on), and whether the Device commands
// run at the fast timing. Shown without a modal loop while the main window is disabled; its
// controls keep their state between showings, and the program run reads them at its start.
class OptionsDialog : public QDialog {
    Q_OBJECT
  public:
    explicit OptionsDialog(MainWindow& mainWindow);

    QPushButton* OkButton;
    QGroupBox* PortGroup;
    QRadioButton* Lpt1Button;
    QRadioButton* Lpt2Button;
    QRadioButton* OtherAddress;
    QLineEdit* AddressEdit;
    QCheckBox* FastProgramming;
    QLabel* AddressError;  // why the typed address is refused, while it is
    QGroupBox* BoardGroup;
    QComboBox* BoardList;  // the built-in boards, then any board file loaded
    QLabel* FtdiDeviceLabel;
    // The FTDI devices there are, listed again at each showing; enabled for
    // a board on an FTDI chip.
    QComboBox* FtdiDeviceList;
    QPushButton* LoadBoardFile;
    QLabel* BoardPicture;  // the chosen board's wiring
    QLabel* BoardError;    // why a board file is refused, while it is

    // 1 or 2 for the checked LPT button, 0 for another address or none.
    int PortChoice() const;
    // Checks the button for this port: LPT 1, LPT 2 or another address.
    void ShowPort(int portNumber, std::uint16_t portBase);
    void ShowFastTiming(bool fast);
    // Selects the board in force: a built-in board's name or a board file.
    void ShowBoard(const std::string& nameOrFile);
    // Selects the FTDI device chosen: what follows "ftdi:", empty for the only one.
    void ShowFtdiDevice(const std::string& selector);
    // "Load board file...": the file asked for is read, and listed and
    // selected when it is a good board file.
    void LoadBoardFileClick();

    // OK: apply the choice and give control back to the main window. A
    // refused address keeps the dialog up.
    void OkClick();

    // The close box (and Escape) hide the dialog and enable the main window
    // again without applying anything: the controls go back to the choice in
    // force, so that a later run does not pick up a choice never confirmed.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // The list entry of a board file, added or found.
    int BoardFileEntry(const QString& path, std::string_view boardName);
    void ShowPicture();
    void ListFtdiDevices();

    MainWindow& mainWindow_;
    int boardShown_ = 0;
    int choiceShown_ = 1;
    QString addressShown_;
    bool fastShown_ = false;
    QString ftdiDeviceShown_;
};

}  // namespace tallis
