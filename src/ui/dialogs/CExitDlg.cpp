#include "ui/dialogs/CExitDlg.h"

#include "ui/dialogs/DialogUnits.h"
#include "ui/dialogs/KoreanFont.h"

#include <QLabel>
#include <QPushButton>

CExitDlg::CExitDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Exit"));
    setFont(KoreanFont(12));
    const DialogUnits du(font());
    setFixedSize(du.X(187), du.Y(50));

    auto* text = new QLabel(QStringLiteral("Program Exit??"), this);
    text->setGeometry(du.Rect(15, 15, 110, 8).adjusted(0, 0, 0, du.Y(4)));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(du.Rect(130, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { done(kResultOk); });

    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setGeometry(du.Rect(130, 24, 50, 14));
    connect(cancel, &QPushButton::clicked, this, [this] { done(kResultCancel); });
}
