#include "scripting/CtlArguments.h"

#include <QtTest>

Q_DECLARE_METATYPE(CtlRequest)

using Command = CtlRequest::Command;

namespace {
CtlRequest Want(Command command, int channel = 0) {
    CtlRequest r;
    r.command = command;
    r.channel = channel;
    return r;
}
} // namespace

// morvix-ctl decides everything before it talks to the panel: one row per command line.
class tst_CtlArguments : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void goodLines_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<CtlRequest>("expected");
        auto set = [](int ch, bool on) {
            CtlRequest r = Want(Command::Set, ch);
            r.on = on;
            return r;
        };
        CtlRequest setWithLevel = set(3, true);
        setWithLevel.hasLevel = true;
        setWithLevel.level = 128;
        CtlRequest setZero = set(8, false);
        setZero.hasLevel = true;
        CtlRequest level = Want(Command::Level, 1);
        level.hasLevel = true;
        level.level = 255;
        CtlRequest stepDown = Want(Command::Step, 2);
        stepDown.delta = -10;
        CtlRequest stepUp = Want(Command::Step, 2);
        stepUp.delta = 255;
        CtlRequest json = Want(Command::Get);
        json.json = true;
        CtlRequest preset = Want(Command::Preset);
        preset.path = "night.qvd";
        CtlRequest fadeFile = Want(Command::FadeToPreset);
        fadeFile.path = "night.qvd";
        fadeFile.seconds = 2.5;
        fadeFile.wait = true;
        CtlRequest fadeOne = Want(Command::FadeChannel, 4);
        fadeOne.hasLevel = true;
        fadeOne.seconds = 0.5;
        CtlRequest scene = Want(Command::Scene);
        scene.slot = 8;
        CtlRequest store = Want(Command::StoreScene);
        store.slot = 1;

        QTest::newRow("help") << QStringList{"--help"} << Want(Command::Help);
        QTest::newRow("help wins over a bad line")
            << QStringList{"set", "99", "-h"} << Want(Command::Help);
        QTest::newRow("get") << QStringList{"get"} << Want(Command::Get);
        QTest::newRow("get --json") << QStringList{"get", "--json"} << json;
        QTest::newRow("--json first") << QStringList{"--json", "get"} << json;
        QTest::newRow("set on, level kept") << QStringList{"set", "1", "on"} << set(1, true);
        QTest::newRow("set with level") << QStringList{"set", "3", "on", "128"} << setWithLevel;
        QTest::newRow("set off at 0, channel 8") << QStringList{"set", "8", "off", "0"} << setZero;
        QTest::newRow("level 255") << QStringList{"level", "1", "255"} << level;
        QTest::newRow("step -10") << QStringList{"step", "2", "-10"} << stepDown;
        QTest::newRow("step +255") << QStringList{"step", "2", "+255"} << stepUp;
        QTest::newRow("off") << QStringList{"off"} << Want(Command::Off);
        QTest::newRow("preset") << QStringList{"preset", "night.qvd"} << preset;
        QTest::newRow("status") << QStringList{"status"} << Want(Command::Status);
        QTest::newRow("watch") << QStringList{"watch"} << Want(Command::Watch);
        QTest::newRow("fade to a preset, waiting")
            << QStringList{"fade", "night.qvd", "2.5", "--wait"} << fadeFile;
        QTest::newRow("fade one channel to 0") << QStringList{"fade", "4", "0", ".5"} << fadeOne;
        QTest::newRow("scene 8") << QStringList{"scene", "8"} << scene;
        QTest::newRow("scene store 1") << QStringList{"scene", "store", "1"} << store;
        QTest::newRow("stop") << QStringList{"stop"} << Want(Command::StopFade);
        CtlRequest use = Want(Command::SurfaceUse);
        use.port = "Fader Box:Faders";
        CtlRequest useProfile = use;
        useProfile.profile = "mackie";
        QTest::newRow("surface") << QStringList{"surface"} << Want(Command::Surface);
        QTest::newRow("surface use, profile kept")
            << QStringList{"surface", "use", "Fader Box:Faders"} << use;
        QTest::newRow("surface use with profile")
            << QStringList{"surface", "use", "Fader Box:Faders", "mackie"} << useProfile;
        QTest::newRow("surface off") << QStringList{"surface", "off"} << Want(Command::SurfaceOff);
        CtlRequest remoteLan = Want(Command::RemoteOn);
        remoteLan.lan = true;
        QTest::newRow("remote") << QStringList{"remote"} << Want(Command::RemoteStatus);
        QTest::newRow("remote on") << QStringList{"remote", "on"} << Want(Command::RemoteOn);
        QTest::newRow("remote on --lan") << QStringList{"remote", "on", "--lan"} << remoteLan;
        QTest::newRow("--lan first") << QStringList{"--lan", "remote", "on"} << remoteLan;
        QTest::newRow("remote off") << QStringList{"remote", "off"} << Want(Command::RemoteOff);
        QTest::newRow("remote new-link")
            << QStringList{"remote", "new-link"} << Want(Command::RemoteNewLink);
    }
    void goodLines() {
        QFETCH(QStringList, args);
        QFETCH(CtlRequest, expected);
        const CtlRequest got = ParseCtlArguments(args);
        QCOMPARE(got.error, QString());
        QVERIFY(got == expected);
    }

    // Each refusal names what was wrong, so a script's author can mend the line.
    void badLines_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("error");
        QTest::newRow("nothing") << QStringList{} << "command missing";
        QTest::newRow("unknown command") << QStringList{"dim"} << "unknown command \"dim\"";
        QTest::newRow("unknown option") << QStringList{"get", "--xml"} << "unknown option";
        QTest::newRow("json with set") << QStringList{"set", "1", "on", "--json"} << "--json";
        QTest::newRow("channel 0") << QStringList{"set", "0", "on"} << "channel must be 1..8";
        QTest::newRow("channel 9") << QStringList{"level", "9", "5"} << "channel must be 1..8";
        QTest::newRow("channel not a number")
            << QStringList{"set", "x", "on"} << "channel must be a number";
        QTest::newRow("channel in hex")
            << QStringList{"set", "0x3", "on"} << "channel must be a number";
        QTest::newRow("switch") << QStringList{"set", "1", "1"} << "switch must be on or off";
        QTest::newRow("level 256")
            << QStringList{"set", "1", "on", "256"} << "level must be 0..255, not 256";
        QTest::newRow("level -1") << QStringList{"level", "1", "-1"} << "level must be 0..255";
        QTest::newRow("level huge")
            << QStringList{"level", "1", "99999999999"} << "level must be a number";
        QTest::newRow("level with unit")
            << QStringList{"level", "1", "50%"} << "level must be a number";
        QTest::newRow("level missing") << QStringList{"level", "1"} << "usage: morvix-ctl level";
        QTest::newRow("too many") << QStringList{"set", "1", "on", "5", "6"}
                                  << "usage: morvix-ctl set";
        QTest::newRow("step without sign") << QStringList{"step", "1", "5"} << "+N or -N";
        QTest::newRow("step too far")
            << QStringList{"step", "1", "+256"} << "delta must be -255..255";
        QTest::newRow("step sign only") << QStringList{"step", "1", "+"} << "step must be a number";
        QTest::newRow("off takes nothing") << QStringList{"off", "3"} << "usage: morvix-ctl off";
        QTest::newRow("preset empty") << QStringList{"preset", ""} << "preset file name";
        QTest::newRow("fade seconds missing")
            << QStringList{"fade", "a.qvd"} << "usage: morvix-ctl fade";
        QTest::newRow("fade negative")
            << QStringList{"fade", "a.qvd", "-1"} << "seconds must be a number";
        QTest::newRow("fade too long")
            << QStringList{"fade", "a.qvd", "3600.1"} << "seconds must be 0..3600, not 3600.1";
        QTest::newRow("fade seconds with unit")
            << QStringList{"fade", "1", "9", "2s"} << "seconds must be a number, not \"2s\"";
        QTest::newRow("fade exponent")
            << QStringList{"fade", "1", "9", "1e3"} << "seconds must be a number";
        QTest::newRow("fade channel 9")
            << QStringList{"fade", "9", "0", "1"} << "channel must be 1..8";
        QTest::newRow("fade level 256")
            << QStringList{"fade", "1", "256", "1"} << "level must be 0..255";
        QTest::newRow("scene 0") << QStringList{"scene", "0"} << "scene must be 1..8, not 0";
        QTest::newRow("scene store without slot")
            << QStringList{"scene", "store"} << "usage: morvix-ctl scene";
        QTest::newRow("scene two slots")
            << QStringList{"scene", "1", "2"} << "usage: morvix-ctl scene";
        QTest::newRow("wait with store")
            << QStringList{"scene", "store", "2", "--wait"} << "--wait goes with fade and scene";
        QTest::newRow("wait with set") << QStringList{"set", "1", "on", "--wait"} << "--wait";
        QTest::newRow("stop takes nothing") << QStringList{"stop", "1"} << "usage: morvix-ctl stop";
        QTest::newRow("surface use without port")
            << QStringList{"surface", "use"} << "usage: morvix-ctl surface";
        QTest::newRow("surface use, blank port")
            << QStringList{"surface", "use", " "} << "port name is empty";
        QTest::newRow("surface off with more")
            << QStringList{"surface", "off", "now"} << "usage: morvix-ctl surface";
        QTest::newRow("surface, unknown word")
            << QStringList{"surface", "list"} << "usage: morvix-ctl surface";
        QTest::newRow("remote what") << QStringList{"remote", "up"} << "usage: morvix-ctl remote";
        QTest::newRow("remote on twice")
            << QStringList{"remote", "on", "on"} << "usage: morvix-ctl remote";
        QTest::newRow("lan with remote off")
            << QStringList{"remote", "off", "--lan"} << "--lan goes with remote on only";
        QTest::newRow("lan alone with remote")
            << QStringList{"remote", "--lan"} << "--lan goes with remote on only";
        QTest::newRow("lan with set") << QStringList{"set", "1", "on", "--lan"} << "--lan";
        QTest::newRow("wait with remote") << QStringList{"remote", "on", "--wait"} << "--wait";
    }
    void badLines() {
        QFETCH(QStringList, args);
        QFETCH(QString, error);
        const CtlRequest got = ParseCtlArguments(args);
        QVERIFY2(got.error.contains(error), qPrintable(got.error));
    }
};

QTEST_APPLESS_MAIN(tst_CtlArguments)
#include "tst_ctlarguments.moc"
