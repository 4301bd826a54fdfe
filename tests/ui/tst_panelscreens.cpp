#include "HostedPanel.h"
#include "session/DeviceSession.h"
#include "ui/view/CMorvixView.h"
#include "ui/view/PanelElements.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Side by side: a plain screen and one with two device pixels to the panel's pixel.
constexpr char kScreens[] = R"({"screens": [
    {"name": "plain", "x": 0, "y": 0, "width": 800, "height": 600,
     "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1},
    {"name": "dense", "x": 800, "y": 0, "width": 800, "height": 600,
     "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 2}]})";

QScreen* ScreenNamed(const QString& name) {
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->name() == name)
            return screen;
    return nullptr;
}

} // namespace

// The panel's window moved from screen to screen while nothing on the panel changes.
class tst_PanelScreens : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void movedToAnotherScreen_paintsAtItsRatio() {
        QScreen* plain = ScreenNamed(QStringLiteral("plain"));
        QScreen* dense = ScreenNamed(QStringLiteral("dense"));
        QVERIFY(plain && dense);
        DeviceSession session;
        CMorvixView view(session);
        PanelController& panel = view.Panel();
        panel.ResetState();
        panel.Session().Settings().SetPortName(QStringLiteral("COM1"));
        EditChannels(panel, [&](ChannelModel& m) {
            m.SetPower(2, 1);
            m.SetLevel(2, 77);
        });
        const PanelLook look = PanelLook::Of(panel);

        view.move(plain->geometry().topLeft() + QPoint(20, 20));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        panel.MarkRedrawPending();
        view.update();
        QTRY_VERIFY(!panel.RedrawPending());
        QCOMPARE(view.Renderer().DevicePixelRatio(), 1.0);

        for (const auto& [screen, ratio] : {std::pair{dense, 2.0}, std::pair{plain, 1.0}}) {
            view.move(screen->geometry().topLeft() + QPoint(20, 20));
            QTRY_COMPARE(view.screen(), screen);
            QTRY_COMPARE(view.Renderer().DevicePixelRatio(), ratio);
            QTRY_VERIFY(!panel.RedrawPending());
            QCOMPARE(view.Renderer().Canvas(), PanelElements::RenderUncached(look, ratio));
        }
    }
};

int main(int argc, char** argv) {
    QTemporaryDir dir;
    QFile config(dir.filePath(QStringLiteral("screens.json")));
    if (!dir.isValid() || !config.open(QIODevice::WriteOnly) || config.write(kScreens) < 0)
        return 2;
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config.fileName()));
    QApplication app(argc, argv);
    tst_PanelScreens test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_panelscreens.moc"
