#include "DevSim.h"
#include "HostedPanel.h"
#include "OtherUserCopy.h"
#include "SettingsText.h"
#include "TempConfigHome.h"
#include "TestFiles.h"
#include "app/CMainFrame.h"
#include "app/CMorvixApp.h"
#include "panel/PanelController.h"
#include "settings/ProfileIni.h"
#include "settings/StagedFile.h"

#include <QDialog>
#include <QMessageBox>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// Settings under attack, each case in a process of its own: saves killed at random moments, and
// the whole program started on damaged or unwritable settings and closed through its close box.
// The test re-runs its own executable in one of two child modes (see main).

namespace {

constexpr int kKills = 200;

// The two records the save loop alternates between; every key of one differs from the other.
struct Record {
    QByteArray port;
    int power;
    int level;
};
const Record kRecordA{"COM1", 0, 11};
const Record kRecordB{"COM2", 1, 22};

void Apply(PanelController& panel, const Record& r) {
    panel.Session().Settings().SetPortName(QString::fromLatin1(r.port));
    EditChannels(panel, [&](ChannelModel& m) {
        for (int c = 0; c < CHANNEL_COUNT; ++c) {
            m.SetPower(c, r.power);
            m.SetLevel(c, r.level);
        }
    });
    const auto colour = ColorRef(r.level);
    panel.Session().Settings().SetColors({colour, colour, colour});
}

// Which record the file holds whole: 'A', 'B', or '?' for anything else (a mix, a torn file).
char RecordIn(const QByteArray& bytes) {
    const ProfileIni ini = ProfileIni::FromBytes(bytes);
    for (const Record* r : {&kRecordA, &kRecordB}) {
        bool all = ini.GetString("set", "Port", "NULL") == r->port;
        for (const char* color : {"COLOR1", "COLOR2", "COLOR3"})
            all = all && ini.GetInt("CH SET", color, "NULL", 10) == r->level;
        for (int i = 0; i < CHANNEL_COUNT; ++i) {
            const QByteArray n = QByteArray::number(i);
            all = all && ini.GetInt("CH SET", "CH POWER-" + n, "NULL", 5) == r->power &&
                  ini.GetInt("CH SET", "CH VALUE-" + n, "NULL", 5) == r->level;
        }
        if (all)
            return r == &kRecordA ? 'A' : 'B';
    }
    return '?';
}

// Child: saves B, A, B, ... for ever, saying "saving" once the first save has begun.
int SaveLoop() {
    HostedPanel rig(false);
    auto& [host, session, panel] = rig;
    session.BuildPaths();
    for (int round = 0;; ++round) {
        Apply(panel, round % 2 == 0 ? kRecordB : kRecordA);
        if (round == 0) {
            std::fputs("saving\n", stdout);
            std::fflush(stdout);
        }
        session.SaveSettings();
        if (!host.messages.isEmpty())
            return 1;
    }
}

// Child: the program as an operator runs it. Every message box is printed and closed, the exit
// confirmation is answered with OK, and the window's close box is used once start-up is done.
int RunPanel(int argc, char** argv) {
    CMorvixApp app(argc, argv);
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, &app, [] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            std::printf("%s|%s\n", qUtf8Printable(box->windowTitle()), qUtf8Printable(box->text()));
            std::fflush(stdout);
            box->close();
        } else if (dialog) {
            dialog->done(1);
        }
    });
    answerer.start(20);
    if (!app.InitInstance())
        return 1;
    QTimer::singleShot(300, app.MainFrame(), [&app] { app.MainFrame()->close(); });
    const int code = app.exec();
    // Ends as the quit message ends the original, without destroying the windows: closing the
    // port from the view's destructor would purge an all-off frame the device has not read yet.
    std::fflush(stdout);
    std::_Exit(code);
}

// Writes the case's settings for a device on `port`; false if it could not.
using Prepare = std::function<bool(const TempConfigHome&, const QString& port)>;
// Looks at what the program left behind.
using Check = std::function<void(const TempConfigHome&)>;

QString Listing(const QString& folder) {
    return QDir(folder)
        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)
        .join(QLatin1Char(' '));
}

} // namespace

