#include "DevSimCommandLine.h"
#include "FrameBytes.h"
#include "Pty.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {

constexpr int WAIT_MS = 10000;

QString toolPath() {
    return qEnvironmentVariable("MORVIX_DEVSIM");
}

// Reads one whole line from the tool's stdout, waiting for it as long as needed.
QByteArray readLine(QProcess& process, int timeoutMs = WAIT_MS) {
    QElapsedTimer timer;
    timer.start();
    while (!process.canReadLine() && timer.elapsed() < timeoutMs)
        process.waitForReadyRead(100);
    return process.readLine().trimmed();
}

// Waits until the tool's stderr shows `text`, returning everything read so far.
QByteArray waitForError(QProcess& process, const QByteArray& text, int timeoutMs = WAIT_MS) {
    QByteArray all;
    QElapsedTimer timer;
    timer.start();
    while (!all.contains(text) && timer.elapsed() < timeoutMs) {
        process.waitForReadyRead(100);
        all += process.readAllStandardError();
    }
    return all;
}

} // namespace

class tst_DevSimCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void arguments_data();
    void arguments();
    void help_exitsCleanly();
    void badArgument_exitsWithUsageError();
    void firstLineIsThePort_linkAndLogFollow_data();
    void firstLineIsThePort_linkAndLogFollow();
    void view_showsTheChannels();
};

void tst_DevSimCli::initTestCase() {
    QVERIFY2(QFileInfo(toolPath()).isExecutable(), qPrintable(toolPath()));
}

void tst_DevSimCli::arguments_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected"); // summary of the options, or "error"

    QTest::newRow("none")
        << QStringList()
        << "link= log= view=0 silent=0 delay=0 every=1 garbage=0 extra=0 flood=0 hangup=0 line=0";
    QTest::newRow("all") << QStringList{"--link",
                                        "/tmp/p",
                                        "--log",
                                        "-",
                                        "--view",
                                        "--silent",
                                        "--delay-ms",
                                        "40",
                                        "--answer-every",
                                        "3",
                                        "--garbage",
                                        "--extra-bytes",
                                        "2",
                                        "--flood",
                                        "500",
                                        "--hangup-after",
                                        "9",
                                        "--report-line"}
                         << "link=/tmp/p log=- view=1 silent=1 delay=40 every=3 garbage=1 extra=2 "
                            "flood=500 hangup=9 line=1";
    QTest::newRow("negative delay") << QStringList{"--delay-ms", "-1"} << "error";
    QTest::newRow("every zero") << QStringList{"--answer-every", "0"} << "error";
    QTest::newRow("hangup zero") << QStringList{"--hangup-after", "0"} << "error";
    QTest::newRow("flood at line rate") << QStringList{"--flood", "line"}
                                        << "link= log= view=0 silent=0 delay=0 every=1 garbage=0 "
                                           "extra=0 flood=1745 hangup=0 line=0";
    QTest::newRow("not a number") << QStringList{"--flood", "fast"} << "error";
    QTest::newRow("too many extra bytes") << QStringList{"--extra-bytes", "100000"} << "error";
    QTest::newRow("unknown option") << QStringList{"--bogus"} << "error";
    QTest::newRow("stray argument") << QStringList{"COM1"} << "error";
    QTest::newRow("empty link") << QStringList{"--link", ""} << "error";
    QTest::newRow("line report without a log") << QStringList{"--report-line"} << "error";
}

void tst_DevSimCli::arguments() {
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    const DevSimCommandLine c = parseDevSimCommandLine(QStringList{"morvix-devsim"} + args);
    QVERIFY(!c.help);
    if (expected == QLatin1String("error")) {
        QVERIFY(!c.error.isEmpty());
        return;
    }
    QVERIFY2(c.error.isEmpty(), qPrintable(c.error));
    const DevSimOptions& o = c.options;
    const QString actual = QStringLiteral("link=%1 log=%2 view=%3 silent=%4 delay=%5 every=%6 "
                                          "garbage=%7 extra=%8 flood=%9 hangup=%10 line=%11")
                               .arg(o.linkPath, o.logPath)
                               .arg(int(o.view))
                               .arg(int(o.faults.silent))
                               .arg(o.faults.delayMs)
                               .arg(o.faults.answerEvery)
                               .arg(int(o.faults.garbage))
                               .arg(o.faults.extraBytes)
                               .arg(o.faults.floodBytesPerSec)
                               .arg(o.hangupAfter)
                               .arg(int(o.reportLine));
    QCOMPARE(actual, expected);
}

