#pragma once

#include <QDialog>

// "Program Exit??" confirmation: OK accepts; Cancel, Esc and the close box reject.
class CExitDlg : public QDialog {
    Q_OBJECT

public:
    explicit CExitDlg(QWidget* parent = nullptr);
};
