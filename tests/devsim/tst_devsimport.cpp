#include "DevSim.h"
#include "FrameBytes.h"
#include "Pty.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int WAIT_MS = 5000;
// How long to listen when proving that nothing (more) arrives.
constexpr int QUIET_MS = 200;

const QByteArray POLL = hexBytes("95 01 00 00 00 96");

} // namespace

class tst_DevSimPort : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void frame_answeredOnlyWhenValid_data();
    void frame_answeredOnlyWhenValid();
    void splitFrame_answeredOnceComplete();
    void channels_followFramesOnTheLine();
    void frames_recordedWithMonotonicTimes();
    void reopen_afterClose_stillAnswered();
    void answerEvery_answersOnlyEveryNth();
    void delay_answersLate();
    void extraBytes_followTheAnswer();
    void garbage_replacesTheAnswer();
    void silent_thenAnsweringAgain();
    void flood_sendsNoiseWithoutAnswers();
    void hangupAfter_closesThePort();
    void hangUp_onDemand();
    void link_replacesStaleSymlinkAndIsRemoved();
    void link_refusesToReplaceAFile();
    void stop_removesThePort();
    void log_recordsTheLine();
    void reportLine_logsWhatTheFarEndSet();
};

void tst_DevSimPort::frame_answeredOnlyWhenValid_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("answers"); // before the answer to the trailing poll
    QTest::addColumn<int>("frames");         // candidates recorded, trailing poll included

    QTest::newRow("poll") << POLL << QByteArray("u") << 2;
    QTest::newRow("all off") << hexBytes("95 03 08 00 00 a0") << QByteArray("u") << 2;
    QTest::newRow("set") << frameBytes(2, 8, 1, 255) << QByteArray("u") << 2;
    QTest::newRow("bad checksum") << hexBytes("95 02 01 01 ff 00") << QByteArray() << 2;
    QTest::newRow("unknown code") << frameBytes(9, 0, 0, 0) << QByteArray() << 2;
    QTest::newRow("bad channel") << frameBytes(2, 9, 1, 5) << QByteArray() << 2;
    QTest::newRow("garbage") << hexBytes("75 00 13") << QByteArray() << 1;
}

void tst_DevSimPort::frame_answeredOnlyWhenValid() {
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, answers);
    QFETCH(int, frames);
    DevSim sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    PtyClient port(sim.portPath());
    QVERIFY(port.isOpen());

    // The poll behind marks the end: every answer to the bytes before it comes first.
    QVERIFY(port.send(bytes + POLL));
    QCOMPARE(port.readExactly(int(answers.size()) + 1, WAIT_MS), answers + "u");
    QVERIFY(sim.waitForFrames(frames, WAIT_MS));
    QCOMPARE(port.readFor(QUIET_MS), QByteArray());
    QCOMPARE(sim.frameCount(), frames);
    QCOMPARE(sim.answersSent(), long(answers.size()) + 1);
}

void tst_DevSimPort::splitFrame_answeredOnceComplete() {
    DevSim sim;
    QVERIFY(sim.start());
    PtyClient port(sim.portPath());
    QVERIFY(port.send(POLL.left(2)));
    QCOMPARE(port.readFor(QUIET_MS), QByteArray());
    QVERIFY(port.send(POLL.mid(2, 3)));
    QCOMPARE(port.readFor(QUIET_MS), QByteArray());
    QCOMPARE(sim.frameCount(), 0);
    QVERIFY(port.send(POLL.mid(5)));
    QCOMPARE(port.readExactly(1, WAIT_MS), QByteArray("u"));
    QCOMPARE(sim.validFrameCount(), 1);
    QCOMPARE(sim.skippedBytes(), 0L);
}

void tst_DevSimPort::channels_followFramesOnTheLine() {
    DevSim sim;
    QVERIFY(sim.start());
    PtyClient port(sim.portPath());
    QVERIFY(port.send(frameBytes(2, 1, 1, 255) + frameBytes(2, 4, 1, 0) + frameBytes(2, 8, 0, 77)));
    QVERIFY(sim.waitForValidFrames(3, WAIT_MS));
    QCOMPARE(sim.channel(0), (DevSimChannel{1, 255}));
    QCOMPARE(sim.channel(3), (DevSimChannel{1, 0}));
    QCOMPARE(sim.channel(7), (DevSimChannel{0, 77}));
    QCOMPARE(sim.channel(1), (DevSimChannel{0, 0}));

    QVERIFY(port.send(hexBytes("95 03 08 00 00 a0")));
    QVERIFY(sim.waitForValidFrames(4, WAIT_MS));
    DevSimChannels allOff{};
    QVERIFY(sim.channels() == allOff);
}

