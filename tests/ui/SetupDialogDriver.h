#pragma once

#include "ui/color/CColorPicker.h"
#include "ui/dialogs/CSetupDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

// Drives a CSetupDlg the way the operator does: shown, clicked and typed into.
namespace setup_test {

inline SetupValues Inputs(const QString& port, const QString& presetPath = "NULL") {
    SetupValues values;
    values.m_strPortText = port;
    values.m_presetPath = presetPath;
    return values;
}

// A machine without serial devices, so the list holds the ten COM names only.
inline DiscoveryRoots NoDevices() {
    return {QStringLiteral("/nonexistent/dev"), QStringLiteral("/nonexistent/sys")};
}

// Shows the dialog as RunSetup would fill it; false if it never became the active window.
inline bool OpenDialog(CSetupDlg& dialog, const SetupValues& values,
                       const DiscoveryRoots& roots = NoDevices()) {
    dialog.SetDiscoveryRoots(roots);
    dialog.SetValues(values);
    dialog.show();
    dialog.activateWindow();
    return QTest::qWaitForWindowActive(&dialog);
}

inline void Click(CSetupDlg& dialog, int id) {
    QTest::mouseClick(dialog.Control(id), Qt::LeftButton);
}

inline QComboBox* PortCombo(CSetupDlg& dialog) {
    return qobject_cast<QComboBox*>(dialog.Control(CSetupDlg::IDC_COMBO_PORT));
}

inline QString FileNameText(CSetupDlg& dialog) {
    return qobject_cast<QLabel*>(dialog.Control(CSetupDlg::IDC_FILE_NAME))->text();
}

inline QCheckBox* AllOffBox(CSetupDlg& dialog) {
    return qobject_cast<QCheckBox*>(dialog.Control(CSetupDlg::IDC_ALL_OFF));
}

// Replaces the field's text by typing, as the operator would.
inline void TypePort(CSetupDlg& dialog, const QString& text) {
    QLineEdit* field = PortCombo(dialog)->lineEdit();
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

} // namespace setup_test
