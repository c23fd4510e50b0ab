#pragma once

#include <QColor>
#include <QDialog>

#include <functional>
#include <string>

#include "platform/base/WinUser.h"
#include "program/ui/SoundCardChoice.h"

class QCheckBox;
class QComboBox;
class QPushButton;

// The sound-card configuration dialog (template 269): whether to listen while embreling,
// and on which wave-out device. The opener sets listen, deviceIndex and backgroundColour,
// runs DoModal and, on IDOK, reads listen and deviceIndex back; both fields change only
// when the dialog is confirmed.
class CSoundCardDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int IDD = 269;
    static constexpr int IdHelp = 57670;
    static constexpr int IdListen = 1110;
    static constexpr int IdDeviceBox = 1053;

    explicit CSoundCardDlg(QWidget* parent = nullptr);

    // Runs the dialog modally; IDOK or IDCANCEL.
    int DoModal();

    // Replaces the modal run for tests: the script gets the initialised dialog and acts as
    // the user would (ChooseDevice, the controls, Button(IDOK)->click()); a script that
    // does not end the dialog has cancelled it. Returns the previous script.
    using ModalScript = std::function<void(CSoundCardDlg&)>;
    static ModalScript SetModalScript(ModalScript script);

    // The help file opened by the Help button; the program's "Embrel.hlp" by default.
    void SetHelpFile(const std::string& path) { helpFile = path; }

    // What picking item `item` of the device box does.
    void ChooseDevice(int item);

    QCheckBox* ListenBox() const { return listenBox; }
    QComboBox* DeviceBox() const { return deviceBox; }
    QPushButton* Button(int id) const;

    int listen = 0;
    int deviceIndex = 0;
    QColor backgroundColour{0x99, 0x99, 0xFF};

protected:
    void reject() override;
    // F1 opens the same help as the Help button.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateControls();
    void OnInitDialog();
    void OnDeviceSelected(int item);
    void OnListenToggled(bool checked);
    void OnOK();
    void OnCancel();
    void OnHelp();
    void OnCtlColor();

    SoundCardChoice choice;
    std::string helpFile;
    QCheckBox* listenBox = nullptr;
    QComboBox* deviceBox = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* helpButton = nullptr;
};