void tst_DevSimPort::frames_recordedWithMonotonicTimes() {
    DevSim sim;
    QVERIFY(sim.start());
    PtyClient port(sim.portPath());
    const std::int64_t before = DevSim::nowUs();
    QVERIFY(port.send(POLL + hexBytes("95 02 01 01 ff 00") + frameBytes(2, 2, 1, 9)));
    QVERIFY(sim.waitForFrames(3, WAIT_MS));
    const std::int64_t after = DevSim::nowUs();
    const auto frames = sim.frames();
    QCOMPARE(frames.size(), std::size_t{3});
    QCOMPARE(frames[1].reason, DevSimReject::BadChecksum);
    QCOMPARE(frames[2].command, (DevSimCommand{DevSimCommandKind::Set, 2, 2, 1, 9}));
    for (const DevSimFrame& f : frames)
        QVERIFY(f.timestampUs >= before && f.timestampUs <= after);
    QCOMPARE(sim.validFrames().size(), std::size_t{2});

    sim.clearLog();
    QCOMPARE(sim.frameCount(), 0);
    QCOMPARE(sim.answersSent(), 0L);
    QCOMPARE(sim.channel(1), (DevSimChannel{1, 9}));
}

void tst_DevSimPort::reopen_afterClose_stillAnswered() {
    DevSim sim;
    QVERIFY(sim.start());
    for (int round = 0; round < 4; ++round) {
        PtyClient port(sim.portPath());
        QVERIFY2(port.isOpen(), qPrintable(QString::number(round)));
        QVERIFY(port.send(POLL));
        QCOMPARE(port.readExactly(1, WAIT_MS), QByteArray("u"));
        // Closed with a frame still unanswered: the device must carry on regardless.
        QVERIFY(port.send(POLL));
    }
    QVERIFY(sim.waitForValidFrames(8, WAIT_MS));
    QVERIFY(sim.isRunning());
}

void tst_DevSimPort::answerEvery_answersOnlyEveryNth() {
    DevSim sim(DevSimOptions{.faults = {.answerEvery = 3}});
    QVERIFY(sim.start());
    PtyClient port(sim.portPath());
    QVERIFY(port.send(POLL.repeated(7)));
    QVERIFY(sim.waitForValidFrames(7, WAIT_MS));
    QCOMPARE(port.readExactly(2, WAIT_MS), QByteArray("uu"));
    QCOMPARE(port.readFor(QUIET_MS), QByteArray());
    QCOMPARE(sim.answersSent(), 2L);
}

void tst_DevSimPort::delay_answersLate() {
    DevSim sim(DevSimOptions{.faults = {.delayMs = 300}});
    QVERIFY(sim.start());
    PtyClient port(sim.portPath());
    QElapsedTimer timer;
    timer.start();
    QVERIFY(port.send(POLL));
    QCOMPARE(port.readExactly(1, WAIT_MS), QByteArray("u"));
    const qint64 elapsed = timer.elapsed();
    QVERIFY2(elapsed >= 295 && elapsed < 3000, qPrintable(QString::number(elapsed)));

    // Back to prompt answers without a restart.
    sim.setFaults({});
    timer.restart();
    QVERIFY(port.send(POLL));
    QCOMPARE(port.readExactly(1, WAIT_MS), QByteArray("u"));
    QVERIFY2(timer.elapsed() < 295, qPrintable(QString::number(timer.elapsed())));
}

void tst_DevSimPort::extraBytes_followTheAnswer() {
    DevSim sim(DevSimOptions{.faults = {.extraBytes = 4}});
    QVERIFY(sim.start());
    PtyClient port(sim.portPath());
    QVERIFY(port.send(POLL + POLL));
    const QByteArray reply = port.readExactly(10, WAIT_MS);
    QCOMPARE(reply.size(), 10);
    QCOMPARE(reply.at(0), 'u');
    QCOMPARE(reply.at(5), 'u');
    QCOMPARE(reply.count('u'), 2);
    QCOMPARE(port.readFor(QUIET_MS), QByteArray());
}

