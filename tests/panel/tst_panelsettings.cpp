#include "HostedPanel.h"
#include "TempConfigHome.h"
#include "TestFiles.h"
#include "panel/ControllerSettings.h"
#include "panel/PanelController.h"
#include "settings/ProfileIni.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <cerrno>
#include <cstring>

namespace {

QByteArray FreshListing() {
    QByteArray text = "[set]\r\nPort=NULL\r\nFile Name=NULL\r\n[CH SET]\r\n"
                      "COLOR1=0\r\nCOLOR2=0\r\nCOLOR3=0\r\n";
    for (int i = 0; i < 8; ++i)
        text += "CH POWER-" + QByteArray::number(i) + "=0\r\nCH VALUE-" + QByteArray::number(i) +
                "=0\r\n";
    return text;
}

// The field a key of set.ini loads into, as a comparable value.
QVariant FieldOf(const PanelController& panel, const QByteArray& key) {
    if (key == "Port")
        return panel.m_portName;
    if (key == "File Name")
        return panel.m_presetName;
    if (key.startsWith("COLOR")) {
        const ColorRef colors[] = {panel.m_colorSlideLeft, panel.m_colorSlideRight,
                                   panel.m_colorChannel};
        return QVariant::fromValue<quint32>(colors[key.back() - '1']);
    }
    const int channel = key.back() - '0';
    return key.startsWith("CH POWER-") ? panel.m_channelPower[channel]
                                       : panel.m_channelLevel[channel];
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
    auto& [host, panel] = rig;
    panel.BuildPaths();
    QCOMPARE(panel.m_folderPath, home.settingsFolder());
    QCOMPARE(panel.m_iniPath, home.settingsFile());
    QVERIFY(QFileInfo(home.settingsFolder()).isDir());
    QVERIFY(!QFile::exists(home.settingsFile()));
    // Again at the next start, with the folders already there.
    panel.BuildPaths();
    QCOMPARE(panel.m_iniPath, home.settingsFile());
}

void tst_PanelSettings::buildPaths_longBasePathKeptWhole() {
    TempConfigHome home;
    const QString base = home.path() + "/a folder name well beyond twenty-nine characters/cfg";
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(base));
    HostedPanel rig(false);
    auto& [host, panel] = rig;
    panel.BuildPaths();
    QCOMPARE(panel.m_iniPath, base + "/QV/Morvix/set.ini");
    panel.LoadSettings();
    panel.SaveSettings();
    QCOMPARE(ReadAll(panel.m_iniPath), FreshListing());
}

void tst_PanelSettings::freshStart_writesListingByteForByte() {
    TempConfigHome home;
    HostedPanel rig(false);
    auto& [host, panel] = rig;
    panel.BuildPaths();
    panel.LoadSettings();
    QCOMPARE(panel.m_portName, QString("NULL"));
    QCOMPARE(panel.m_presetName, QString("NULL"));
    panel.SaveSettings();
    QCOMPARE(ReadAll(home.settingsFile()), FreshListing());
    // Every save writes all keys again; an unchanged save leaves the bytes as they were.
    panel.SaveSettings();
    QCOMPARE(ReadAll(home.settingsFile()), FreshListing());
}

void tst_PanelSettings::saveThenLoad_roundTrips() {
    TempConfigHome home;
    RecordingHost host;
    PanelController saved(host);
    saved.BuildPaths();
    saved.m_portName = "COM10";
    saved.m_presetName = home.path() + "/프리셋 one.qvd";
    saved.m_colorSlideLeft = CLR_DEFAULT;
    saved.m_colorSlideRight = MakeColorRef(255, 128, 1);
    saved.m_colorChannel = 0x00FFFFFF;
    for (int i = 0; i < 8; ++i) {
        saved.m_channelPower[i] = i % 2;
        saved.m_channelLevel[i] = 31 * i + 1;
    }
    saved.m_channelPower[7] = 2;
    saved.m_channelLevel[7] = 300;
    saved.SaveSettings();

    const QByteArray file = ReadAll(home.settingsFile());
    QVERIFY(file.contains("\r\nCOLOR1=-16777216\r\n"));
    QVERIFY(file.contains("\r\nCH POWER-7=2\r\nCH VALUE-7=300\r\n"));

    PanelController loaded(host);
    loaded.BuildPaths();
    loaded.LoadSettings();
    QCOMPARE(loaded.m_portName, saved.m_portName);
    QCOMPARE(loaded.m_presetName, saved.m_presetName);
    QCOMPARE(ChSetValuesOf(loaded), ChSetValuesOf(saved));
    QCOMPARE(loaded.m_colorSlideLeft, CLR_DEFAULT);

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
    auto& [host, panel] = rig;
    panel.BuildPaths();
    QVERIFY(WriteAll(home.settingsFile(), "[" + section + "]\r\n" + key + "=" + stored + "\r\n"));
    panel.LoadSettings();
    QCOMPARE(FieldOf(panel, key), expected);

    // What was loaded is what the next save writes back, range or not.
    panel.SaveSettings();
    PanelController again(host);
    again.BuildPaths();
    again.LoadSettings();
    QCOMPARE(FieldOf(again, key), expected);
}

