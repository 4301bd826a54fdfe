#include "ui/dialogs/CRemoteDlg.h"
#include "ui/dialogs/QrMatrix.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

Q_DECLARE_METATYPE(RemoteStatus)
Q_DECLARE_METATYPE(RemoteChoice)

namespace {

bool IsFinder(const QrMatrix& m, int left, int top) {
    // 7 x 7: a dark ring, a light ring, a dark 3 x 3 core.
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 7; ++x) {
            const int ring = std::min({x, y, 6 - x, 6 - y});
            if (m.Dark(left + x, top + y) != (ring != 1))
                return false;
        }
    }
    return true;
}

int FormatBits(const QrMatrix& m, bool second) {
    int bits = 0;
    for (int i = 0; i < 15; ++i) {
        bool dark;
        if (!second) {
            const int y = i <= 5 ? i : i == 6 ? 7 : 8;
            const int x = i <= 7 ? 8 : i == 8 ? 7 : 14 - i;
            dark = m.Dark(x, y);
        } else {
            dark = i < 8 ? m.Dark(m.size - 1 - i, 8) : m.Dark(8, m.size - 15 + i);
        }
        bits |= int(dark) << i;
    }
    return bits;
}

// The format word is protected by a BCH(15,5) code; a word read from the wrong place fails it.
bool FormatWordValid(int word) {
    const int data = (word ^ 0x5412) >> 10;
    int rem = data;
    for (int i = 0; i < 10; ++i)
        rem = (rem << 1) ^ ((rem >> 9) * 0x537);
    return ((data << 10 | rem) ^ 0x5412) == word;
}

QString Token(int length) {
    return QString(length, QLatin1Char('Q'));
}

RemoteStatus Running(const QString& link, int port = 8130, int clients = 0) {
    RemoteStatus status;
    status.running = true;
    status.boundPort = port;
    status.link = link;
    status.clients = clients;
    status.lanAddress = QStringLiteral("192.168.1.20");
    return status;
}

} // namespace