Q_DECLARE_METATYPE(Prepare)
Q_DECLARE_METATYPE(Check)

class tst_SettingsTorture : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void saveKilledAtRandomMoments_oldOrNewNeverAMix() {
        TempConfigHome home;
        QDir().mkpath(home.settingsFolder());
        {
            HostedPanel rig(false);
            auto& [host, session, panel] = rig;
            session.BuildPaths();
            Apply(panel, kRecordA);
            session.SaveSettings();
        }
        // Seeded and printed, so a failing run can be repeated with MORVIX_TORTURE_SEED.
        const quint32 seed = qEnvironmentVariableIsSet("MORVIX_TORTURE_SEED")
                                 ? quint32(qEnvironmentVariable("MORVIX_TORTURE_SEED").toUInt())
                                 : QRandomGenerator::global()->generate();
        qInfo("kill delays seeded with %u", seed);
        QRandomGenerator delays(seed);
        QMap<char, int> outcomes;
        int temporaryLeft = 0;
        for (int kill = 0; kill < kKills; ++kill) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--save-loop")});
            QVERIFY(child.waitForStarted());
            QVERIFY(child.waitForReadyRead(10000));
            // Anywhere from inside the first save to a few saves later.
            QThread::usleep(delays.bounded(25000));
            ::kill(pid_t(child.processId()), SIGKILL);
            QVERIFY(child.waitForFinished());
            QCOMPARE(child.exitStatus(), QProcess::CrashExit);