void tst_PanelSettings::windowsFile_loadsAndKeepsItsShape() {
    TempConfigHome home;
    HostedPanel rig(false);
    auto& [host, panel] = rig;
    panel.BuildPaths();
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
    panel.LoadSettings();
    QCOMPARE(panel.m_portName, QString("COM4"));
    QCOMPARE(panel.m_presetName, QString("NULL"));
    QCOMPARE(panel.m_colorSlideLeft, ColorRef(0x000000FF));
    QCOMPARE(panel.m_colorSlideRight, CLR_DEFAULT);
    QCOMPARE(panel.m_colorChannel, ColorRef(0));
    QCOMPARE(panel.m_channelPower[0], 1);
    QCOMPARE(panel.m_channelLevel[0], 128);
    // The second "CH SET" is never found.
    QCOMPARE(panel.m_channelLevel[1], 0);

    panel.m_channelLevel[1] = 42;
    panel.SaveSettings();
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
    auto& [host, panel] = rig;
    panel.BuildPaths();
    QVERIFY(WriteAll(home.settingsFile(), "[CH SET]\r\nPort=COM3\r\nFile Name=/x.qvd\r\n"
                                          "[set]\r\nCOLOR1=255\r\nCH VALUE-0=9\r\n"));
    panel.LoadSettings();
    QCOMPARE(panel.m_portName, QString("NULL"));
    QCOMPARE(panel.m_presetName, QString("NULL"));
    QCOMPARE(panel.m_colorSlideLeft, ColorRef(0));
    QCOMPARE(panel.m_channelLevel[0], 0);
}

void tst_PanelSettings::unwritableFolder_toldOnceNothingWritten() {
    // A regular file where a folder should be: no write access, even for root.
    TempConfigHome home;
    const QString blocker = home.path() + "/blocker";
    QVERIFY(WriteAll(blocker, "keep"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(blocker + "/config"));
    HostedPanel rig(false);
    auto& [host, panel] = rig;
    panel.BuildPaths();
    panel.LoadSettings();
    QCOMPARE(panel.m_portName, QString("NULL"));
    panel.m_portName = "COM2";
    panel.m_channelLevel[0] = 200;
    panel.SaveSettings();
    panel.SaveSettings(); // as Setup saves twice, at its start and on OK
    QCOMPARE(ReadAll(blocker), QByteArray("keep"));
    QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"blocker"});
    // One message naming the file and the system's reason.
    QCOMPARE(host.messages, QStringList{"Cannot save the settings to " + panel.m_iniPath + ":\n" +
                                        QString::fromLocal8Bit(std::strerror(ENOTDIR))});
    QCOMPARE(host.captions, QStringList{"Morvix"});
}

void tst_PanelSettings::chSetHelpers_roundTripThroughIni() {
    // The record a preset load applies: only colours and channels, never port or preset name.
    HostedPanel rig(false);
    auto& [host, panel] = rig;
    panel.m_portName = "COM1";
    panel.m_presetName = "/a.qvd";
    ChSetValues values;
    values.colorSlideLeft = CLR_DEFAULT;
    values.colorChannel = 0x123456;
    values.power = {1, 0, 1, 0, 2, 0, 1, 0};
    values.level = {0, 1, 2, 255, 300, 5, 6, 7};
    ProfileIni ini;
    ini.WriteString("set", "Port", "COM9");
    WriteChSetSection(ini, values);
    ApplyChSetValues(panel, ReadChSetSection(ProfileIni::FromBytes(ini.Serialize())));
    QCOMPARE(ChSetValuesOf(panel), values);
    QCOMPARE(panel.m_portName, QString("COM1"));
    QCOMPARE(panel.m_presetName, QString("/a.qvd"));
    QCOMPARE(ReadChSetSection(ProfileIni()), ChSetValues{});
}

QTEST_MAIN(tst_PanelSettings)
#include "tst_panelsettings.moc"
