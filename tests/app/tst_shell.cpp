#include "TempConfigHome.h"
#include "app/CMainFrame.h"
#include "app/ClockText.h"
#include "remote/RemoteService.h"
#include "session/DeviceSession.h"
#include "ui/dialogs/CExitDlg.h"
#include "ui/view/CMorvixView.h"

#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTcpServer>
#include <QWebSocket>
#include <QtTest>
#include <chrono>
#include <thread>

// The union of what the window's widgets paint, in window coordinates, leaving out one subtree
// (the panel view, which has its own timers).
class PaintRecorder : public QObject {
public:
    PaintRecorder(QWidget& window, QWidget* skip) : m_window(window), m_skip(skip) {
        for (QWidget* w : window.findChildren<QWidget*>())
            w->installEventFilter(this);
        window.installEventFilter(this);
    }
    QRegion region;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Paint && widget &&
            !(m_skip && (widget == m_skip || m_skip->isAncestorOf(widget))))
            region += static_cast<QPaintEvent*>(event)->region().translated(
                widget->mapTo(&m_window, QPoint(0, 0)));
        return false;
    }

private:
    QWidget& m_window;
    QWidget* m_skip;
};

class tst_Shell : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void clockText_data() {
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<QString>("text");
        const QDate day(2024, 5, 7);
        QTest::newRow("after midnight reads 24")
            << QDateTime(day, QTime(0, 5, 9)) << QStringLiteral("  2024. 05. 07 [ 24 : 05 : 09 ]");
        QTest::newRow("afternoon")
            << QDateTime(day, QTime(13, 5, 9)) << QStringLiteral("  2024. 05. 07 [ 13 : 05 : 09 ]");
        QTest::newRow("one in the morning") << QDateTime(QDate(999, 12, 31), QTime(1, 0, 0))
                                            << QStringLiteral("  0999. 12. 31 [ 01 : 00 : 00 ]");
        QTest::newRow("last second") << QDateTime(day, QTime(23, 59, 59))
                                     << QStringLiteral("  2024. 05. 07 [ 23 : 59 : 59 ]");
    }
    void clockText() {
        QFETCH(QDateTime, time);
        QFETCH(QString, text);
        QCOMPARE(ClockText(time), text);
    }

    void clockTickWait_data() {
        QTest::addColumn<QTime>("now");
        QTest::addColumn<int>("waitMs");
        QTest::newRow("as the second begins") << QTime(12, 0, 0, 0) << 1002;
        QTest::newRow("on time") << QTime(12, 0, 0, 2) << 1000;
        QTest::newRow("late") << QTime(12, 0, 0, 480) << 522;
        // The wall clock ran ahead of the timer: the second about to begin, not the next one.
        QTest::newRow("early") << QTime(12, 0, 0, 999) << 3;
        QTest::newRow("before midnight") << QTime(23, 59, 59, 700) << 302;
    }
    void clockTickWait() {
        QFETCH(QTime, now);
        QFETCH(int, waitMs);
        QCOMPARE(MsUntilClockTick(now), waitMs);
    }

    void mainFrame_isFixedAndTitled() {
        TempConfigHome home;
        DeviceSession session;
        CMainFrame frame(session);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QCOMPARE(frame.windowTitle(), QStringLiteral("Morvix [V1.3]"));
        QCOMPARE(frame.minimumSize(), frame.maximumSize());
        QVERIFY(!(frame.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(frame.menuWidget() == nullptr || !frame.menuBar()->isVisible());
        // The view shows the whole panel: the bottom bar ends at x 515, y 440.
        QVERIFY(frame.View().width() >= 516);
        QVERIFY(frame.View().height() >= 441);
        QVERIFY(frame.statusBar()->isVisible());
    }

    // "remote: N" counts the open pages, and only while the remote runs.
    void mainFrame_remotePaneCountsPagesWhileOn() {
        TempConfigHome home;
        DeviceSession session;
        session.BuildPaths();
        RemoteService remote(session);
        CMainFrame frame(session);
        frame.ShowRemote(remote);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QVERIFY(!frame.RemotePaneShown());
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const int port = probe.serverPort();
        probe.close();
        QCOMPARE(remote.TurnOn(false, port), QString());
        QVERIFY(frame.RemotePaneShown());
        QCOMPARE(frame.RemotePaneText(), QStringLiteral("remote: 0"));
        const QString host = QStringLiteral("127.0.0.1:%1").arg(remote.BoundPort());
        QWebSocket first(QStringLiteral("http://") + host),
            second(QStringLiteral("http://") + host);
        for (QWebSocket* page : {&first, &second})
            page->open(QUrl(QStringLiteral("ws://%1/ws?t=%2").arg(host, remote.Settings().token)));
        QTRY_COMPARE(frame.RemotePaneText(), QStringLiteral("remote: 2"));
        first.close();
        QTRY_COMPARE(frame.RemotePaneText(), QStringLiteral("remote: 1"));
        remote.TurnOff();
        QVERIFY(!frame.RemotePaneShown());
    }

    // Each tick repaints the clock's pane and nothing else of the window.
    void mainFrame_clockPaneTicksEverySecond() {
        TempConfigHome home;
        DeviceSession session;
        CMainFrame frame(session);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QTRY_VERIFY_WITH_TIMEOUT(frame.ClockPaneText().startsWith(QStringLiteral("  ")), 2500);
        // The pane shows a second from the last tick (at most a second ago) up to now, whatever
        // the hour or the date turns to meanwhile.
        const QDateTime before = QDateTime::currentDateTime();
        const QString shown = frame.ClockPaneText();
        const QDateTime after = QDateTime::currentDateTime();
        QStringList possible;
        for (QDateTime t = before.addMSecs(-1100); t <= after.addSecs(1); t = t.addSecs(1))
            possible << ClockText(t);
        QVERIFY2(possible.contains(shown), qPrintable(shown + " not in " + possible.join('|')));

        QLabel* clockPane = nullptr;
        for (QLabel* label : frame.statusBar()->findChildren<QLabel*>())
            if (label->text() == frame.ClockPaneText())
                clockPane = label;
        QVERIFY(clockPane);
        QTest::qWait(50);
        PaintRecorder painted(frame, &frame.View());
        const QString shownBefore = frame.ClockPaneText();
        QTRY_VERIFY_WITH_TIMEOUT(frame.ClockPaneText() != shownBefore, 2500);
        QTest::qWait(50);
        const QRect pane(clockPane->mapTo(&frame, QPoint(0, 0)), clockPane->size());
        QVERIFY(painted.region.intersects(pane));
        QVERIFY2((painted.region - pane).isEmpty(),
                 qPrintable(QStringLiteral("painted beyond the clock: %1")
                                .arg(QDebug::toString(painted.region - pane))));
    }

    // The pane turns with the second, not at some moment of it fixed by when the window opened.
    void mainFrame_clockShowsTheSecondAsItBegins() {
        TempConfigHome home;
        DeviceSession session;
        CMainFrame frame(session);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QTRY_VERIFY_WITH_TIMEOUT(frame.ClockPaneText().startsWith(QStringLiteral("  ")), 2500);
        // A loop stalled past a whole tick, up to 600 ms into a second: the late tick finds its
        // way back to the start of the next second (a timer repeating every second would keep
        // ticking 600 ms into each second from here on).
        const QDateTime stalled = QDateTime::currentDateTime();
        const QDateTime until = stalled.addMSecs(2000 + 600 - stalled.time().msec());
        std::this_thread::sleep_for(
            std::chrono::milliseconds(QDateTime::currentDateTime().msecsTo(until)));
        // Looks spread over the second; each may find the pane a little behind a second that
        // has just begun, never most of a second.
        constexpr int kBehindMs = 300;
        for (int look = 0; look < 6; ++look) {
            QTest::qWait(170 + 110 * look);
            const QDateTime before = QDateTime::currentDateTime();
            const QString shown = frame.ClockPaneText();
            const QDateTime after = QDateTime::currentDateTime();
            QStringList possible{ClockText(before.addMSecs(-kBehindMs)), ClockText(before),
                                 ClockText(after)};
            QVERIFY2(
                possible.contains(shown),
                qPrintable(QStringLiteral("%1 at %2").arg(shown, before.toString("hh:mm:ss.zzz"))));
        }
    }

    void closeBox_onlyRecordsTheRequest() {
        TempConfigHome home;
        DeviceSession session;
        CMainFrame frame(session);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QSignalSpy requested(&frame, &CMainFrame::CloseRequested);
        QVERIFY(!frame.close());
        QVERIFY(frame.isVisible());
        QCOMPARE(requested.count(), 1);
        // Left for the panel's watchdog tick to take.
        QVERIFY(frame.View().Panel().Session().CloseRequestPending());
    }

    void exitDialog_results_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("result");
        const int ok = QDialog::Accepted;
        const int cancel = QDialog::Rejected;
        QTest::newRow("OK") << "OK" << ok;
        QTest::newRow("Enter takes the default") << "Enter" << ok;
        QTest::newRow("Cancel") << "Cancel" << cancel;
        QTest::newRow("Esc") << "Esc" << cancel;
        QTest::newRow("close box") << "close" << cancel;
    }
    void exitDialog_results() {
        QFETCH(QString, action);
        QFETCH(int, result);
        CExitDlg dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Exit"));
        QVERIFY(dialog.findChild<QLabel*>()->text() == QStringLiteral("Program Exit??"));
        QTimer::singleShot(0, &dialog, [&] {
            if (action == "Enter") {
                QTest::keyClick(&dialog, Qt::Key_Return);
            } else if (action == "Esc") {
                QTest::keyClick(&dialog, Qt::Key_Escape);
            } else if (action == "close") {
                dialog.close();
            } else {
                for (auto* button : dialog.findChildren<QPushButton*>())
                    if (button->text() == action)
                        button->click();
            }
        });
        QCOMPARE(dialog.exec(), result);
    }
};

QTEST_MAIN(tst_Shell)
#include "tst_shell.moc"
