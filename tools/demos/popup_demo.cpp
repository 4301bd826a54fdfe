// Shows a Setup-like dialog with three colour pickers and drops the first one's grid, with the
// pointer resting on a cell so its tooltip shows. For looking at the popup under a real X
// server; not part of the test suite.
#include "ui/color/CColorPicker.h"
#include "ui/color/CColorPopup.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const int hoverCell = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 21;

    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Setup"));
    dialog.setFont(QFont(QStringLiteral("맑은 고딕"), 9));
    auto* grid = new QGridLayout(&dialog);
    const struct {
        const char* label;
        int id;
        ColorRef color;
    } rows[] = {{"Color (Slide L) :", 1003, MakeColorRef(0, 0, 255)},
                {"Color (Slide R) :", 1009, MakeColorRef(255, 0, 0)},
                {"Color (Ch') :", 1010, CLR_DEFAULT}};
    CColorPicker* first = nullptr;
    for (int r = 0; r < 3; ++r) {
        grid->addWidget(new QLabel(QString::fromUtf8(rows[r].label)), r, 0);
        auto* picker = new CColorPicker(rows[r].id, &dialog);
        picker->SetFillColor(rows[r].color);
        grid->addWidget(picker, r, 1);
        if (!first)
            first = picker;
    }
    grid->addWidget(new QLabel(QStringLiteral("포트를 확인하십시요.")), 3, 0, 1, 2);
    grid->setRowStretch(4, 1);
    dialog.resize(360, 260);
    dialog.move(120, 80);
    dialog.show();

    QTimer::singleShot(500, first, [first, hoverCell] {
        first->click();
        auto* popup = qobject_cast<CColorPopup*>(QApplication::activePopupWidget());
        if (!popup)
            return;
        QRect cell;
        if (popup->cellLayout().CellRect(hoverCell, cell))
            QCursor::setPos(popup->mapToGlobal(cell.center()));
    });
    return app.exec();
}