class tst_RemoteDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The version follows the length of the link: the smallest one with room for it at level M
    // in byte mode (14, 26, 42, 62, 84, 106 bytes for versions 1 to 6).
    void encode_smallestVersionThatHoldsTheLink_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("size");
        QTest::newRow("empty") << QByteArray() << 0;
        QTest::newRow("14 bytes: version 1") << QByteArray(14, 'a') << 21;
        QTest::newRow("15 bytes: version 2") << QByteArray(15, 'a') << 25;
        QTest::newRow("loopback, 128-bit token")
            << ("http://127.0.0.1:8130/#" + Token(22)).toUtf8() << 33;
        QTest::newRow("network, 256-bit token")
            << ("http://192.168.100.200:65535/#" + Token(43)).toUtf8() << 37;
        QTest::newRow("106 bytes: version 6") << QByteArray(106, 'a') << 41;
        QTest::newRow("beyond version 40") << QByteArray(2400, 'a') << 0;
    }
    void encode_smallestVersionThatHoldsTheLink() {
        QFETCH(QByteArray, text);
        QFETCH(int, size);
        const QrMatrix m = EncodeQr(text);
        QCOMPARE(m.size, size);
        QCOMPARE(m.dark.size(), size_t(size) * size);
    }

    // Finders in three corners, the timing lines between them, and both copies of the format
    // word valid and naming level M: a matrix a phone's reader takes, the right way round.
    void encode_readableStructure_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("loopback") << QByteArray("http://127.0.0.1:8130/#Ab-_09xyzXYZ12345678");
        QTest::newRow("ipv6") << QByteArray("http://[fe80::1]:8131/#tokentokentokentoken12");
        QTest::newRow("lower and upper case") << QByteArray("http://host:1/#aAbBcC");
    }
    void encode_readableStructure() {
        QFETCH(QByteArray, text);
        const QrMatrix m = EncodeQr(text);
        QVERIFY(!m.Empty());
        QVERIFY(IsFinder(m, 0, 0));
        QVERIFY(IsFinder(m, m.size - 7, 0));
        QVERIFY(IsFinder(m, 0, m.size - 7));
        QVERIFY(!IsFinder(m, m.size - 7, m.size - 7));
        for (int i = 8; i < m.size - 8; ++i) {
            QCOMPARE(m.Dark(i, 6), i % 2 == 0);
            QCOMPARE(m.Dark(6, i), i % 2 == 0);
        }
        const int first = FormatBits(m, false);
        QCOMPARE(FormatBits(m, true), first);
        QVERIFY2(FormatWordValid(first), qPrintable(QString::number(first, 2)));
        QCOMPARE((first ^ 0x5412) >> 13, 0); // 00: level M
    }

    // Every module is a scale x scale square of its colour inside a white quiet zone.
    void image_modulesAndQuietZone_data() {
        QTest::addColumn<int>("scale");
        QTest::newRow("1") << 1;
        QTest::newRow("3") << 3;
        QTest::newRow("7") << 7;
    }
    void image_modulesAndQuietZone() {
        QFETCH(int, scale);
        const QrMatrix m = EncodeQr("http://127.0.0.1:8130/#abc");
        const QImage image = QrImage(m, scale);
        const int side = (m.size + 2 * kQrQuietModules) * scale;
        QCOMPARE(image.size(), QSize(side, side));
        for (int py = 0; py < side; ++py) {
            for (int px = 0; px < side; ++px) {
                const int x = px / scale - kQrQuietModules;
                const int y = py / scale - kQrQuietModules;
                const bool inside = x >= 0 && y >= 0 && x < m.size && y < m.size;
                const bool dark = inside && m.Dark(x, y);
                if ((qGray(image.pixel(px, py)) < 128) != dark)
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(px).arg(py)));
            }
        }
        QVERIFY(QrImage(QrMatrix{}, scale).isNull());
    }

    // What the dialog shows for each state of the server.
    void status_shownAsItIs_data() {
        QTest::addColumn<RemoteStatus>("status");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("qr");
        QTest::addColumn<QString>("clients");
        const QString link = QStringLiteral("http://127.0.0.1:8130/#") + Token(22);
        QTest::newRow("off") << RemoteStatus{} << "Off."
                             << "" << false << "";
        QTest::newRow("on") << Running(link, 8130, 2) << "On, port 8130." << link << true
                            << "Pages connected: 2";
        QTest::newRow("port taken") << Running(link, 8131) << "On, port 8131 (8130 was taken)."
                                    << link << true << "Pages connected: 0";
        RemoteStatus failed;
        failed.problem = QStringLiteral("no free port from 8130 to 8145");
        QTest::newRow("could not start") << failed << "Not on: no free port from 8130 to 8145"
                                         << "" << false << "";
        const QString huge = QStringLiteral("http://h:1/#") + Token(3000);
        QTest::newRow("link too long for a code")
            << Running(huge) << "On, port 8130." << huge << false << "Pages connected: 0";
    }
    void status_shownAsItIs() {
        QFETCH(RemoteStatus, status);
        CRemoteDlg dlg;
        dlg.SetChoice({status.running, false, 8130});
        dlg.SetStatus(status);
        QTEST(dlg.StateText(), "state");
        QTEST(dlg.LinkText(), "link");
        QTEST(dlg.ShowsQrCode(), "qr");
        QTEST(dlg.ClientsText(), "clients");
        QCOMPARE(dlg.NewLinkButton()->isEnabled(), status.running);
        QCOMPARE(dlg.CopyButton()->isEnabled(), status.running);
        QVERIFY(dlg.LanButton()->text().contains(QStringLiteral("192.168.1.20")) ||
                !status.running);
    }

    // Filling the dialog announces nothing; each change of the operator's announces the whole
    // choice at once.
    void choice_announcedOnEveryChange_notWhenFilled() {
        CRemoteDlg dlg;
        QSignalSpy spy(&dlg, &CRemoteDlg::ChoiceChanged);
        dlg.SetChoice({true, true, 8200});
        QCOMPARE(spy.count(), 0);
        QCOMPARE(dlg.Choice(), (RemoteChoice{true, true, 8200}));

        dlg.LocalButton()->click();
        dlg.EnabledBox()->click();
        dlg.PortField()->setValue(9000);
        QCOMPARE(spy.count(), 3);
        QCOMPARE(spy.at(0).at(0).value<RemoteChoice>(), (RemoteChoice{true, false, 8200}));
        QCOMPARE(spy.at(1).at(0).value<RemoteChoice>(), (RemoteChoice{false, false, 8200}));
        QCOMPARE(spy.at(2).at(0).value<RemoteChoice>(), (RemoteChoice{false, false, 9000}));
    }

    void copyAndNewLink_act() {
        CRemoteDlg dlg;
        const QString link = QStringLiteral("http://127.0.0.1:8130/#abc");
        dlg.SetStatus(Running(link));
        QSignalSpy newLink(&dlg, &CRemoteDlg::NewLinkRequested);
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        dlg.CopyButton()->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), link);
        QCOMPARE(newLink.count(), 0);
        dlg.NewLinkButton()->click();
        QCOMPARE(newLink.count(), 1);
    }
};

QTEST_MAIN(tst_RemoteDialog)
#include "tst_remotedialog.moc"
