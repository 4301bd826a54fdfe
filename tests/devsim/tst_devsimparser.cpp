#include "DevSimDevice.h"
#include "DevSimFrameParser.h"
#include "DevSimLog.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

std::vector<std::uint8_t> bytesOf(const char* hex) {
    const QByteArray raw = QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
    return {raw.begin(), raw.end()};
}

DevSimFrame validFrame(int code, int argument, int power, int level) {
    DevSimFrameBytes b{
        0x95, std::uint8_t(code), std::uint8_t(argument), std::uint8_t(power), std::uint8_t(level),
        0};
    b[5] = std::uint8_t((b[0] + b[1] + b[2] + b[3] + b[4]) & 0xFF);
    return devSimCheckFrame(b);
}

// One word per result; neighbouring skipped runs are merged, since how garbage is cut up
// depends only on how the bytes arrived.
QString describe(const std::vector<DevSimParsed>& results) {
    QStringList words;
    int skippedRun = 0;
    auto flushSkipped = [&] {
        if (skippedRun > 0)
            words << QStringLiteral("skip%1").arg(skippedRun);
        skippedRun = 0;
    };
    for (const DevSimParsed& p : results) {
        if (!p.isFrame) {
            skippedRun += int(p.skipped.size());
            continue;
        }
        flushSkipped();
        const DevSimCommand& c = p.frame.command;
        if (!p.frame.valid)
            words << QString::fromLatin1(devSimRejectName(p.frame.reason));
        else if (c.kind == DevSimCommandKind::Set)
            words << QStringLiteral("set%1/%2/%3").arg(c.channel).arg(c.power).arg(c.level);
        else
            words << QString::fromLatin1(devSimCommandName(c.kind));
    }
    flushSkipped();
    return words.join(QLatin1Char(' '));
}

} // namespace

class tst_DevSimParser : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void stream_givesFramesInAnyChunking_data();
    void stream_givesFramesInAnyChunking();
    void rejectedCandidate_keepsItsBytesOutOfSkipped();
    void device_appliesFrames_data();
    void device_appliesFrames();
    void device_answers_data();
    void device_answers();
    void noise_neverContainsTheAnswer();
    void log_recordsAreJson_data();
    void log_recordsAreJson();
};

void tst_DevSimParser::stream_givesFramesInAnyChunking_data() {
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QString>("expected");
    auto row = [](const char* name, const char* hex, const char* expected) {
        QTest::newRow(name) << QByteArray(hex) << QString::fromLatin1(expected);
    };
    row("poll", "95 01 00 00 00 96", "poll");
    row("all off", "95 03 08 00 00 a0", "alloff");
    row("channel 1 on at 255", "95 02 01 01 ff 98", "set1/1/255");
    row("channel 8 off keeps 100", "95 02 08 00 64 03", "set8/0/100");
    row("level equal to header", "95 02 03 01 95 30 95 01 00 00 00 96", "set3/1/149 poll");
    row("garbage before", "00 12 75 95 01 00 00 00 96", "skip3 poll");
    row("garbage between", "95 01 00 00 00 96 ff ff 95 03 08 00 00 a0", "poll skip2 alloff");
    row("garbage only", "01 02 03 75", "skip4");
    row("bad checksum then good", "95 02 01 01 ff 00 95 01 00 00 00 96", "bad-checksum poll");
    row("stray header", "95 95 01 00 00 00 96", "bad-checksum poll");
    row("truncated frame then good", "95 02 01 95 01 00 00 00 96", "bad-checksum poll");
    row("bad checksum, garbage, good", "95 02 01 01 ff 00 aa 95 01 00 00 00 96",
        "bad-checksum skip1 poll");
    row("unknown code", "95 07 00 00 00 9c 95 01 00 00 00 96", "unknown-code poll");
    row("code zero", "95 00 00 00 00 95", "unknown-code");
    row("channel 0", "95 02 00 01 10 a8", "bad-argument");
    row("channel 9", "95 02 09 01 10 b1", "bad-argument");
    row("switch 2", "95 02 01 02 10 aa", "bad-argument");
    row("all off for 7", "95 03 07 00 00 9f", "bad-argument");
    row("all off with a level", "95 03 08 00 01 a1", "bad-argument");
    row("poll with argument", "95 01 01 00 00 97", "bad-argument");
    row("incomplete waits", "95 02 01", "");
}

