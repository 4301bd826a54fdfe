#include "ui/dialogs/CExitDlg.h"

#include "ui/dialogs/DialogUnits.h"
#include "ui/dialogs/KoreanFont.h"

#include <QLabel>
#include <QPushButton>

CExitDlg::CExitDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Exit"));
    setFont(KoreanFont(12));
    const DialogUnits du(font());
    setFixedSize(du.X(187), du.Y(50));

    auto* text = new QLabel(tr("Program Exit??"), this);
    text->setGeometry(du.Rect(15, 15, 110, 8).adjusted(0, 0, 0, du.Y(4)));

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setGeometry(du.Rect(130, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setGeometry(du.Rect(130, 24, 50, 14));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}
