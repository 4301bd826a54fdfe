#include "ui/color/CColorPicker.h"
#include "ui/dialogs/CSetupDlg.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <QShowEvent>

void CSetupDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A window system's own show (after being minimised) is not a new opening.
    if (!event->spontaneous())
        OnInitDialog();
}

void CSetupDlg::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        m_values.m_strPortText = ChosenPort();
        m_strFileName = m_staticFileName->text();
        m_values.m_bAllOff = m_checkAllOff->isChecked();
        return;
    }
    SelectPort();
    m_staticFileName->setText(m_strFileName);
    m_checkAllOff->setChecked(m_values.m_bAllOff);
}

// The first list item that begins with the port text, case ignored, so "COM1" picks COM1 and
// not COM10 and "com3" picks COM3; a name that begins no item stays as typed. A listed device is
// known by its full path too, which is what the settings keep of it.
void CSetupDlg::SelectPort() {
    for (int i = 0; i < m_comboPort->count(); ++i) {
        const QString item = m_comboPort->itemText(i);
        const QString path = m_comboPort->itemData(i).toString();
        if (item.startsWith(m_values.m_strPortText, Qt::CaseInsensitive) ||
            (!path.isEmpty() && path.startsWith(m_values.m_strPortText, Qt::CaseInsensitive))) {
            m_comboPort->setCurrentIndex(i);
            m_comboPort->setEditText(item);
            return;
        }
    }
    m_comboPort->setCurrentIndex(-1);
    m_comboPort->setEditText(m_values.m_strPortText);
}

void CSetupDlg::ListPorts() {
    while (m_comboPort->count() > kComPorts.size())
        m_comboPort->removeItem(m_comboPort->count() - 1);
    for (const DiscoveredPort& port : DiscoverPorts(m_discoveryRoots))
        m_comboPort->addItem(port.label, port.path);
    // The field keeps the template's width; the dropped list shows whole names.
    m_comboPort->view()->setMinimumWidth(
        m_comboPort->view()->sizeHintForColumn(0) +
        m_comboPort->view()->verticalScrollBar()->sizeHint().width());
}

QString CSetupDlg::ChosenPort() const {
    const QString text = m_comboPort->currentText();
    const int index = m_comboPort->currentIndex();
    // An item's text edited afterwards is typed text, not the device.
    if (index >= 0 && m_comboPort->itemText(index) == text) {
        const QString path = m_comboPort->itemData(index).toString();
        if (!path.isEmpty())
            return path;
    }
    return text;
}

bool CSetupDlg::OnInitDialog() {
    ListPorts();
    DoDataExchange(false);
    m_btnSlideL->SetFillColor(m_values.m_colorSlideL);
    m_btnSlideR->SetFillColor(m_values.m_colorSlideR);
    m_btnCh->SetFillColor(m_values.m_colorCh);
    m_strFileName = m_values.m_presetPath;
    m_values.m_presetAction = PresetAction::None;
    DoDataExchange(false);
    // Reused: Qt would give the focus back to whatever had it when the dialog last closed.
    m_firstTabStop->setFocus(Qt::TabFocusReason);
    return true;
}

void CSetupDlg::accept() {
    OnOK();
}

void CSetupDlg::OnOK() {
    m_values.m_colorSlideL = m_btnSlideL->FillColor();
    m_values.m_colorSlideR = m_btnSlideR->FillColor();
    m_values.m_colorCh = m_btnCh->FillColor();
    DoDataExchange(true);
    QDialog::accept();
}

// Only the file name is shown again after a file dialog: the port and the all-off box keep what
// the operator has chosen in this showing.
void CSetupDlg::OnSave() {
    const QString chosen = m_fileChooser(this, PresetFileMode::Save);
    if (!chosen.isEmpty()) {
        // Exact case: "night.QVD" still gets its ".qvd", "myqvd" does not.
        m_values.m_presetPath =
            chosen.right(3) == QLatin1String("qvd") ? chosen : chosen + QStringLiteral(".qvd");
        m_strFileName = m_values.m_presetPath;
        m_values.m_presetAction = PresetAction::Save;
    }
    m_staticFileName->setText(m_strFileName);
}

void CSetupDlg::OnOpen() {
    const QString chosen = m_fileChooser(this, PresetFileMode::Open);
    if (!chosen.isEmpty()) {
        m_values.m_presetPath = chosen;
        m_strFileName = m_values.m_presetPath;
        m_values.m_presetAction = PresetAction::Load;
    }
    m_staticFileName->setText(m_strFileName);
}
