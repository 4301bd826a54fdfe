#include "SettingsText.h"
#include "TestFiles.h"
#include "settings/ProfileIni.h"
#include "settings/SceneSlots.h"
#include "settings/StagedFile.h"

#include <QTemporaryDir>
#include <QTest>
#include <pwd.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

ChSetValues SomeScene() {
    ChSetValues v;
    v.colorSlideLeft = 0x0000FF;
    v.colorSlideRight = 0xFF000000; // Auto
    v.colorChannel = 0x123456;
    for (int i = 0; i < CHANNEL_COUNT; ++i) {
        v.power[i] = i % 2;
        v.level[i] = 30 * i + 5;
    }
    return v;
}

// For a test run as root: file access by this thread is checked as nobody's while it lives.
class FileAccessAsNobody {
public:
    FileAccessAsNobody() {
        const passwd* nobody = ::getpwnam("nobody");
        if (::geteuid() == 0 && nobody) {
            ::setfsgid(nobody->pw_gid);
            ::setfsuid(nobody->pw_uid);
            m_switched = true;
        }
    }
    ~FileAccessAsNobody() {
        if (m_switched) {
            ::setfsuid(0);
            ::setfsgid(0);
        }
    }
    FileAccessAsNobody(const FileAccessAsNobody&) = delete;
    FileAccessAsNobody& operator=(const FileAccessAsNobody&) = delete;

private:
    bool m_switched = false;
};

} // namespace

class tst_SceneSlots : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void store_writesWhatSetupsSaveWritesAndReadsBack();
    void store_keepsTheSlotsFadeTime();
    void slotFile_states_data();
    void slotFile_states();
    void unreadableSlot_isLeftAlone_data();
    void unreadableSlot_isLeftAlone();
    void fadeSeconds_data();
    void fadeSeconds();
};

void tst_SceneSlots::store_writesWhatSetupsSaveWritesAndReadsBack() {
    QTemporaryDir dir;
    const SceneSlots slots(dir.path());
    QCOMPARE(slots.PathOf(1), dir.path() + "/scenes/scene-1.qvd");
    QCOMPARE(slots.Read(1).state, SceneState::Empty);

    QString error;
    QVERIFY2(slots.Store(8, SomeScene(), "/dev/ttyUSB0", "NULL", &error), qPrintable(error));
    QCOMPARE(ReadAll(slots.PathOf(8)),
             SettingsText("/dev/ttyUSB0", "NULL", SomeScene()).line("Fade=0").bytes());
    // Setup's Open reads the same file by its own rules.
    QCOMPARE(ReadChSetSection(ProfileIni::FromFile(slots.PathOf(8))), SomeScene());
    const SceneSlotContents back = slots.Read(8);
    QCOMPARE(back.state, SceneState::Stored);
    QCOMPARE(back.scene, (Scene{SomeScene(), 0.0}));
    QCOMPARE(slots.Read(7).state, SceneState::Empty);
    QVERIFY(!QFile::exists(StagedFile::TemporaryPath(slots.PathOf(8))));
}

void tst_SceneSlots::store_keepsTheSlotsFadeTime() {
    QTemporaryDir dir;
    const SceneSlots slots(dir.path());
    // A time set before anything is stored waits in the empty slot.
    QVERIFY(slots.SetFadeTime(3, 2.5));
    QCOMPARE(slots.Read(3).state, SceneState::Empty);
    QCOMPARE(slots.Read(3).scene.fadeSeconds, 2.5);

    QVERIFY(slots.Store(3, SomeScene(), "COM1", "/tmp/a.qvd"));
    QCOMPARE(slots.Read(3).scene, (Scene{SomeScene(), 2.5}));

    ChSetValues other = SomeScene();
    other.level.fill(0);
    QVERIFY(slots.Store(3, other, "COM1", "/tmp/a.qvd"));
    QCOMPARE(slots.Read(3).scene, (Scene{other, 2.5}));

    QVERIFY(slots.SetFadeTime(3, 0.1));
    QCOMPARE(slots.Read(3).scene, (Scene{other, 0.1}));
    QVERIFY(ReadAll(slots.PathOf(3)).endsWith("Fade=0.1\r\n"));

    QString error;
    QVERIFY(!slots.SetFadeTime(3, -1.0, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!slots.SetFadeTime(0, 1.0));
    QVERIFY(!slots.Store(9, other, "COM1", "NULL"));
    // No settings folder yet: nothing at the top of the file system.
    QVERIFY(!SceneSlots(QString()).Store(1, other, "COM1", "NULL"));
    QCOMPARE(SceneSlots(QString()).Read(1).state, SceneState::Empty);
    QCOMPARE(slots.Read(3).scene.fadeSeconds, 0.1);
}

void tst_SceneSlots::slotFile_states_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("state");
    QTest::addColumn<double>("fade");
    QTest::addColumn<int>("level0");

    QTest::newRow("only a fade time")
        << QByteArray("[CH SET]\r\nFade=4\r\n") << int(SceneState::Empty) << 4.0 << 0;
    QTest::newRow("not an ini file") << QByteArray("\x7f"
                                                   "ELF\x02\x01\x01\0\0garbage",
                                                   16)
                                     << int(SceneState::Empty) << 0.0 << 0;
    QTest::newRow("keys in the wrong section")
        << QByteArray("[set]\r\nCH VALUE-0=9\r\n") << int(SceneState::Empty) << 0.0 << 0;
    // Hand-edited: what is missing reads as 0, as Setup's Open reads it.
    QTest::newRow("one channel key") << QByteArray("[ch set]\nCH VALUE-0=77\nfade= 1.5 \n")
                                     << int(SceneState::Stored) << 1.5 << 77;
    QTest::newRow("bad fade time is instant")
        << QByteArray("[CH SET]\r\nCH VALUE-0=1\r\nFade=fast\r\n") << int(SceneState::Stored) << 0.0
        << 1;
}

