// The bench's fader box reads its messages and play lists as text; a misread byte or a reordered
// list would put a wrong value on the panel and fail the VM bench for the wrong reason.
#include "HexBytes.h"
#include "PlayList.h"

#include <QTest>

Q_DECLARE_METATYPE(Bytes)

namespace {

QString Describe(const std::vector<TimedMessage>& list) {
    QStringList parts;
    for (const TimedMessage& m : list)
        parts << QStringLiteral("%1:%2").arg(m.dueUs).arg(
            QString::fromStdString(FormatHexBytes(m.bytes.data(), m.bytes.size())));
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TestFaderBoxText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parseHexBytes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<Bytes>("bytes");
        QTest::newRow("control change") << "B0 00 40" << true << Bytes{0xB0, 0x00, 0x40};
        QTest::newRow("lower case, one digit") << "b0 7 f" << true << Bytes{0xB0, 0x07, 0x0F};
        QTest::newRow("extra spaces and a tab") << "  F8\t FE " << true << Bytes{0xF8, 0xFE};
        QTest::newRow("sysex") << "F0 7E 7F 06 01 F7" << true
                               << Bytes{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
        QTest::newRow("three digits") << "B00 40" << false << Bytes{};
        QTest::newRow("not hex") << "B0 0G 40" << false << Bytes{};
        QTest::newRow("a sign") << "B0 -1" << false << Bytes{};
        QTest::newRow("nothing") << "   " << false << Bytes{};
    }
    void parseHexBytes() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(Bytes, bytes);
        const auto got = ParseHexBytes(text.toStdString());
        QCOMPARE(got.has_value(), valid);
        if (valid)
            QCOMPARE(*got, bytes);
    }

    void formatRoundTrips() {
        const Bytes bytes{0x00, 0x0A, 0x7F, 0xF0, 0xFF};
        const std::string text = FormatHexBytes(bytes.data(), bytes.size());
        QCOMPARE(QString::fromStdString(text), QStringLiteral("00 0A 7F F0 FF"));
        QCOMPARE(*ParseHexBytes(text), bytes);
    }

    void parsePlayList_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("list");
        QTest::newRow("two messages") << "0 B0 00 40\n10 B0 01 41\n"
                                      << true << "0:B0 00 40 10000:B0 01 41";
        QTest::newRow("fractions of a millisecond")
            << "1.25 F8\n2.5 FE" << true << "1250:F8 2500:FE";
        QTest::newRow("comments, blank and CRLF lines") << "# sweep\r\n\r\n5 B0 02 00\r\n"
                                                        << true << "5000:B0 02 00";
        QTest::newRow("same time twice")
            << "3 B0 00 01\n3 B0 00 02" << true << "3000:B0 00 01 3000:B0 00 02";
        QTest::newRow("time goes back") << "10 B0 00 01\n9 B0 00 02" << false << "";
        QTest::newRow("no time") << "B0 00 01" << false << "";
        QTest::newRow("time without bytes") << "10\n" << false << "";
        QTest::newRow("negative time") << "-1 F8" << false << "";
        QTest::newRow("bad byte") << "0 B0 XY" << false << "";
    }
    void parsePlayList() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, list);
        const auto got = ParsePlayList(text.toStdString());
        QCOMPARE(got.has_value(), valid);
        if (valid)
            QCOMPARE(Describe(*got), list);
    }
};

QTEST_GUILESS_MAIN(TestFaderBoxText)
#include "tst_faderbox_text.moc"
