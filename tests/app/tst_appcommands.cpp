#include "DevSim.h"
#include "HostedPanel.h"
#include "SettingsText.h"
#include "TempConfigHome.h"
#include "TestFiles.h"
#include "app/CMainFrame.h"
#include "app/CMorvixApp.h"
#include "ui/dialogs/CAboutDlg.h"
#include "ui/view/CMorvixView.h"

#include <QLabel>
#include <QtTest>

// The application's own commands, with the real application object.
class tst_AppCommands : public QObject {
    Q_OBJECT

    // Runs on a timer inside whatever modal loop is open; records and closes it.
    template <typename Dialog> static QTimer* CloseModal(QObject* context, QString* seen) {
        auto* timer = new QTimer(context);
        QObject::connect(timer, &QTimer::timeout, context, [seen] {
            if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
                *seen = dialog->windowTitle();
                for (auto* label : dialog->template findChildren<QLabel*>())
                    *seen += QLatin1Char('|') + label->text();
                dialog->close();
            }
        });
        timer->start(10);
        return timer;
    }

private Q_SLOTS:
    void initInstance_ctrlN_f1() {
        DevSim sim;
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        TempConfigHome home;
        QVERIFY(WriteAll(home.settingsFile(),
                         SettingsText().port(sim.portPath()).channel(0, 1, 40).bytes()));

        auto* app = static_cast<CMorvixApp*>(QCoreApplication::instance());
        QVERIFY(app->InitInstance());
        CMainFrame* frame = app->MainFrame();
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        QCOMPARE(frame->windowTitle(), QStringLiteral("Morvix [V1.3]"));
        PanelController& panel = frame->View().Panel();
        QTRY_COMPARE_WITH_TIMEOUT(sim.validFrameCount(), 9, 3000);
        QCOMPARE(sim.channel(0), (DevSimChannel{1, 40}));

        // A change not saved is forgotten by Ctrl+N: settings read again, port reopened, synced.
        EditChannels(panel, [&](ChannelModel& m) { m.SetLevel(0, 200); });
        panel.SendCommand(CMD_CHANNEL, 0);
        QTRY_COMPARE(sim.channel(0), (DevSimChannel{1, 200}));
        sim.clearLog();
        QTest::keyClick(&frame->View(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(panel.Channels().Level(0), 40);
        QTRY_COMPARE_WITH_TIMEOUT(sim.validFrameCount(), 9, 3000);
        QCOMPARE(sim.validFrames()[0].command.kind, DevSimCommandKind::Poll);
        QCOMPARE(sim.channel(0), (DevSimChannel{1, 40}));

        QString about;
        QTimer* closer = CloseModal<CAboutDlg>(this, &about);
        QTest::keyClick(&frame->View(), Qt::Key_F1);
        delete closer;
        QVERIFY2(about.startsWith(QStringLiteral("Morvix|")), qPrintable(about));
        QVERIFY(about.contains(QStringLiteral("|Morvix V1.3")));
    }
};

int main(int argc, char* argv[]) {
    CMorvixApp app(argc, argv);
    tst_AppCommands test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_appcommands.moc"
