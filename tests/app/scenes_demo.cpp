// The main window with two scenes stored, then either its menu open ("menu") or a scene gliding
// in over six seconds ("fade"). For looking at them under a real X server; not part of the test
// suite. The settings come from $XDG_CONFIG_HOME as for the program itself.
#include "HostedPanel.h"
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
    PanelController& panel = view.Panel();
    view.OnInitialUpdate();
    frame.move(40, 40);
    frame.show();

    // Scene 1 as the settings have it, scene 3 every channel on at full level, gliding in 6 s.
    panel.Session().StoreScene(1);
    panel.Session().Scenes().SetFadeTime(1, 2.0);
    const ChannelModel standing = panel.Channels();
    EditChannels(panel, [](ChannelModel& m) {
        for (int c = 0; c < CHANNEL_COUNT; ++c) {
            m.SetLevel(c, 255);
            m.SetOn(c, true);
        }
    });
    panel.Session().StoreScene(3);
    panel.Session().Scenes().SetFadeTime(3, 6.0);
    panel.Session().RestoreChannels(standing);

    QTimer::singleShot(800, &view, [&] {
        if (what == QLatin1String("fade"))
            panel.Session().RecallScene(3);
        else
            view.ShowPanelMenu(view.mapToGlobal(QPoint(300, 120)));
    });
    return app.exec();
}
