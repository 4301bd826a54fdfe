#include "TempConfigHome.h"
#include "app/RemoteDialogBridge.h"
#include "remote/RemoteService.h"
#include "session/DeviceSession.h"
#include "ui/dialogs/CRemoteDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QWebSocket>
#include <functional>

namespace {

int FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Runs the real dialog over the real service; `steps` act on it while it is open.
void WithDialog(RemoteService& remote, const std::function<void(CRemoteDlg&)>& steps) {
    bool ran = false;
    QTimer::singleShot(0, &remote, [&] {
        auto* dialog = qobject_cast<CRemoteDlg*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        ran = true;
        steps(*dialog);
        dialog->reject();
    });
    RunRemoteDialog(nullptr, remote);
    QVERIFY(ran);
}

} // namespace

class tst_RemoteDialogBridge : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each choice made in the dialog reaches the service at once, and what the service then is
    // shows in the dialog: the link, a new link, a taken port, the pages, off again.
    void choices_applied_andServiceShown() {
        TempConfigHome home;
        DeviceSession session;
        RemoteService remote(session);
        const int port = FreePort();
        QTcpServer squatter;
        QVERIFY(squatter.listen(QHostAddress::LocalHost, 0));
        const int taken = squatter.serverPort();

        WithDialog(remote, [&](CRemoteDlg& dialog) {
            QCOMPARE(dialog.StateText(), QStringLiteral("Off."));
            QVERIFY(!dialog.ShowsQrCode());
            dialog.PortField()->setValue(port);
            QVERIFY(!remote.Running());

            dialog.EnabledBox()->click();
            QVERIFY(remote.Running());
            QCOMPARE(remote.BoundPort(), port);
            QCOMPARE(dialog.StateText(), QStringLiteral("On, port %1.").arg(port));
            QCOMPARE(dialog.LinkText(), remote.Link());
            QVERIFY(dialog.ShowsQrCode());

            const QString before = remote.Link();
            dialog.NewLinkButton()->click();
            QVERIFY(remote.Link() != before);
            QCOMPARE(dialog.LinkText(), remote.Link());

            QWebSocket page(QStringLiteral("http://127.0.0.1:%1").arg(port));
            page.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws?t=%2")
                               .arg(port)
                               .arg(remote.Settings().token)));
            QTRY_COMPARE(dialog.ClientsText(), QStringLiteral("Pages connected: 1"));

            dialog.PortField()->setValue(taken);
            QVERIFY(remote.Running());
            QVERIFY(remote.BoundPort() != taken);
            QCOMPARE(
                dialog.StateText(),
                QStringLiteral("On, port %1 (%2 was taken).").arg(remote.BoundPort()).arg(taken));
            QCOMPARE(dialog.LinkText(), remote.Link());

            dialog.EnabledBox()->click();
            QVERIFY(!remote.Running());
            QCOMPARE(dialog.StateText(), QStringLiteral("Off."));
            QCOMPARE(dialog.LinkText(), QString());
            QVERIFY(!dialog.ShowsQrCode());
        });

        // Opened again, the dialog starts from the service's own settings.
        WithDialog(remote, [&](CRemoteDlg& dialog) {
            QCOMPARE(dialog.Choice(), (RemoteChoice{false, false, taken}));
        });
    }
};

QTEST_MAIN(tst_RemoteDialogBridge)
#include "tst_remotedialogbridge.moc"