void tst_DevSimCli::help_exitsCleanly() {
    QProcess process;
    process.start(toolPath(), {QStringLiteral("--help")});
    QVERIFY(process.waitForFinished(WAIT_MS));
    QCOMPARE(process.exitCode(), 0);
    const QByteArray out = process.readAllStandardOutput();
    for (const char* option :
         {"--link", "--log", "--view", "--silent", "--delay-ms", "--answer-every", "--garbage",
          "--extra-bytes", "--flood", "--hangup-after"})
        QVERIFY2(out.contains(option), option);
}

void tst_DevSimCli::badArgument_exitsWithUsageError() {
    QProcess process;
    process.start(toolPath(), {QStringLiteral("--delay-ms"), QStringLiteral("soon")});
    QVERIFY(process.waitForFinished(WAIT_MS));
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(process.readAllStandardOutput().isEmpty());
    QVERIFY(process.readAllStandardError().contains("--delay-ms"));
}

void tst_DevSimCli::firstLineIsThePort_linkAndLogFollow_data() {
    QTest::addColumn<int>("stopSignal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void tst_DevSimCli::firstLineIsThePort_linkAndLogFollow() {
    QFETCH(int, stopSignal);
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyMorvix"));
    QProcess process;
    process.start(toolPath(),
                  {QStringLiteral("--link"), link, QStringLiteral("--log"), QStringLiteral("-")});
    QVERIFY(process.waitForStarted(WAIT_MS));

    const QString port = QString::fromLocal8Bit(readLine(process));
    QVERIFY2(port.startsWith(QStringLiteral("/dev/pts/")), qPrintable(port));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(link).isSymLink(), WAIT_MS);
    QCOMPARE(QFileInfo(link).symLinkTarget(), port);

    PtyClient client(link);
    QVERIFY(client.isOpen());
    QVERIFY(client.send(frameBytes(2, 3, 1, 200)));
    QCOMPARE(client.readExactly(1, WAIT_MS), QByteArray("u"));

    QStringList seen;
    while (seen.size() < 3) {
        const QByteArray line = readLine(process);
        QVERIFY2(!line.isEmpty(), qPrintable(seen.join(QLatin1Char(','))));
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        QVERIFY2(!o.isEmpty(), line.constData());
        seen << o.value(QStringLiteral("dir")).toString() + QLatin1Char(':') +
                    o.value(QStringLiteral("hex")).toString();
    }
    QCOMPARE(seen, QStringList({"info:", "rx:95 02 03 01 c8 63", "tx:75"}));

    client.close();
    ::kill(pid_t(process.processId()), stopSignal);
    QVERIFY(process.waitForFinished(WAIT_MS));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(!QFileInfo::exists(port));
}

void tst_DevSimCli::view_showsTheChannels() {
    QProcess process;
    process.start(toolPath(), {QStringLiteral("--view")});
    const QString port = QString::fromLocal8Bit(readLine(process));
    PtyClient client(port);
    QVERIFY(client.isOpen());
    QVERIFY(client.send(frameBytes(2, 3, 1, 200) + frameBytes(2, 8, 0, 17)));
    const QByteArray shown = waitForError(process, "8:off 17");
    QVERIFY2(shown.contains("3:ON 200"), shown.constData());
    QVERIFY2(shown.contains("8:off 17"), shown.constData());
    process.terminate();
    QVERIFY(process.waitForFinished(WAIT_MS));
    QCOMPARE(process.exitCode(), 0);
}

QTEST_GUILESS_MAIN(tst_DevSimCli)
#include "tst_devsimcli.moc"