            const char found = RecordIn(ReadAll(home.settingsFile()));
            QVERIFY2(found != '?', qPrintable(QString("kill %1: torn or mixed file").arg(kill)));
            ++outcomes[found];
            const QString listing = Listing(home.settingsFolder());
            QVERIFY2(listing == "set.ini" || listing == "set.ini set.ini.tmp",
                     qPrintable(QString("kill %1: %2").arg(kill).arg(listing)));
            temporaryLeft += listing != "set.ini";
        }
        const QString counts =
            QString("%1 kills: %2 left record A, %3 record B, %4 also a temporary file (seed %5)")
                .arg(kKills)
                .arg(outcomes.value('A'))
                .arg(outcomes.value('B'))
                .arg(temporaryLeft)
                .arg(seed);
        qInfo("%s", qPrintable(counts));
        // Kills that all landed between saves, or all on one record, would prove nothing: some
        // must have caught a save half done (its temporary file left) and both records seen.
        QVERIFY2(outcomes.value('A') > 0 && outcomes.value('B') > 0 && temporaryLeft > 0,
                 qPrintable(counts));
    }

    void badSettingsFile_startsAndEndsAsTheOperatorExpects_data() {
        QTest::addColumn<Prepare>("prepare");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("deviceSwitchedOff");
        QTest::addColumn<Check>("check");
        QTest::addColumn<bool>("asNobody");
        QTest::addColumn<qint64>("fileSizeLimit");

        const QString noPort = QStringLiteral("Morvix|포트를 확인하십시요.");
        const auto cannotSave = [](const char* reason) {
            return QStringLiteral("Morvix|Cannot save the settings to %1:\n%2")
                .arg(QStringLiteral("<ini>"), QString::fromLocal8Bit(reason));
        };
        const auto savedPort = [](const QByteArray& port) {
            return [port](const TempConfigHome& home) {
                const ProfileIni ini = ProfileIni::FromFile(home.settingsFile());
                QCOMPARE(ini.GetString("set", "Port", "missing"), port);
            };
        };

        QTest::newRow("empty") << Prepare([](const TempConfigHome& home, const QString&) {
            return WriteAll(home.settingsFile(), "");
        }) << QStringList{noPort}
                               << false << Check(savedPort("NULL")) << false << qint64(0);

        QTest::newRow("10 MB of random bytes") << Prepare([](const TempConfigHome& home,
                                                             const QString&) {
            QByteArray noise(10 * 1024 * 1024, Qt::Uninitialized);
            QRandomGenerator rng(20261207);
            rng.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
            return WriteAll(home.settingsFile(), noise);
        }) << QStringList{noPort} << false << Check([](const TempConfigHome& home) {
            QVERIFY(QFileInfo(home.settingsFile()).size() >= 10 * 1024 * 1024);
            const ProfileIni ini = ProfileIni::FromFile(home.settingsFile());
            QCOMPARE(ini.GetString("CH SET", "CH VALUE-7", "missing"), QByteArray("0"));
        }) << false << qint64(0);

        // The port comes after the long line, so that line must not swallow it.
        QTest::newRow("1 MB line") << Prepare([](const TempConfigHome& home, const QString& port) {
            return WriteAll(home.settingsFile(),
                            "[set]\r\nFile Name=" + QByteArray(1024 * 1024, 'p') +
                                "\r\nPort=" + port.toLocal8Bit() + "\r\n");
        }) << QStringList{} << true << Check([](const TempConfigHome& home) {
            const ProfileIni ini = ProfileIni::FromFile(home.settingsFile());
            QCOMPARE(ini.GetString("set", "File Name", ""), QByteArray(189, 'p'));
        }) << false << qint64(0);

        QTest::newRow("NUL bytes")
            << Prepare([](const TempConfigHome& home, const QString&) {
                   return WriteAll(home.settingsFile(),
                                   QByteArray("[set]\r\nPort=/dev/ptmx") + '\0' +
                                       "junk\r\n[CH SET]\r\nCH VALUE-0=4" + '\0' + "2\r\n");
               })
            << QStringList{noPort} << false << Check([](const TempConfigHome& home) {
                   const ProfileIni ini = ProfileIni::FromFile(home.settingsFile());
                   QCOMPARE(ini.GetString("set", "Port", ""), QByteArray("/dev/ptmx\0junk", 14));
                   QCOMPARE(ini.GetString("CH SET", "CH VALUE-0", ""), QByteArray("4"));
               })
            << false << qint64(0);

        QTest::newRow("duplicated sections") << Prepare([](const TempConfigHome& home,
                                                           const QString& port) {
            return WriteAll(home.settingsFile(),
                            "[set]\r\nPort=" + port.toLocal8Bit() +
                                "\r\n[CH SET]\r\nCH POWER-0=1\r\nCH VALUE-0=40\r\n"
                                "[set]\r\nPort=/dev/null\r\n[CH SET]\r\nCH VALUE-0=99\r\n");
        }) << QStringList{} << true << Check([](const TempConfigHome& home) {
            const QByteArray text = ReadAll(home.settingsFile());
            QCOMPARE(text.count("CH VALUE-0=40"), 1);
            QCOMPARE(text.count("CH VALUE-0=99"), 1);
        }) << false << qint64(0);

        QTest::newRow("a folder in its place")
            << Prepare([](const TempConfigHome& home, const QString&) {
                   return QDir().mkpath(home.settingsFile());
               })
            << QStringList{noPort, cannotSave(std::strerror(EISDIR))} << false
            << Check([](const TempConfigHome& home) {
                   QVERIFY(QFileInfo(home.settingsFile()).isDir());
               })
            << false << qint64(0);

        const QByteArray unchangedLevels = SettingsText().channel(0, 1, 40).bytes();
        QTest::newRow("read-only folder")
            << Prepare([](const TempConfigHome& home, const QString& port) {
                   return WriteAll(home.settingsFile(),
                                   SettingsText().port(port).channel(0, 1, 40).bytes()) &&
                          ::chmod(QFile::encodeName(home.settingsFolder()).constData(), 0555) == 0;
               })
            << QStringList{cannotSave(std::strerror(EACCES))} << true
            << Check([unchangedLevels](const TempConfigHome& home) {
                   QVERIFY(ReadAll(home.settingsFile()).endsWith(unchangedLevels));
                   QCOMPARE(Listing(home.settingsFolder()), QStringLiteral("set.ini"));
                   ::chmod(QFile::encodeName(home.settingsFolder()).constData(), 0755);
               })
            << true << qint64(0);

        // Bigger than the limit, so the save must run into it.
        const QByteArray padding = "; " + QByteArray(64 * 1024, '-') + "\r\n";
        QTest::newRow("file-size limit during the save")
            << Prepare([padding](const TempConfigHome& home, const QString& port) {
                   return WriteAll(home.settingsFile(),
                                   padding + SettingsText().port(port).bytes());
               })
            << QStringList{cannotSave(std::strerror(EFBIG))} << true
            << Check([padding](const TempConfigHome& home) {
                   QVERIFY(ReadAll(home.settingsFile()).startsWith(padding));
                   QCOMPARE(Listing(home.settingsFolder()), QStringLiteral("set.ini"));
               })
            << false << qint64(32 * 1024);
    }

    void badSettingsFile_startsAndEndsAsTheOperatorExpects() {
        QFETCH(Prepare, prepare);
        QFETCH(QStringList, messages);
        QFETCH(bool, deviceSwitchedOff);
        QFETCH(Check, check);
        QFETCH(bool, asNobody);
        QFETCH(qint64, fileSizeLimit);

        DevSim sim;
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        TempConfigHome home;
        QVERIFY(QDir().mkpath(home.settingsFolder()));
        QVERIFY(prepare(home, sim.portPath()));

        QProcess child;
        QStringList program{QCoreApplication::applicationFilePath(), QStringLiteral("--run-panel")};
        OtherUserCopy copy;
        // The folder's permissions hold back root, so the child runs as nobody (the test as a
        // plain user already is one).
        if (asNobody && ::geteuid() == 0) {
            const QByteArray dev = QFile::encodeName(QFileInfo(sim.portPath()).canonicalFilePath());
            QVERIFY(::chmod(dev.constData(), 0666) == 0);
            for (QString dir = home.settingsFolder(); dir.startsWith(home.path()) && dir.size() > 1;
                 dir = QFileInfo(dir).path())
                ::chmod(QFile::encodeName(dir).constData(),
                        dir == home.settingsFolder() ? 0555 : 0755);
            QVERIFY(copy.Prepare());
            child.setProcessEnvironment(copy.environment());
            program = QStringList{QStringLiteral("setpriv"),
                                  QStringLiteral("--reuid=nobody"),
                                  QStringLiteral("--regid=nogroup"),
                                  QStringLiteral("--clear-groups"),
                                  copy.program(),
                                  QStringLiteral("--run-panel")};
        }
        if (fileSizeLimit > 0)
            child.setChildProcessModifier([fileSizeLimit] {
                const rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            });
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(program.takeFirst(), program);
        QVERIFY(child.waitForStarted());
        // The device thread answers on its own; this loop only waits.
        QTRY_VERIFY_WITH_TIMEOUT(child.state() == QProcess::NotRunning, 30000);

        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), EXIT_CODE_CONFIRMED);
        QStringList shown = QString::fromUtf8(child.readAllStandardOutput())
                                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        // Two-line messages come out as two lines; join them back.
        for (int i = shown.size() - 1; i > 0; --i)
            if (!shown[i].startsWith(QStringLiteral("Morvix|")))
                shown[i - 1] += QLatin1Char('\n') + shown.takeAt(i);
        shown.replaceInStrings(QDir::toNativeSeparators(home.settingsFile()),
                               QStringLiteral("<ini>"));
        // The port message's reason lines are the port tests' concern; here it is enough that
        // the message came.
        const QString portMessage = QStringLiteral("Morvix|포트를 확인하십시요.");
        for (QString& text : shown)
            if (text.startsWith(portMessage + QLatin1Char('\n')))
                text.truncate(portMessage.size());
        QCOMPARE(shown, messages);
        if (deviceSwitchedOff) {
            const auto lastFrame = [&sim] {
                const std::vector<DevSimFrame> frames = sim.validFrames();
                return frames.empty() ? DevSimCommandKind::Unknown : frames.back().command.kind;
            };
            QTRY_COMPARE(lastFrame(), DevSimCommandKind::AllOff);
        }
        check(home);
    }
};

int main(int argc, char* argv[]) {
    if (argc > 1 && std::strcmp(argv[1], "--save-loop") == 0)
        return SaveLoop();
    if (argc > 1 && std::strcmp(argv[1], "--run-panel") == 0)
        return RunPanel(argc, argv);
    QApplication app(argc, argv);
    tst_SettingsTorture test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settingstorture.moc"
