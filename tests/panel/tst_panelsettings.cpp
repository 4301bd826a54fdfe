#include "HostedPanel.h"
#include "SettingsText.h"
#include "TempConfigHome.h"
#include "TestFiles.h"
#include "panel/PanelController.h"
#include "session/DeviceSession.h"
#include "settings/ProfileIni.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <cerrno>
#include <cstring>

namespace {

QByteArray FreshListing() {
    return SettingsText("NULL", "NULL", {}).bytes();
}

// The field a key of set.ini loads into, as a comparable value.
QVariant FieldOf(const DeviceSession& session, const QByteArray& key) {
    if (key == "Port")
        return session.Settings().PortName();
    if (key == "File Name")
        return session.Settings().PresetName();
    if (key.startsWith("COLOR")) {
        const ColorRef colors[] = {session.Settings().Colors().slideLeft,
                                   session.Settings().Colors().slideRight,
                                   session.Settings().Colors().channel};
        return QVariant::fromValue<quint32>(colors[key.back() - '1']);
    }
    const int channel = key.back() - '0';
    return key.startsWith("CH POWER-") ? session.Channels().Power(channel)
                                       : session.Channels().Level(channel);
}

} // namespace

class tst_PanelSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void buildPaths_createsFoldersUnderConfigHome();
    void buildPaths_longBasePathKeptWhole();
    void freshStart_writesListingByteForByte();
    void saveThenLoad_roundTrips();
    void storedValue_loadsByRoomAndAtoi_data();
    void storedValue_loadsByRoomAndAtoi();
    void windowsFile_loadsAndKeepsItsShape();
    void keysAreLookedUpBySection();
    void unwritableFolder_toldOnceNothingWritten();
    void chSetHelpers_roundTripThroughIni();
};

void tst_PanelSettings::buildPaths_createsFoldersUnderConfigHome() {
    TempConfigHome home;
    HostedPanel rig(false);
    auto& [host, session, panel] = rig;
    session.BuildPaths();
    QCOMPARE(session.Settings().FolderPath(), home.settingsFolder());
    QCOMPARE(session.Settings().IniPath(), home.settingsFile());
    QVERIFY(QFileInfo(home.settingsFolder()).isDir());
    QVERIFY(!QFile::exists(home.settingsFile()));
    // Again at the next start, with the folders already there.
    session.BuildPaths();
    QCOMPARE(session.Settings().IniPath(), home.settingsFile());
}

void tst_PanelSettings::buildPaths_longBasePathKeptWhole() {
    TempConfigHome home;
    const QString base = home.path() + "/a folder name well beyond twenty-nine characters/cfg";
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(base));
    HostedPanel rig(false);
    auto& [host, session, panel] = rig;
    session.BuildPaths();
    QCOMPARE(session.Settings().IniPath(), base + "/QV/Morvix/set.ini");
    session.LoadSettings();
    session.SaveSettings();
    QCOMPARE(ReadAll(session.Settings().IniPath()), FreshListing());
}

void tst_PanelSettings::freshStart_writesListingByteForByte() {
    TempConfigHome home;
    HostedPanel rig(false);
    auto& [host, session, panel] = rig;
    session.BuildPaths();
    session.LoadSettings();
    QCOMPARE(session.Settings().PortName(), QString("NULL"));
    QCOMPARE(session.Settings().PresetName(), QString("NULL"));
    session.SaveSettings();
    QCOMPARE(ReadAll(home.settingsFile()), FreshListing());
    // Every save writes all keys again; an unchanged save leaves the bytes as they were.
    session.SaveSettings();
    QCOMPARE(ReadAll(home.settingsFile()), FreshListing());
}

void tst_PanelSettings::saveThenLoad_roundTrips() {
    TempConfigHome home;
    RecordingHost host;
    DeviceSession saved;
    saved.SetPrompts(&host);
    saved.BuildPaths();
    saved.Settings().SetPortName("COM10");
    saved.Settings().SetPresetName(home.path() + "/프리셋 one.qvd");
    saved.Settings().SetColors({CLR_DEFAULT, MakeColorRef(255, 128, 1), 0x00FFFFFF});
    EditChannels(saved, [](ChannelModel& m) {
        for (int i = 0; i < 8; ++i) {
            m.SetPower(i, i % 2);
            m.SetLevel(i, 31 * i + 1);
        }
        m.SetPower(7, 2);
        m.SetLevel(7, 300);
    });
    saved.SaveSettings();

    const QByteArray file = ReadAll(home.settingsFile());
    QVERIFY(file.contains("\r\nCOLOR1=-16777216\r\n"));
    QVERIFY(file.contains("\r\nCH POWER-7=2\r\nCH VALUE-7=300\r\n"));

    DeviceSession loaded;

    loaded.SetPrompts(&host);
    loaded.BuildPaths();
    loaded.LoadSettings();
    QCOMPARE(loaded.Settings().PortName(), saved.Settings().PortName());
    QCOMPARE(loaded.Settings().PresetName(), saved.Settings().PresetName());
    QCOMPARE(loaded.ChSet(), saved.ChSet());
    QCOMPARE(loaded.Settings().Colors().slideLeft, CLR_DEFAULT);

    loaded.SaveSettings();
    QCOMPARE(ReadAll(home.settingsFile()), file);
}

