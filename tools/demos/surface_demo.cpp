// The main window with a control surface chosen: "marks" plays a few fader moves into the
// surface's rules (as if a nanoKONTROL2 sent them) so that pick-up marks show; "dialog" opens
// "Control surface…". For looking at them under a real X server; not part of the test suite.
#include "app/CMainFrame.h"
#include "app/SurfaceBridge.h"
#include "session/DeviceSession.h"
#include "surface/ControlSurface.h"
#include "ui/view/CMorvixView.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

namespace {

// No device here: the port's message goes to stderr instead of a box over the panel.
class QuietPrompts : public OperatorPrompts {
public:
    void ShowMessage(const QString& text, const QString&) override {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
    bool AskYesNo(const QString&, const QString&) override { return false; }
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("marks");

    DeviceSession session;
    CMainFrame frame(session);
    CMorvixView& view = frame.View();
    QuietPrompts quiet;
    session.SetPrompts(&quiet);
    view.OnInitialUpdate();
    SurfaceBridge bridge(session, frame);
    bridge.Start();
    SurfaceChoice choice;
    choice.port = QStringLiteral("nanoKONTROL2:nanoKONTROL2 _ CTRL");
    choice.profile = QStringLiteral("nanokontrol2");
    choice.pickUp = true;
    bridge.Surface().Apply(choice);
    frame.move(40, 40);
    frame.show();

    QTimer::singleShot(500, &view, [&] {
        if (what == QLatin1String("dialog")) {
            bridge.OpenDialog();
            return;
        }
        for (int c = 0; c < CHANNEL_COUNT; ++c)
            session.Request(SessionRequest::Set(c + 1, c % 2 == 0, 60 + 20 * c),
                            ChangeOrigin{ChangeOrigin::Kind::Script, 1});
        SurfaceEngine& engine = bridge.Surface().Engine();
        engine.Connect();
        // Channels 1 and 2 below their levels, 4 above, 3 caught; the rest not touched yet.
        const int faders[][2] = {{0, 5}, {1, 10}, {2, 50}, {3, 127}};
        for (const auto& [fader, value] : faders)
            engine.Receive({MidiEvent::Type::ControlChange, 0, fader, value});
    });
    return app.exec();
}