void tst_DevSimParser::stream_givesFramesInAnyChunking() {
    QFETCH(QByteArray, stream);
    QFETCH(QString, expected);
    const std::vector<std::uint8_t> bytes = bytesOf(stream.constData());
    for (std::size_t chunk : {bytes.size(), std::size_t{1}, std::size_t{2}, std::size_t{4},
                              std::size_t{5}, std::size_t{7}}) {
        DevSimFrameParser parser;
        std::vector<DevSimParsed> all;
        for (std::size_t at = 0; at < bytes.size(); at += chunk) {
            const std::size_t n = std::min(chunk, bytes.size() - at);
            auto part = parser.feed(std::span(bytes).subspan(at, n));
            all.insert(all.end(), part.begin(), part.end());
        }
        QVERIFY2(describe(all) == expected,
                 qPrintable(QStringLiteral("chunk %1: %2").arg(chunk).arg(describe(all))));
    }
}

void tst_DevSimParser::rejectedCandidate_keepsItsBytesOutOfSkipped() {
    DevSimFrameParser parser;
    const auto results = parser.feed(bytesOf("95 02 01 01 ff 00 95 01 00 00 00 96"));
    QCOMPARE(results.size(), std::size_t{2});
    QCOMPARE(devSimHex(results[0].frame.bytes), std::string("95 02 01 01 ff 00"));
    QCOMPARE(results[0].frame.command.channel, 1);
    QCOMPARE(devSimHex(results[1].frame.bytes), std::string("95 01 00 00 00 96"));
    QCOMPARE(parser.pendingBytes(), std::size_t{0});
}

void tst_DevSimParser::device_appliesFrames_data() {
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QString>("expected"); // "power/level" for channels 1..8

    QTest::newRow("one channel") << QByteArray("95 02 03 01 c8 63")
                                 << "0/0 0/0 1/200 0/0 0/0 0/0 0/0 0/0";
    QTest::newRow("switched off keeps its level")
        << QByteArray("95 02 05 01 50 ed 95 02 05 00 50 ec") << "0/0 0/0 0/0 0/0 0/80 0/0 0/0 0/0";
    QByteArray everyChannel;
    for (int ch = 1; ch <= 8; ++ch)
        everyChannel += devSimHex(validFrame(2, ch, 1, 30 * ch).bytes).c_str() + QByteArray(" ");
    QTest::newRow("every channel")
        << everyChannel << "1/30 1/60 1/90 1/120 1/150 1/180 1/210 1/240";
    QTest::newRow("all off clears all eight") << everyChannel + "95 03 08 00 00 a0"
                                              << "0/0 0/0 0/0 0/0 0/0 0/0 0/0 0/0";
    QTest::newRow("rejected frames change nothing")
        << QByteArray("95 02 02 01 10 aa 95 02 01 01 ff 00 95 02 09 01 10 b1 95 03 07 00 00 9f")
        << "0/0 1/16 0/0 0/0 0/0 0/0 0/0 0/0";
}

void tst_DevSimParser::device_appliesFrames() {
    QFETCH(QByteArray, stream);
    QFETCH(QString, expected);
    DevSimFrameParser parser;
    DevSimDevice device;
    for (const DevSimParsed& p : parser.feed(bytesOf(stream.constData()))) {
        if (p.isFrame)
            device.handle(p.frame);
    }
    QStringList actual;
    for (const DevSimChannel& c : device.channels())
        actual << QStringLiteral("%1/%2").arg(c.power).arg(c.level);
    QCOMPARE(actual.join(QLatin1Char(' ')), expected);
}

void tst_DevSimParser::device_answers_data() {
    QTest::addColumn<bool>("silent");
    QTest::addColumn<int>("every");
    QTest::addColumn<bool>("garbage");
    QTest::addColumn<QString>("expected"); // first answer byte per frame, '-' for none

    QTest::newRow("answers every frame") << false << 1 << false << "uuuuuu";
    QTest::newRow("silent") << true << 1 << false << "------";
    QTest::newRow("every third") << false << 3 << false << "--u--u";
    QTest::newRow("every second, garbage") << false << 2 << true << "-x-x-x";
    QTest::newRow("every zero means every") << false << 0 << false << "uuuuuu";
}