void tst_PanelSettings::storedValue_loadsByRoomAndAtoi_data() {
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QVariant>("expected");

    const QByteArray longName(200, 'n');
    QTest::newRow("level 12345") << QByteArray("CH SET") << QByteArray("CH VALUE-3")
                                 << QByteArray("12345") << QVariant(1234);
    QTest::newRow("level 12abc") << QByteArray("CH SET") << QByteArray("CH VALUE-0")
                                 << QByteArray("12abc") << QVariant(12);
    QTest::newRow("level abc") << QByteArray("CH SET") << QByteArray("CH VALUE-7")
                               << QByteArray("abc") << QVariant(0);
    QTest::newRow("level 300 kept")
        << QByteArray("CH SET") << QByteArray("CH VALUE-1") << QByteArray("300") << QVariant(300);
    QTest::newRow("negative level kept")
        << QByteArray("CH SET") << QByteArray("CH VALUE-2") << QByteArray("-5") << QVariant(-5);
    QTest::newRow("switch 2 kept")
        << QByteArray("CH SET") << QByteArray("CH POWER-4") << QByteArray("2") << QVariant(2);
    QTest::newRow("auto colour") << QByteArray("CH SET") << QByteArray("COLOR2")
                                 << QByteArray("-16777216")
                                 << QVariant::fromValue<quint32>(0xFF000000u);
    QTest::newRow("plain colour") << QByteArray("CH SET") << QByteArray("COLOR3")
                                  << QByteArray("16711680")
                                  << QVariant::fromValue<quint32>(0x00FF0000u);
    QTest::newRow("COM10 whole") << QByteArray("set") << QByteArray("Port") << QByteArray("COM10")
                                 << QVariant(QString("COM10"));
    QTest::newRow("long port whole")
        << QByteArray("set") << QByteArray("Port") << QByteArray("/dev/serial/by-id/usb-0403_6001")
        << QVariant(QString("/dev/serial/by-id/usb-0403_6001"));
    QTest::newRow("file name 200 characters")
        << QByteArray("set") << QByteArray("File Name") << longName
        << QVariant(QString::fromLatin1(longName.left(189)));
}

void tst_PanelSettings::storedValue_loadsByRoomAndAtoi() {
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, stored);
    QFETCH(QVariant, expected);
    TempConfigHome home;
    HostedPanel rig(false);
    auto& [host, session, panel] = rig;
    session.BuildPaths();
    QVERIFY(WriteAll(home.settingsFile(), "[" + section + "]\r\n" + key + "=" + stored + "\r\n"));
    session.LoadSettings();
    QCOMPARE(FieldOf(panel.Session(), key), expected);

    // What was loaded is what the next save writes back, range or not.
    session.SaveSettings();
    DeviceSession again;
    again.SetPrompts(&host);
    again.BuildPaths();
    again.LoadSettings();
    QCOMPARE(FieldOf(again, key), expected);
}

