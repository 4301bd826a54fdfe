#include "settings/CSetupDlg.h"
#include "widgets/CColorPicker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QShowEvent>

void CSetupDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A window system's own show (after being minimised) is not a new opening.
    if (!event->spontaneous())
        OnInitDialog();
}

void CSetupDlg::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        m_strPortText = m_comboPort->currentText();
        m_strFileName = m_staticFileName->text();
        m_bAllOff = m_checkAllOff->isChecked() ? 1 : 0;
        return;
    }
    SelectPort();
    m_staticFileName->setText(m_strFileName);
    m_checkAllOff->setChecked(m_bAllOff != 0);
}

// The first list item that begins with the port text, case ignored, so "COM1" picks COM1 and
// not COM10 and "com3" picks COM3; a name that begins no item stays as typed.
void CSetupDlg::SelectPort() {
    for (int i = 0; i < m_comboPort->count(); ++i) {
        const QString item = m_comboPort->itemText(i);
        if (item.startsWith(m_strPortText, Qt::CaseInsensitive)) {
            m_comboPort->setCurrentIndex(i);
            m_comboPort->setEditText(item);
            return;
        }
    }
    m_comboPort->setCurrentIndex(-1);
    m_comboPort->setEditText(m_strPortText);
}

bool CSetupDlg::OnInitDialog() {
    DoDataExchange(false);
    m_btnSlideL->SetFillColor(m_colorSlideL);
    m_btnSlideR->SetFillColor(m_colorSlideR);
    m_btnCh->SetFillColor(m_colorCh);
    m_strFileName = m_presetPath;
    m_presetAction = PRESET_NONE;
    DoDataExchange(false);
    // Reused: Qt would give the focus back to whatever had it when the dialog last closed.
    m_firstTabStop->setFocus(Qt::TabFocusReason);
    return true;
}

void CSetupDlg::accept() {
    OnOK();
}

void CSetupDlg::OnOK() {
    m_colorSlideL = m_btnSlideL->FillColor();
    m_colorSlideR = m_btnSlideR->FillColor();
    m_colorCh = m_btnCh->FillColor();
    DoDataExchange(true);
    done(kResultOk);
}

// Only the file name is shown again after a file dialog: the port and the all-off box keep what
// the operator has chosen in this showing.
void CSetupDlg::OnSave() {
    const QString chosen = m_fileChooser(this, PresetFileMode::Save);
    if (!chosen.isEmpty()) {
        // Exact case: "night.QVD" still gets its ".qvd", "myqvd" does not.
        m_presetPath =
            chosen.right(3) == QLatin1String("qvd") ? chosen : chosen + QStringLiteral(".qvd");
        m_strFileName = m_presetPath;
        m_presetAction = PRESET_SAVE;
    }
    m_staticFileName->setText(m_strFileName);
}

void CSetupDlg::OnOpen() {
    const QString chosen = m_fileChooser(this, PresetFileMode::Open);
    if (!chosen.isEmpty()) {
        m_presetPath = chosen;
        m_strFileName = m_presetPath;
        m_presetAction = PRESET_LOAD;
    }
    m_staticFileName->setText(m_strFileName);
}
