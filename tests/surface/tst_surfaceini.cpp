#include "TempConfigHome.h"
#include "session/DeviceSession.h"
#include "surface/ControlSurface.h"
#include "surface/SurfaceChoice.h"

#include <QDir>
#include <QFile>
#include <QtTest>

Q_DECLARE_METATYPE(SurfaceChoice)

namespace {

void Write(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

SurfaceChoice Choice(const QString& port, const QString& profile, bool pickUp) {
    SurfaceChoice choice;
    choice.port = port;
    choice.profile = profile;
    choice.pickUp = pickUp;
    return choice;
}

} // namespace

class tst_SurfaceIni : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // One row per file as an operator or a bench may write it: what the surface takes from it,
    // and which lines it names as unusable (each unusable value stays at its default).
    void load_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<SurfaceChoice>("expected");
        QTest::addColumn<QString>("problems");
        SurfaceChoice learned = Choice("nanoKONTROL2:nanoKONTROL2 _ CTRL", "nanokontrol2", true);
        learned.learned.faders[2] = MidiControl::Cc(0, 20);
        learned.learned.switches[7] = MidiControl::Note(1, 60);
        SurfaceChoice bend = Choice("X:Y", "generic", true);
        bend.learned.faders[0] = MidiControl::Bend(15);

        QTest::newRow("no file: no surface") << QByteArray() << SurfaceChoice{} << QString();
        QTest::newRow("the bench's file")
            << QByteArray("[surface]\nPort=Fader Box:Faders\nProfile=generic\nPickUp=0\n")
            << Choice("Fader Box:Faders", "generic", false) << QString();
        QTest::newRow("pick-up follows the profile when not given: motors, none")
            << QByteArray("[surface]\nPort=MCU:Port 1\nProfile=mackie\n")
            << Choice("MCU:Port 1", "mackie", false) << QString();
        QTest::newRow("a colon in the port name stays in the port name")
            << QByteArray("[surface]\nPort=Box:Port: A\n") << Choice("Box:Port: A", "generic", true)
            << QString();
        QTest::newRow("learned controls")
            << QByteArray("[surface]\nPort=nanoKONTROL2:nanoKONTROL2 _ CTRL\n"
                          "Profile=nanokontrol2\nPickUp=1\nFader3=cc/1/20\nSwitch8=note/2/60\n")
            << learned << QString();
        QTest::newRow("bend on channel 16")
            << QByteArray("[surface]\nPort=X:Y\nFader1=bend/16\n") << bend << QString();
        QTest::newRow("unknown profile: generic, and said")
            << QByteArray("[surface]\nPort=X:Y\nProfile=bcf9000\n")
            << Choice("X:Y", "generic", true) << "Profile=bcf9000 is none of generic, nanokontrol2";
        QTest::newRow("pick-up neither 0 nor 1")
            << QByteArray("[surface]\nPort=X:Y\nProfile=mackie\nPickUp=yes\n")
            << Choice("X:Y", "mackie", false) << "PickUp=yes is neither 0 nor 1";
        QTest::newRow("a port without its client name")
            << QByteArray("[surface]\nPort=Faders\n") << SurfaceChoice{}
            << "Port=Faders is not \"client name:port name\"";
        QTest::newRow("learned controls out of range")
            << QByteArray("[surface]\nPort=X:Y\nFader1=cc/17/1\nFader2=cc/1/128\nSwitch1=pc/1/3\n")
            << Choice("X:Y", "generic", true) << "Fader1=cc/17/1 names no control";
    }
    void load() {
        QFETCH(QByteArray, text);
        QFETCH(SurfaceChoice, expected);
        QFETCH(QString, problems);
        TempConfigHome home;
        const QString path = SurfaceIniPath(home.settingsFolder());
        if (!text.isEmpty())
            Write(path, text);
        QStringList said;
        const SurfaceChoice got = LoadSurfaceChoice(path, &said);
        QCOMPARE(got.port, expected.port);
        QCOMPARE(got.profile, expected.profile);
        QCOMPARE(got.pickUp, expected.pickUp);
        QVERIFY(got.learned == expected.learned);
        if (problems.isEmpty())
            QCOMPARE(said, QStringList());
        else
            QVERIFY2(said.join('\n').contains(problems), qPrintable(said.join('\n')));
    }

    // What is written is read back the same, learned controls included.
    void saveThenLoad_sameChoice() {
        TempConfigHome home;
        QDir().mkpath(home.settingsFolder());
        SurfaceChoice choice = Choice("Fader Box:Faders", "apc-mini", false);
        choice.learned.faders[4] = MidiControl::Bend(3);
        choice.learned.switches[0] = MidiControl::Cc(15, 127);
        const QString path = SurfaceIniPath(home.settingsFolder());
        QCOMPARE(SaveSurfaceChoice(path, choice), QString());
        QVERIFY(LoadSurfaceChoice(path) == choice);
    }

    // Choosing, refusing and dropping a surface touch surface.ini only: set.ini stays byte for
    // byte, and a refused choice leaves surface.ini as it was.
    void choices_leaveSetIniAlone_refusalChangesNothing() {
        TempConfigHome home;
        const QByteArray setIni("[set]\r\nPort=/dev/ttyS0\r\n[CH SET]\r\nCH VALUE-0=12\r\n");
        Write(home.settingsFile(), setIni);
        DeviceSession session;
        ControlSurface surface(session);
        surface.Start(home.settingsFolder());
        const QString path = SurfaceIniPath(home.settingsFolder());

        QCOMPARE(surface.Use("Fader Box:Faders", "mackie"), QString());
        const QByteArray chosen = Read(path);
        QVERIFY(chosen.contains("Port=Fader Box:Faders"));
        QVERIFY(chosen.contains("PickUp=0"));
        QCOMPARE(surface.StateText().isEmpty(), false);

        QVERIFY(surface.Use("Fader Box:Faders", "nosuch").contains("profile must be one of"));
        QVERIFY(surface.Use("Faders", QString()).contains("client name:port name"));
        QVERIFY(surface.Use(" ", QString()).contains("client name:port name"));
        QCOMPARE(Read(path), chosen);
        QCOMPARE(surface.Choice().profile, QStringLiteral("mackie"));

        surface.Off();
        QCOMPARE(surface.StateText(), QString());
        QCOMPARE(surface.Summary(), QStringLiteral("off"));
        QCOMPARE(LoadSurfaceChoice(path).port, QString());
        QCOMPARE(Read(home.settingsFile()), setIni);
    }

    void controlText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("cc") << "cc/1/0" << true;
        QTest::newRow("note, upper case and blanks") << " NOTE/16/127 " << true;
        QTest::newRow("bend") << "bend/1" << true;
        QTest::newRow("bend with a number") << "bend/1/3" << false;
        QTest::newRow("channel 0") << "cc/0/1" << false;
        QTest::newRow("number 128") << "note/1/128" << false;
        QTest::newRow("not a number") << "cc/one/1" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("program change") << "pc/1/1" << false;
    }
    void controlText() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const auto control = MidiControl::FromText(text);
        QCOMPARE(control.has_value(), valid);
        if (control)
            QCOMPARE(control->ToText(), text.trimmed().toLower());
    }
};

QTEST_GUILESS_MAIN(tst_SurfaceIni)
#include "tst_surfaceini.moc"