void tst_PanelSettings::windowsFile_loadsAndKeepsItsShape() {
    TempConfigHome home;
    HostedPanel rig(false);
    auto& [host, session, panel] = rig;
    session.BuildPaths();
    const QByteArray windowsFile = "written by hand\r\n"
                                   "; panel settings\r\n"
                                   "[ Set ]\r\n"
                                   "port = \"COM4\"\r\n"
                                   "Baud=19200\r\n"
                                   "\r\n"
                                   "[ch set]\r\n"
                                   "color1=255\r\n"
                                   "Color2 = -16777216 \r\n"
                                   "CH VALUE-0 = 128\r\n"
                                   "CH VALUE-0=7\r\n"
                                   "CH POWER-0\t=\t'1'\r\n"
                                   "[Notes]\r\n"
                                   "kept=yes\r\n"
                                   "[CH SET]\r\n"
                                   "CH VALUE-1=99\r\n";
    QVERIFY(WriteAll(home.settingsFile(), windowsFile));
    session.LoadSettings();
    QCOMPARE(session.Settings().PortName(), QString("COM4"));
    QCOMPARE(session.Settings().PresetName(), QString("NULL"));
    QCOMPARE(session.Settings().Colors().slideLeft, ColorRef(0x000000FF));
    QCOMPARE(session.Settings().Colors().slideRight, CLR_DEFAULT);
    QCOMPARE(session.Settings().Colors().channel, ColorRef(0));
    QCOMPARE(panel.Channels().Power(0), 1);
    QCOMPARE(panel.Channels().Level(0), 128);
    // The second "CH SET" is never found.
    QCOMPARE(panel.Channels().Level(1), 0);

    EditChannels(panel, [&](ChannelModel& m) { m.SetLevel(1, 42); });
    session.SaveSettings();
    QByteArray expected = "written by hand\r\n"
                          "; panel settings\r\n"
                          "[ Set ]\r\n"
                          "port=COM4\r\n"
                          "Baud=19200\r\n"
                          "File Name=NULL\r\n"
                          "\r\n"
                          "[ch set]\r\n"
                          "color1=255\r\n"
                          "Color2=-16777216\r\n"
                          "CH VALUE-0=128\r\n"
                          "CH VALUE-0=7\r\n"
                          "CH POWER-0=1\r\n"
                          "COLOR3=0\r\n"
                          "CH POWER-1=0\r\n"
                          "CH VALUE-1=42\r\n";
    for (int i = 2; i < 8; ++i)
        expected += "CH POWER-" + QByteArray::number(i) + "=0\r\nCH VALUE-" +
                    QByteArray::number(i) + "=0\r\n";
    expected += "[Notes]\r\n"
                "kept=yes\r\n"
                "[CH SET]\r\n"
                "CH VALUE-1=99\r\n";
    QCOMPARE(ReadAll(home.settingsFile()), expected);
}

void tst_PanelSettings::keysAreLookedUpBySection() {
    TempConfigHome home;
    HostedPanel rig(false);
    auto& [host, session, panel] = rig;
    session.BuildPaths();
    QVERIFY(WriteAll(home.settingsFile(), "[CH SET]\r\nPort=COM3\r\nFile Name=/x.qvd\r\n"
                                          "[set]\r\nCOLOR1=255\r\nCH VALUE-0=9\r\n"));
    session.LoadSettings();
    QCOMPARE(session.Settings().PortName(), QString("NULL"));
    QCOMPARE(session.Settings().PresetName(), QString("NULL"));
    QCOMPARE(session.Settings().Colors().slideLeft, ColorRef(0));
    QCOMPARE(panel.Channels().Level(0), 0);
}

void tst_PanelSettings::unwritableFolder_toldOnceNothingWritten() {
    // A regular file where a folder should be: no write access, even for root.
    TempConfigHome home;
    const QString blocker = home.path() + "/blocker";
    QVERIFY(WriteAll(blocker, "keep"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(blocker + "/config"));
    HostedPanel rig(false);
    auto& [host, session, panel] = rig;
    session.BuildPaths();
    session.LoadSettings();
    QCOMPARE(session.Settings().PortName(), QString("NULL"));
    session.Settings().SetPortName("COM2");
    EditChannels(panel, [&](ChannelModel& m) { m.SetLevel(0, 200); });
    session.SaveSettings();
    session.SaveSettings(); // as Setup saves twice, at its start and on OK
    QCOMPARE(ReadAll(blocker), QByteArray("keep"));
    QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"blocker"});
    // One message naming the file and the system's reason.
    QCOMPARE(host.messages,
             QStringList{"Cannot save the settings to " + session.Settings().IniPath() + ":\n" +
                         QString::fromLocal8Bit(std::strerror(ENOTDIR))});
    QCOMPARE(host.captions, QStringList{"Morvix"});
}

void tst_PanelSettings::chSetHelpers_roundTripThroughIni() {
    // The record a preset load applies: only colours and channels, never port or preset name.
    HostedPanel rig(false);
    auto& [host, session, panel] = rig;
    session.Settings().SetPortName("COM1");
    session.Settings().SetPresetName("/a.qvd");
    ChSetValues values;
    values.colorSlideLeft = CLR_DEFAULT;
    values.colorChannel = 0x123456;
    values.power = {1, 0, 1, 0, 2, 0, 1, 0};
    values.level = {0, 1, 2, 255, 300, 5, 6, 7};
    ProfileIni ini;
    ini.WriteString("set", "Port", "COM9");
    WriteChSetSection(ini, values);
    session.ApplyChSet(ReadChSetSection(ProfileIni::FromBytes(ini.Serialize())));
    QCOMPARE(session.ChSet(), values);
    QCOMPARE(session.Settings().PortName(), QString("COM1"));
    QCOMPARE(session.Settings().PresetName(), QString("/a.qvd"));
    QCOMPARE(ReadChSetSection(ProfileIni()), ChSetValues{});
}

QTEST_MAIN(tst_PanelSettings)
#include "tst_panelsettings.moc"