void tst_DevSimParser::device_answers() {
    QFETCH(bool, silent);
    QFETCH(int, every);
    QFETCH(bool, garbage);
    QFETCH(QString, expected);
    DevSimDevice device;
    device.setFaults({.silent = silent, .answerEvery = every, .garbage = garbage});
    const DevSimFrame rejected = devSimCheckFrame({0x95, 0x02, 0x09, 0x01, 0x10, 0xb1});
    QString actual;
    for (int i = 0; i < 6; ++i) {
        // Rejected frames in between are never answered and do not count.
        QVERIFY(device.handle(rejected).empty());
        const auto answer = device.handle(validFrame(1, 0, 0, 0));
        actual += answer.empty() ? QLatin1Char('-') : QLatin1Char(char(answer[0]));
        QVERIFY(answer.size() <= 1);
    }
    QCOMPARE(actual, expected);
    QCOMPARE(device.validFrames(), 6L);
}

void tst_DevSimParser::noise_neverContainsTheAnswer() {
    DevSimDevice device;
    device.setFaults({.extraBytes = 5});
    const auto answer = device.handle(validFrame(1, 0, 0, 0));
    QCOMPARE(answer.size(), std::size_t{6});
    QCOMPARE(answer[0], DEVSIM_ANSWER);
    QVERIFY(std::count(answer.begin(), answer.end(), DEVSIM_ANSWER) == 1);

    const auto noise = device.noise(200000);
    std::array<int, 256> seen{};
    for (const std::uint8_t b : noise)
        ++seen[b];
    QCOMPARE(seen[DEVSIM_ANSWER], 0);
    QVERIFY(std::count(seen.begin(), seen.end(), 0) == 1); // every other value does occur
}

void tst_DevSimParser::log_recordsAreJson_data() {
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QVariantMap>("expected");

    DevSimFrame set = validFrame(2, 3, 1, 200);
    set.timestampUs = 1234;
    QTest::newRow("set") << QByteArray(devSimLogFrame(set).c_str())
                         << QVariantMap{
                                {"t_us", 1234},  {"dir", "rx"},  {"hex", "95 02 03 01 c8 63"},
                                {"valid", true}, {"cmd", "set"}, {"channel", 3},
                                {"switch", 1},   {"level", 200}};
    const DevSimFrame bad = devSimCheckFrame({0x95, 0x01, 0x00, 0x00, 0x00, 0x97});
    QTest::newRow("bad checksum") << QByteArray(devSimLogFrame(bad).c_str())
                                  << QVariantMap{{"valid", false},
                                                 {"reason", "bad-checksum"},
                                                 {"cmd", "poll"}};
    const DevSimFrame unknown = devSimCheckFrame({0x95, 0x07, 0x00, 0x00, 0x00, 0x9c});
    QTest::newRow("unknown code") << QByteArray(devSimLogFrame(unknown).c_str())
                                  << QVariantMap{{"reason", "unknown-code"},
                                                 {"cmd", "unknown"},
                                                 {"code", 7}};
    const std::vector<std::uint8_t> junk{0x12, 0x34};
    QTest::newRow("skipped") << QByteArray(devSimLogSkipped(99, junk).c_str())
                             << QVariantMap{{"t_us", 99},
                                            {"dir", "rx"},
                                            {"hex", "12 34"},
                                            {"valid", false},
                                            {"reason", "garbage-skipped"}};
    const std::vector<std::uint8_t> u{0x75};
    QTest::newRow("answer") << QByteArray(devSimLogSent(5, u, "answer").c_str())
                            << QVariantMap{{"dir", "tx"}, {"hex", "75"}, {"kind", "answer"}};
    QTest::newRow("event") << QByteArray(devSimLogEvent(7, "start", "/dev/pts/\"9\"").c_str())
                           << QVariantMap{
                                  {"dir", "info"}, {"event", "start"}, {"port", "/dev/pts/\"9\""}};
}

void tst_DevSimParser::log_recordsAreJson() {
    QFETCH(QByteArray, record);
    QFETCH(QVariantMap, expected);
    QVERIFY(!record.contains('\n'));
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(record, &error);
    QVERIFY2(error.error == QJsonParseError::NoError, record.constData());
    const QVariantMap actual = doc.object().toVariantMap();
    QVERIFY(actual.contains(QStringLiteral("t_us")));
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QVERIFY2(actual.value(it.key()) == it.value(), qPrintable(it.key()));
}

QTEST_GUILESS_MAIN(tst_DevSimParser)
#include "tst_devsimparser.moc"
