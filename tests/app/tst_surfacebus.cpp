#include "ProgramRun.h"
#include "TempConfigHome.h"
#include "app/CMainFrame.h"
#include "app/SurfaceBridge.h"
#include "scripting/PanelBusService.h"
#include "session/DeviceSession.h"
#include "surface/ControlSurface.h"
#include "surface/SurfaceChoice.h"

#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

ProgramRun Ctl(const QStringList& args) {
    return RunProgram(CtlPath(), args);
}

// The panel's window, its surface and the bus, as the application puts them together; the
// settings folder holds the bench's surface.ini.
struct SurfacePanel {
    SurfacePanel() {
        session.BuildPaths();
        QFile ini(SurfaceIniPath(session.Settings().FolderPath()));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[surface]\nPort=Fader Box:Faders\nProfile=generic\nPickUp=0\n");
        ini.close();
        bridge.Start();
        service.SetSurfacePort(&bridge);
    }
    QString IniText() const {
        QFile ini(SurfaceIniPath(home.settingsFolder()));
        return ini.open(QIODevice::ReadOnly) ? QString::fromUtf8(ini.readAll()) : QString();
    }

    TempConfigHome home;
    DeviceSession session;
    CMainFrame frame{session};
    SurfaceBridge bridge{session, frame};
    PanelBusService service{session};
};

} // namespace

// The surface chosen from a script: what morvix-ctl prints and answers, and what surface.ini
// holds afterwards. No sequencer is needed: without one the choice is still kept and said.
class tst_SurfaceBus : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void start_readsTheFile_paneSaysWhere() {
        SurfacePanel panel;
        QCOMPARE(panel.bridge.Surface().Choice().port, QStringLiteral("Fader Box:Faders"));
        QCOMPARE(panel.bridge.Surface().Choice().pickUp, false);
        // No sequencer here; with one, the box is not plugged in.
        const QString pane = panel.bridge.PaneText();
        QVERIFY2(pane == "fader box: no MIDI" || pane == "fader box: unplugged", qPrintable(pane));
    }

    void ctl_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("iniHas");
        QTest::newRow("use with a profile")
            << QStringList{"surface", "use", "nanoKONTROL2:nanoKONTROL2 _ CTRL", "nanokontrol2"}
            << 0 << ""
            << "Port=nanoKONTROL2:nanoKONTROL2 _ CTRL\nProfile=nanokontrol2";
        QTest::newRow("use keeps the profile and its pick-up")
            << QStringList{"surface", "use", "Box:Port"} << 0 << ""
            << "PickUp=0\nPort=Box:Port\nProfile=generic";
        QTest::newRow("a profile that is none refuses and changes nothing")
            << QStringList{"surface", "use", "Box:Port", "bcf9000"} << 1
            << "profile must be one of generic"
            << "Port=Fader Box:Faders";
        QTest::newRow("a port without its client refuses and changes nothing")
            << QStringList{"surface", "use", "Faders"} << 1 << "client name:port name"
            << "Port=Fader Box:Faders";
        QTest::newRow("off") << QStringList{"surface", "off"} << 0 << ""
                             << "Port=\n";
    }
    void ctl() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        QFETCH(QString, iniHas);
        SurfacePanel panel;
        QVERIFY(panel.service.Register(QDBusConnection::sessionBus()));
        const ProgramRun run = Ctl(args);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(said.toUtf8()), run.err.constData());
        QVERIFY2(panel.IniText().contains(iniHas), qPrintable(panel.IniText()));
    }

    // "surface" prints the choice whether or not there is a sequencer to list ports from.
    void ctlSurface_printsTheChoice() {
        SurfacePanel panel;
        QVERIFY(panel.service.Register(QDBusConnection::sessionBus()));
        const ProgramRun run = Ctl({"surface"});
        QVERIFY2(run.out.startsWith("surface: \"Fader Box:Faders\" generic, pick-up off: "),
                 run.out.constData());
        QVERIFY(run.exitCode == 0 || run.err.contains("ALSA sequencer"));
    }

    // A panel built without a surface answers the surface's calls with an error.
    void noSurface_clearError() {
        TempConfigHome home;
        DeviceSession session;
        PanelBusService service(session);
        QVERIFY(service.Register(QDBusConnection::sessionBus()));
        const ProgramRun run = Ctl({"surface", "use", "Box:Port"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("no control surface"), run.err.constData());
        QCOMPARE(Ctl({"surface", "off"}).exitCode, 1);
    }
};

QTEST_MAIN(tst_SurfaceBus)
#include "tst_surfacebus.moc"