void tst_DevSimPort::garbage_replacesTheAnswer() {
    DevSim sim(DevSimOptions{.faults = {.garbage = true}});
    QVERIFY(sim.start());
    PtyClient port(sim.portPath());
    QVERIFY(port.send(POLL + frameBytes(2, 1, 1, 1)));
    QCOMPARE(port.readExactly(2, WAIT_MS), QByteArray("xx"));
}

void tst_DevSimPort::silent_thenAnsweringAgain() {
    DevSim sim(DevSimOptions{.faults = {.silent = true}});
    QVERIFY(sim.start());
    PtyClient port(sim.portPath());
    QVERIFY(port.send(POLL + frameBytes(2, 3, 1, 30)));
    QVERIFY(sim.waitForValidFrames(2, WAIT_MS));
    QCOMPARE(port.readFor(QUIET_MS), QByteArray());
    QCOMPARE(sim.channel(2), (DevSimChannel{1, 30})); // a silent device still obeys

    sim.setFaults({});
    QVERIFY(port.send(POLL));
    QCOMPARE(port.readExactly(1, WAIT_MS), QByteArray("u"));
}

void tst_DevSimPort::flood_sendsNoiseWithoutAnswers() {
    DevSim sim(DevSimOptions{.faults = {.floodBytesPerSec = 4000}});
    QVERIFY(sim.start());
    PtyClient port(sim.portPath());
    const QByteArray noise = port.readExactly(400, WAIT_MS);
    QCOMPARE(noise.size(), 400);
    QCOMPARE(noise.count('u'), 0);

    // An answer still gets through the noise.
    QVERIFY(port.send(POLL));
    QVERIFY(sim.waitForAnswers(1, WAIT_MS));
    QByteArray stream;
    QElapsedTimer timer;
    timer.start();
    while (!stream.contains('u') && timer.elapsed() < WAIT_MS)
        stream += port.readExactly(64, WAIT_MS);
    QVERIFY(stream.contains('u'));

    sim.setFaults({});
    QVERIFY(sim.floodBytesSent() >= 400);
}

void tst_DevSimPort::hangupAfter_closesThePort() {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("port"));
    DevSim sim(DevSimOptions{.hangupAfter = 2, .linkPath = link});
    QVERIFY(sim.start());
    const QString path = sim.portPath();
    PtyClient port(link);
    QVERIFY(port.isOpen());
    QVERIFY(port.send(POLL));
    QCOMPARE(port.readExactly(1, WAIT_MS), QByteArray("u"));
    QVERIFY(port.send(POLL + POLL)); // the second one reaches a device that is gone
    QCOMPARE(port.readExactly(1, WAIT_MS), QByteArray("u"));
    QVERIFY(sim.waitForHangup(WAIT_MS));

    QVERIFY(port.waitEvents(WAIT_MS) & POLLHUP);
    QVERIFY(!port.send(POLL));
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY(!QFileInfo(link).isSymLink());
    QCOMPARE(sim.answersSent(), 2L);
    QVERIFY(!sim.isRunning());
}

void tst_DevSimPort::hangUp_onDemand() {
    DevSim sim;
    QVERIFY(sim.start());
    PtyClient port(sim.portPath());
    QVERIFY(port.send(POLL));
    QCOMPARE(port.readExactly(1, WAIT_MS), QByteArray("u"));
    QVERIFY(sim.hangUp());
    QVERIFY(port.waitEvents(WAIT_MS) & POLLHUP);
    QVERIFY(!QFileInfo::exists(sim.portPath()));
    PtyClient again(sim.portPath());
    QVERIFY(!again.isOpen());
}

void tst_DevSimPort::link_replacesStaleSymlinkAndIsRemoved() {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyMorvix"));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), link));
    {
        DevSim sim(DevSimOptions{.linkPath = link});
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        QCOMPARE(QFileInfo(link).symLinkTarget(), sim.portPath());
        PtyClient port(link);
        QVERIFY(port.send(POLL));
        QCOMPARE(port.readExactly(1, WAIT_MS), QByteArray("u"));
    }
    QVERIFY(!QFileInfo(link).isSymLink());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
             QStringList());
}

void tst_DevSimPort::link_refusesToReplaceAFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("notes.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();

    DevSim sim(DevSimOptions{.linkPath = path});
    QVERIFY(!sim.start());
    QVERIFY(sim.errorString().contains(path));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("keep me"));
}

