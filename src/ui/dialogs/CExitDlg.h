#pragma once

#include <QDialog>

// "Program Exit??" confirmation: OK ends with 1, Cancel (and Esc, and the close box) with 2.
class CExitDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kResultOk = 1;
    static constexpr int kResultCancel = 2;

    explicit CExitDlg(QWidget* parent = nullptr);

    void reject() override { done(kResultCancel); }
};
