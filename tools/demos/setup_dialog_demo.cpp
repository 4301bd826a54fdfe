// Shows the Setup dialog and writes, into the folder given as the first argument, two pictures
// to hold against a screenshot: template.png, the rectangles of the Setup layout drawn from dialog
// units, and overlay.png, the dialog as painted with those rectangles on top. With "dropped" as
// the second argument the port list is dropped down, to hold against the combo box's rectangle.
// Not a test.
#include "model/ColorRef.h"
#include "ui/dialogs/CSetupDlg.h"
#include "ui/dialogs/DialogUnits.h"
#include "ui/dialogs/KoreanFont.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTimer>

namespace {

struct Box {
    const char* name;
    int x, y, width, height;
};

// Written out from the template's table, apart from the dialog's code.
const Box kBoxes[] = {
    {"OK", 143, 7, 50, 25},
    {"CLOSE", 143, 35, 50, 25},
    {"1001", 75, 10, 50, 100},
    {"COM PORT :", 12, 11, 42, 8},
    {"1003", 75, 25, 50, 12},
    {"1009", 75, 45, 50, 12},
    {"1010", 74, 66, 50, 12},
    {"FileName", 15, 117, 178, 26},
    {"&Save", 15, 100, 50, 12},
    {"&Open", 75, 100, 50, 12},
    {"Color (Slide L) :", 12, 25, 53, 8},
    {"Color (Slide R) :", 12, 45, 53, 8},
    {"Color (Ch') :", 12, 65, 41, 8},
    {"1~8 Ch' Off (0, OFF)", 12, 85, 82, 10},
};

void DrawBoxes(QPainter& p, const DialogUnits& du, bool withNames) {
    p.setBrush(Qt::NoBrush);
    for (const Box& b : kBoxes) {
        const QRect r = du.Rect(b.x, b.y, b.width, b.height);
        p.setPen(QPen(QColor(220, 0, 0), 1));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        if (withNames) {
            p.setPen(QColor(0, 0, 160));
            p.drawText(r.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                       QString::fromUtf8(b.name));
        }
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(folder);

    CSetupDlg dialog;
    SetupValues values;
    values.m_strPortText = QStringLiteral("com3");
    values.m_colorSlideL = MakeColorRef(0, 0, 255);
    values.m_colorSlideR = MakeColorRef(255, 0, 0);
    values.m_colorCh = CLR_DEFAULT;
    values.m_presetPath = QStringLiteral("NULL");
    dialog.SetValues(values);
    dialog.move(40, 40);
    dialog.show();

    const DialogUnits du(KoreanFont(12));
    QImage layout(du.X(200), du.Y(150), QImage::Format_RGB32);
    layout.fill(QColor(240, 240, 240));
    {
        QPainter p(&layout);
        p.setFont(KoreanFont(12));
        DrawBoxes(p, du, true);
    }
    layout.save(folder + QStringLiteral("/template.png"));

    QTimer::singleShot(1000, &dialog, [&] {
        QImage shot = dialog.grab().toImage();
        {
            QPainter p(&shot);
            DrawBoxes(p, du, false);
        }
        shot.save(folder + QStringLiteral("/overlay.png"));
    });
    if (argc > 2 && QByteArrayView(argv[2]) == "dropped")
        QTimer::singleShot(300, &dialog, [&] {
            static_cast<QComboBox*>(dialog.Control(CSetupDlg::IDC_COMBO_PORT))->showPopup();
        });
    QTimer::singleShot(15000, &app, &QApplication::quit);
    return app.exec();
}
