#include "ui/dialogs/CAboutDlg.h"

#include "model/Version.h"
#include "ui/dialogs/DialogUnits.h"
#include "ui/dialogs/KoreanFont.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Morvix"));
    QFont font = KoreanFont(9);
    font.setFamilies({QStringLiteral("굴림"), QStringLiteral("Gulim"),
                      QStringLiteral("NanumGothic"), QStringLiteral("Noto Sans CJK KR")});
    setFont(font);
    const DialogUnits du(font);
    setFixedSize(du.X(235), du.Y(55));

    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    icon->setGeometry(du.X(11), du.Y(17), 32, 32);

    auto* title = new QLabel(tr("Morvix V%1").arg(QLatin1String(kMorvixVersion)), this);
    title->setTextFormat(Qt::PlainText);
    title->setGeometry(du.Rect(40, 10, 119, 8).adjusted(0, 0, 0, du.Y(2)));

    auto* second = new QLabel(tr("Eight-channel level controller panel"), this);
    second->setTextFormat(Qt::PlainText);
    second->setGeometry(du.Rect(40, 25, 140, 8).adjusted(0, 0, 0, du.Y(2)));

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setGeometry(du.Rect(178, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
