#pragma once

#include "device/PortDiscovery.h"
#include "model/ColorRef.h"
#include "settings/SetupValues.h"
#include "ui/dialogs/PresetFileDialog.h"

#include <QDialog>
#include <QString>

class CColorPicker;
class QCheckBox;
class QComboBox;
class QLabel;

// The "Setup" dialog (template 137): port, the three panel colours, the all-off box and the
// choice of a preset file to save or load. It only collects choices; RunSetup acts on them after
// OK. The object is reused, so its members keep their values between showings.
class CSetupDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int IDD = 137;
    static constexpr int IDC_STATIC = -1;
    static constexpr int IDC_COMBO_PORT = 1001;
    static constexpr int IDC_COLOR_SLIDE_L = 1003;
    static constexpr int IDC_FILE_NAME = 1007;
    static constexpr int IDC_SAVE = 1008;
    static constexpr int IDC_COLOR_SLIDE_R = 1009;
    static constexpr int IDC_COLOR_CH = 1010;
    static constexpr int IDC_OPEN = 1011;
    static constexpr int IDC_ALL_OFF = 1012;
    static constexpr int kResultOk = 1;
    static constexpr int kResultCancel = 2;
    static const QStringList kComPorts;

    explicit CSetupDlg(QWidget* parent = nullptr);
    ~CSetupDlg() override;

    // The members RunSetup fills before showing and reads after OK.
    void SetValues(const SetupValues& values);
    SetupValues Values() const;

    // Where "&Save" and "&Open" get their file name; the real file dialog unless replaced.
    void SetFileChooser(PresetFileChooser chooser) { m_fileChooser = std::move(chooser); }

    // Where the serial devices offered after COM1..COM10 are looked for at each opening.
    void SetDiscoveryRoots(DiscoveryRoots roots) { m_discoveryRoots = std::move(roots); }

    // The control with this id (1 OK, 2 CLOSE, 1001 ...); the statics without an id are not found.
    QWidget* Control(int id) const;

    // OK and Enter.
    void accept() override;
    // CLOSE, Escape and the close box end with 2.
    void reject() override { done(kResultCancel); }

    int m_presetAction = PRESET_NONE;
    QString m_presetPath;
    ColorRef m_colorSlideL = 0;
    ColorRef m_colorSlideR = 0;
    ColorRef m_colorCh = 0;
    CColorPicker* m_btnCh = nullptr;
    CColorPicker* m_btnSlideR = nullptr;
    CColorPicker* m_btnSlideL = nullptr;
    QComboBox* m_comboPort = nullptr;
    QString m_strPortText;
    QString m_strFileName;
    int m_bAllOff = 0;

protected:
    void showEvent(QShowEvent* event) override;

    // Members to controls (false) or controls to members (true).
    void DoDataExchange(bool saveAndValidate);
    bool OnInitDialog();
    void OnOK();
    void OnSave();
    void OnOpen();

private:
    void CreateControls();
    void SelectPort();
    // COM1..COM10, then the devices present now; each of those keeps its full path as item data.
    void ListPorts();
    // The port the field stands for: a listed device's full path, else the text as it stands.
    QString ChosenPort() const;

    QLabel* m_staticFileName = nullptr;
    QCheckBox* m_checkAllOff = nullptr;
    QWidget* m_firstTabStop = nullptr;
    PresetFileChooser m_fileChooser = RunPresetFileDialog;
    DiscoveryRoots m_discoveryRoots;
};
