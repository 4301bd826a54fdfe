#include "ui/dialogs/PresetFileDialog.h"

#include <QCoreApplication>
#include <QFileDialog>

QString RunPresetFileDialog(QWidget* parent, PresetFileMode mode) {
    QFileDialog dialog(parent);
    // The same widgets on every desktop, and the ones the tests drive.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode == PresetFileMode::Save ? QFileDialog::AcceptSave
                                                      : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QCoreApplication::translate("PresetFileDialog", "Morvix 파일(*.qvd)"));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}
