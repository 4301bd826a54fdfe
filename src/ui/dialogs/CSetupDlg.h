#pragma once

#include "device/PortDiscovery.h"
#include "model/ColorRef.h"
#include "settings/SetupValues.h"
#include "ui/dialogs/PresetFileDialog.h"

#include <QDialog>
#include <QString>
#include <utility>
#include <vector>

class CColorPicker;
class QCheckBox;
class QComboBox;
class QLabel;

// The "Setup" dialog: port, the three panel colours, the all-off box and the choice of a preset
// file to save or load. It only collects choices; RunSetup acts on them after OK. The object is
// reused, so its values stay between showings.
class CSetupDlg : public QDialog {
    Q_OBJECT

public:
    // Control ids, as the stored layout and the tests know the controls: 1 OK, 2 CLOSE, and these.
    static constexpr int IDC_STATIC = -1;
    static constexpr int IDC_COMBO_PORT = 1001;
    static constexpr int IDC_COLOR_SLIDE_L = 1003;
    static constexpr int IDC_FILE_NAME = 1007;
    static constexpr int IDC_SAVE = 1008;
    static constexpr int IDC_COLOR_SLIDE_R = 1009;
    static constexpr int IDC_COLOR_CH = 1010;
    static constexpr int IDC_OPEN = 1011;
    static constexpr int IDC_ALL_OFF = 1012;
    static const QStringList kComPorts;

    explicit CSetupDlg(QWidget* parent = nullptr);
    ~CSetupDlg() override;

    // What the next showing starts from.
    void SetValues(const SetupValues& values) { m_values = values; }
    // What the operator chose: after OK everything, otherwise only the preset file chosen.
    SetupValues values() const { return m_values; }

    // Where "&Save" and "&Open" get their file name; the real file dialog unless replaced.
    void SetFileChooser(PresetFileChooser chooser) { m_fileChooser = std::move(chooser); }

    // Where the serial devices offered after COM1..COM10 are looked for at each opening.
    void SetDiscoveryRoots(DiscoveryRoots roots) { m_discoveryRoots = std::move(roots); }

    // The control with this id (1 OK, 2 CLOSE, IDC_COMBO_PORT ...); statics are not found.
    QWidget* Control(int id) const;
    // The id of the control the widget is or lies in (IDC_STATIC for a static), 0 for none.
    int ControlId(const QWidget* widget) const;

    // OK and Enter accept; CLOSE, Escape and the close box reject.
    void accept() override;

    // The file name line as shown.
    const QString& FileNameShown() const { return m_strFileName; }

protected:
    void showEvent(QShowEvent* event) override;

    // Values to controls (false) or controls to values (true).
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

    SetupValues m_values;
    // Every control with its id, in creation and tab order.
    std::vector<std::pair<int, QWidget*>> m_controls;
    CColorPicker* m_btnCh = nullptr;
    CColorPicker* m_btnSlideR = nullptr;
    CColorPicker* m_btnSlideL = nullptr;
    QComboBox* m_comboPort = nullptr;
    QLabel* m_staticFileName = nullptr;
    QString m_strFileName;
    QCheckBox* m_checkAllOff = nullptr;
    QWidget* m_firstTabStop = nullptr;
    PresetFileChooser m_fileChooser = RunPresetFileDialog;
    DiscoveryRoots m_discoveryRoots;
};