void tst_DevSimPort::stop_removesThePort() {
    DevSim sim;
    QVERIFY(sim.start());
    const QString path = sim.portPath();
    QVERIFY(path.startsWith(QStringLiteral("/dev/")));
    PtyClient port(path);
    QVERIFY(port.isOpen());
    sim.stop();
    QVERIFY(!sim.isRunning());
    QVERIFY(port.waitEvents(WAIT_MS) & POLLHUP);
    QVERIFY(!QFileInfo::exists(path));
    sim.stop(); // twice is harmless
}

void tst_DevSimPort::log_recordsTheLine() {
    QTemporaryDir dir;
    const QString logPath = dir.filePath(QStringLiteral("line.jsonl"));
    QString port;
    {
        DevSim sim(DevSimOptions{.logPath = logPath});
        QVERIFY(sim.start());
        port = sim.portPath();
        PtyClient client(port);
        QVERIFY(client.send(hexBytes("00 01") + POLL + hexBytes("95 02 01 01 ff 00") +
                            frameBytes(2, 2, 1, 200)));
        QCOMPARE(client.readExactly(2, WAIT_MS), QByteArray("uu"));
        QVERIFY(sim.waitForAnswers(2, WAIT_MS));
    }
    QFile file(logPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    // Received and sent records each keep their order; how they interleave depends on the reads.
    QMap<QString, QStringList> byDirection;
    qint64 lastTime = 0;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        QVERIFY2(!o.isEmpty(), line.constData());
        const qint64 t = o.value(QStringLiteral("t_us")).toInteger();
        QVERIFY(t >= lastTime);
        lastTime = t;
        const QString dir = o.value(QStringLiteral("dir")).toString();
        if (dir == QLatin1String("info"))
            byDirection[dir] << o.value(QStringLiteral("event")).toString();
        else if (dir == QLatin1String("tx"))
            byDirection[dir] << o.value(QStringLiteral("hex")).toString();
        else if (o.value(QStringLiteral("valid")).toBool())
            byDirection[dir] << o.value(QStringLiteral("cmd")).toString();
        else
            byDirection[dir] << o.value(QStringLiteral("reason")).toString();
    }
    QCOMPARE(byDirection.value(QStringLiteral("info")), QStringList({"start", "stop"}));
    QCOMPARE(byDirection.value(QStringLiteral("rx")),
             QStringList({"garbage-skipped", "poll", "bad-checksum", "set"}));
    QCOMPARE(byDirection.value(QStringLiteral("tx")), QStringList({"75", "75"}));
}

// The far end of an emulated adapter applies the guest driver's settings to the port; the log
// shows each change, starting from 9600 8N1, so 19200 odd can only have come from there.
void tst_DevSimPort::reportLine_logsWhatTheFarEndSet() {
    QTemporaryDir dir;
    const QString logPath = dir.filePath(QStringLiteral("line.jsonl"));
    {
        DevSim sim(DevSimOptions{.logPath = logPath, .reportLine = true});
        QVERIFY(sim.start());
        PtyClient client(sim.portPath());
        termios t{};
        QCOMPARE(::tcgetattr(client.fd(), &t), 0);
        t.c_cflag |= PARENB | PARODD | CSTOPB;
        ::cfsetispeed(&t, B19200);
        ::cfsetospeed(&t, B19200);
        QCOMPARE(::tcsetattr(client.fd(), TCSANOW, &t), 0);
        QVERIFY(client.send(POLL));
        QCOMPARE(client.readExactly(1, WAIT_MS), QByteArray("u"));
    }
    QFile file(logPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList lines;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (o.value(QStringLiteral("event")).toString() == QLatin1String("line"))
            lines << QStringLiteral("%1 parodd=%2 stop=%3")
                         .arg(o.value(QStringLiteral("baud")).toInt())
                         .arg(o.value(QStringLiteral("parodd")).toBool())
                         .arg(o.value(QStringLiteral("stop_bits")).toInt());
        else if (o.value(QStringLiteral("cmd")).toString() == QLatin1String("poll"))
            lines << QStringLiteral("poll");
    }
    QCOMPARE(lines, QStringList({"9600 parodd=0 stop=1", "19200 parodd=1 stop=2", "poll"}));
}

QTEST_GUILESS_MAIN(tst_DevSimPort)
#include "tst_devsimport.moc"