void tst_SceneSlots::slotFile_states() {
    QFETCH(QByteArray, file);
    QFETCH(int, state);
    QFETCH(double, fade);
    QFETCH(int, level0);
    QTemporaryDir dir;
    const SceneSlots slots(dir.path());
    QVERIFY(WriteAll(slots.PathOf(5), file));
    const SceneSlotContents read = slots.Read(5);
    QCOMPARE(int(read.state), state);
    QCOMPARE(read.scene.fadeSeconds, fade);
    QCOMPARE(read.scene.values.level[0], level0);
}

void tst_SceneSlots::unreadableSlot_isLeftAlone_data() {
    QTest::addColumn<bool>("slotIsFolder");
    // A folder where the file should be reads like a disk error.
    QTest::newRow("a folder in the slot's place") << true;
    // The case a rename could replace: only the refusal to store keeps the file.
    QTest::newRow("a file the user may not read") << false;
}

void tst_SceneSlots::unreadableSlot_isLeftAlone() {
    QFETCH(bool, slotIsFolder);
    QTemporaryDir dir;
    const SceneSlots slots(dir.path());
    const QString path = slots.PathOf(2);
    const QString folder = QFileInfo(path).path();
    const QByteArray bytes("[CH SET]\r\nCH VALUE-0=7\r\nFade=2\r\n");
    if (slotIsFolder) {
        QVERIFY(QDir().mkpath(path));
    } else {
        QVERIFY(WriteAll(path, bytes));
        QVERIFY(QFile::setPermissions(path, {}));
    }
    // Anyone may enter and write, so a store that went ahead would replace the file.
    for (const QString& open : {dir.path(), folder})
        QVERIFY(::chmod(QFile::encodeName(open).constData(), 0777) == 0);
    {
        // Root reads any file: this thread checks file access as nobody meanwhile.
        const FileAccessAsNobody asNobody;
        QVERIFY(WriteAll(folder + "/probe", "may write"));
        QCOMPARE(slots.Read(2).state, SceneState::Unreadable);
        QVERIFY(!slots.Read(2).error.isEmpty());
        QString error;
        QVERIFY(!slots.Store(2, SomeScene(), "COM1", "NULL", &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!slots.SetFadeTime(2, 1.0));
    }
    if (slotIsFolder) {
        QVERIFY(QFileInfo(path).isDir());
    } else {
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(ReadAll(path), bytes);
    }
}

void tst_SceneSlots::fadeSeconds_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("seconds");
    QTest::newRow("whole") << QByteArray("3") << 3.0;
    QTest::newRow("tenths") << QByteArray("0.7") << 0.7;
    QTest::newRow("blanks") << QByteArray(" 12.25\t") << 12.25;
    QTest::newRow("longest") << QByteArray("3600") << 3600.0;
    QTest::newRow("too long") << QByteArray("3600.5") << 0.0;
    QTest::newRow("negative") << QByteArray("-2") << 0.0;
    QTest::newRow("comma") << QByteArray("2,5") << 0.0;
    QTest::newRow("nan") << QByteArray("nan") << 0.0;
    QTest::newRow("inf") << QByteArray("inf") << 0.0;
    QTest::newRow("empty") << QByteArray("") << 0.0;
}

void tst_SceneSlots::fadeSeconds() {
    QFETCH(QByteArray, text);
    QFETCH(double, seconds);
    QCOMPARE(ParseFadeSeconds(text), seconds);
    if (seconds > 0.0)
        QCOMPARE(ParseFadeSeconds(FadeSecondsText(seconds)), seconds);
}

QTEST_GUILESS_MAIN(tst_SceneSlots)
#include "tst_sceneslots.moc"
