// The main window with two scenes stored, then either its menu open ("menu") or a scene gliding
// in over six seconds ("fade"). For looking at them under a real X server; not part of the test
// suite. The settings come from $XDG_CONFIG_HOME as for the program itself.
#include "app/CMainFrame.h"
#include "session/DeviceSession.h"
#include "ui/view/CMorvixView.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("menu");

    DeviceSession session;
    CMainFrame frame(session);
    CMorvixView& view = frame.View();
    view.OnInitialUpdate();
    frame.move(40, 40);
    frame.show();

    // Scene 1 as the settings have it, scene 3 every channel on at full level, gliding in 6 s.
    session.StoreScene(1);
    session.SetSceneFadeTime(1, 2.0);
    const ChannelModel standing = session.Channels();
    ChannelModel allOn = standing;
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        allOn.SetLevel(c, 255);
        allOn.SetOn(c, true);
    }
    session.RestoreChannels(allOn);
    session.StoreScene(3);
    session.SetSceneFadeTime(3, 6.0);
    session.RestoreChannels(standing);

    QTimer::singleShot(800, &view, [&] {
        if (what == QLatin1String("fade"))
            session.RecallScene(3);
        else
            view.ShowPanelMenu(view.mapToGlobal(QPoint(300, 120)));
    });
    return app.exec();
}
