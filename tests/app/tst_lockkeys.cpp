#include "TempConfigHome.h"
#include "app/CMainFrame.h"
#include "app/LockKeys.h"
#include "session/DeviceSession.h"

#include <QGuiApplication>
#include <QtTest>
#include <X11/XKBlib.h>

// The lock-key panes follow events, never a query. Offscreen: the logic and the key presses;
// under an X server (the suite runs this a second time under Xvfb): the keyboard's indicators.
class tst_LockKeys : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tracker_data() {
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("caps");
        QTest::addColumn<QString>("num");
        // "caps", "num", "other": a key press; "repeat": an auto-repeated Caps Lock press;
        // "follow:<caps bit>:<num bit>:<state>" and "ind:<state>": indicator reports (hex).
        QTest::newRow("nothing yet") << ""
                                     << ""
                                     << "";
        QTest::newRow("Caps Lock pressed") << "caps"
                                           << "CAP"
                                           << "";
        QTest::newRow("Caps Lock twice") << "caps caps"
                                         << ""
                                         << "";
        QTest::newRow("Num Lock pressed") << "num"
                                          << ""
                                          << "NUM";
        QTest::newRow("both") << "num caps"
                              << "CAP"
                              << "NUM";
        QTest::newRow("held key repeats nothing") << "caps repeat repeat"
                                                  << "CAP"
                                                  << "";
        QTest::newRow("other keys change nothing") << "other num other"
                                                   << ""
                                                   << "NUM";
        QTest::newRow("indicators before following are no news") << "ind:3"
                                                                 << ""
                                                                 << "";
        QTest::newRow("indicators as they are at start") << "follow:0:1:2"
                                                         << ""
                                                         << "NUM";
        QTest::newRow("indicators decide over key presses") << "follow:0:1:0 caps num"
                                                            << ""
                                                            << "";
        QTest::newRow("indicators replace what the keys said") << "caps follow:0:1:0 ind:1"
                                                               << "CAP"
                                                               << "";
        QTest::newRow("a change, then back") << "follow:0:1:0 ind:3 ind:2"
                                             << ""
                                             << "NUM";
        QTest::newRow("indicators where the map puts them") << "follow:4:6:0 ind:10 ind:50"
                                                            << "CAP"
                                                            << "NUM";
        QTest::newRow("Scroll Lock alone") << "follow:0:1:0 ind:4"
                                           << ""
                                           << "";
        QTest::newRow("a map without the indicators") << "follow:-1:40:0 ind:ffffffff"
                                                      << ""
                                                      << "";
    }
    void tracker() {
        QFETCH(QString, events);
        QFETCH(QString, caps);
        QFETCH(QString, num);
        LockKeyTracker tracker;
        for (const QString& e : events.split(u' ', Qt::SkipEmptyParts)) {
            const LockKeyState before = tracker.State();
            bool changed = false;
            const QStringList parts = e.split(u':');
            if (e == "caps")
                changed = tracker.OnKeyPress(Qt::Key_CapsLock, false);
            else if (e == "repeat")
                changed = tracker.OnKeyPress(Qt::Key_CapsLock, true);
            else if (e == "num")
                changed = tracker.OnKeyPress(Qt::Key_NumLock, false);
            else if (e == "other")
                changed = tracker.OnKeyPress(Qt::Key_A, false);
            else if (parts[0] == "ind")
                changed = tracker.OnIndicatorState(parts[1].toUInt(nullptr, 16));
            else if (parts[0] == "follow")
                tracker.FollowIndicators(parts[1].toInt(), parts[2].toInt(),
                                         parts[3].toUInt(nullptr, 16));
            else
                QFAIL(qPrintable("unknown event " + e));
            if (parts[0] != "follow")
                QCOMPARE(changed, tracker.State() != before);
        }
        QCOMPARE(CapsLockPaneText(tracker.State()), caps);
        QCOMPARE(NumLockPaneText(tracker.State()), num);
    }

    // Without indicator reports each press counts once, in whichever of the program's windows it
    // lands, though it is passed on from the focused widget to its parents.
    void frame_followsLockKeyPresses() {
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            QSKIP("under X11 the indicators decide");
        TempConfigHome home;
        DeviceSession session;
        CMainFrame frame(session);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QCOMPARE(frame.CapsLockPaneText(), QString());
        QTest::keyClick(frame.windowHandle(), Qt::Key_CapsLock);
        QCOMPARE(frame.CapsLockPaneText(), QStringLiteral("CAP"));
        QTest::keyClick(frame.windowHandle(), Qt::Key_NumLock);
        QCOMPARE(frame.NumLockPaneText(), QStringLiteral("NUM"));
        QTest::keyClick(frame.windowHandle(), Qt::Key_CapsLock);
        QCOMPARE(frame.CapsLockPaneText(), QString());
        QCOMPARE(frame.NumLockPaneText(), QStringLiteral("NUM"));
    }

    // Another client locks and unlocks the modifiers, as a key press in another window would.
    void frame_followsX11Indicators() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server");
        Display* other = XOpenDisplay(nullptr);
        QVERIFY(other);
        const auto lock = [other](unsigned mask, bool on) {
            XkbLockModifiers(other, XkbUseCoreKbd, mask, on ? mask : 0);
            XFlush(other);
        };
        lock(LockMask | Mod2Mask, false);
        XSync(other, False);
        TempConfigHome home;
        DeviceSession session;
        CMainFrame frame(session);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QCOMPARE(frame.CapsLockPaneText(), QString());
        lock(LockMask, true);
        QTRY_COMPARE(frame.CapsLockPaneText(), QStringLiteral("CAP"));
        lock(Mod2Mask, true);
        QTRY_COMPARE(frame.NumLockPaneText(), QStringLiteral("NUM"));
        lock(LockMask, false);
        QTRY_COMPARE(frame.CapsLockPaneText(), QString());
        QCOMPARE(frame.NumLockPaneText(), QStringLiteral("NUM"));
        lock(Mod2Mask, false);
        QTRY_COMPARE(frame.NumLockPaneText(), QString());
        XCloseDisplay(other);
    }
};

QTEST_MAIN(tst_LockKeys)
#include "tst_lockkeys.moc"
