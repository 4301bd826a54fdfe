#include "PanelRig.h"
#include "ui/a11y/AccessibleElement.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QDialog>
#include <QtTest>

using namespace panel_test;

namespace {

// What screen readers were told: event type, and the part's name.
QStringList g_events;

void RecordEvent(QAccessibleEvent* event) {
    QAccessibleInterface* part = event->accessibleInterface();
    QString name = part ? part->text(QAccessible::Name) : QStringLiteral("?");
    if (part && part->parent() && part->parent()->role() == QAccessible::Grouping)
        name.prepend(part->parent()->text(QAccessible::Name) + QLatin1Char(' '));
    if (event->type() == QAccessible::ValueChanged)
        name +=
            QLatin1Char('=') + static_cast<QAccessibleValueChangeEvent*>(event)->value().toString();
    g_events << QString::number(int(event->type()), 16) + QLatin1Char(' ') + name;
}

QAccessibleInterface* Root(CMorvixView& view) {
    return QAccessible::queryAccessibleInterface(&view);
}

// The part of channel row `channel` by its place in the group: 0 switch, 1 +, 2 −, 3 level.
QAccessibleInterface* RowPart(CMorvixView& view, int channel, int index) {
    return Root(view)->child(channel)->child(index);
}

QRect Screen(const CMorvixView& view, QRect local) {
    return QRect(view.mapToGlobal(local.topLeft()), local.size());
}

} // namespace

// The panel as screen readers see and work it, in process, without a bus.
class tst_PanelAccessible : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { SetAccessibleEventTap(&RecordEvent); }
    void init() { g_events.clear(); }

    void tree_namesRolesValuesAndPlaces() {
        Rig rig;
        VERIFY_RIG(rig);
        PanelController& p = rig.panel();
        EditChannels(p, [&](ChannelModel& m) {
            m.SetPower(2, 0);
            m.SetLevel(2, 42);
            m.SetLevel(7, 255);
        });
        QAccessibleInterface* root = Root(rig.view);
        QVERIFY(root);
        QCOMPARE(root->role(), QAccessible::Pane);
        QStringList names;
        for (int i = 0; i < root->childCount(); ++i)
            names << root->child(i)->text(QAccessible::Name);
        QCOMPARE(names, (QStringList{"1CH", "2CH", "3CH", "4CH", "5CH", "6CH", "7CH", "8CH", "TX",
                                     "RX", "link", "SETUP", "EXIT"}));
        for (int c = 0; c < CHANNEL_COUNT; ++c) {
            QAccessibleInterface* group = root->child(c);
            QCOMPARE(group->role(), QAccessible::Grouping);
            QCOMPARE(group->parent(), root);
            QCOMPARE(root->indexOfChild(group), c);
            QCOMPARE(group->childCount(), 4);
            const bool on = c != 2;
            QAccessibleInterface* sw = group->child(0);
            QCOMPARE(sw->role(), QAccessible::CheckBox);
            QCOMPARE(sw->text(QAccessible::Name), on ? QString("ON") : QString("OFF"));
            QCOMPARE(bool(sw->state().checked), on);
            QCOMPARE(sw->actionInterface()->actionNames(),
                     QStringList{QAccessibleActionInterface::toggleAction()});
            for (int b : {1, 2}) {
                QAccessibleInterface* button = group->child(b);
                QCOMPARE(button->role(), QAccessible::Button);
                QCOMPARE(button->text(QAccessible::Name), b == 1 ? QString("+") : QString("−"));
                // Like the pointer's, they do nothing on a channel that is off.
                QCOMPARE(bool(button->state().disabled), !on);
            }
            QAccessibleInterface* level = group->child(3);
            QCOMPARE(level->role(), QAccessible::Slider);
            QCOMPARE(level->valueInterface()->currentValue().toInt(), p.Channels().Level(c));
            QCOMPARE(level->text(QAccessible::Value), QString::number(p.Channels().Level(c)));
            QCOMPARE(level->valueInterface()->minimumValue().toInt(), 0);
            QCOMPARE(level->valueInterface()->maximumValue().toInt(), 255);
            QCOMPARE(level->actionInterface()->actionNames(),
                     (QStringList{QAccessibleActionInterface::increaseAction(),
                                  QAccessibleActionInterface::decreaseAction()}));
        }
        for (int i = 8; i <= 10; ++i)
            QCOMPARE(root->child(i)->role(), QAccessible::StatusBar);
        for (int i = 11; i <= 12; ++i) {
            QCOMPARE(root->child(i)->role(), QAccessible::Button);
            QCOMPARE(root->child(i)->actionInterface()->actionNames(),
                     QStringList{QAccessibleActionInterface::pressAction()});
        }

        // Where the parts are painted, so magnifiers and pointer-driven readers find them.
        const int y = 20 + 44 * 5;
        QCOMPARE(RowPart(rig.view, 5, 0)->rect(), Screen(rig.view, QRect(110, y - 5, 50, 30)));
        QCOMPARE(RowPart(rig.view, 5, 1)->rect(), Screen(rig.view, QRect(180, y - 6, 14, 14)));
        QCOMPARE(RowPart(rig.view, 5, 2)->rect(), Screen(rig.view, QRect(180, y + 14, 14, 14)));
        QCOMPARE(root->child(10)->rect(), Screen(rig.view, QRect(15, 420, 10, 10)));
        QCOMPARE(root->child(12)->rect(), Screen(rig.view, QRect(210, 390, 120, 40)));
        const QPoint onSwitch = rig.view.mapToGlobal(QPoint(130, y));
        QCOMPARE(root->childAt(onSwitch.x(), onSwitch.y()), root->child(5));
        QCOMPARE(root->child(5)->childAt(onSwitch.x(), onSwitch.y()), RowPart(rig.view, 5, 0));
    }

    void lamps_describeTheirState() {
        Rig rig;
        VERIFY_RIG(rig);
        PanelController& p = rig.panel();
        QAccessibleInterface* root = Root(rig.view);
        auto described = [&] {
            return QStringList{root->child(8)->text(QAccessible::Description),
                               root->child(9)->text(QAccessible::Description),
                               root->child(10)->text(QAccessible::Description)};
        };
        QCOMPARE(described(), (QStringList{"TX: idle", "RX: idle", "link: waiting"}));
        QVERIFY(!root->child(10)->state().active);
        p.SendCommand(CMD_POLL);
        QTRY_COMPARE(p.Session().CurrentLinkState(), LinkState::Answering);
        QCOMPARE(described(),
                 (QStringList{"TX: frame sent", "RX: answer received", "link: answering"}));
        QVERIFY(root->child(10)->state().active);
        QVERIFY(
            g_events.contains(QString("%1 link").arg(int(QAccessible::DescriptionChanged), 0, 16)));
        EditLink(p, [&](LinkSupervision& s) { s.linkLost = 1; });
        QCOMPARE(described().last(), QString("link: no answer"));
        p.Session().Com().Close();
        // Announced as any change is, at the end of a change scope.
        { const DeviceSession::ChangeScope announce(p.Session()); }
        QCOMPARE(described().last(), QString("port closed"));
        QVERIFY(root->child(10)->state().disabled);
    }

    // Each row: the part acted on, how, the channel's switch before, the frames and the state
    // after. Every action selects its channel, as a press in the row does.
    void actions_goToTheDevice_data() {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("part");
        QTest::addColumn<QString>("action"); // an action name, or "=N" to set the value
        QTest::addColumn<int>("power");
        QTest::addColumn<QStringList>("frames");
        QTest::addColumn<int>("expectedLevel");
        QTest::addColumn<int>("expectedPower");
        using S = QStringList;
        const QString toggle = QAccessibleActionInterface::toggleAction();
        const QString press = QAccessibleActionInterface::pressAction();
        const QString up = QAccessibleActionInterface::increaseAction();
        const QString down = QAccessibleActionInterface::decreaseAction();
        QTest::newRow("switch off") << 2 << 0 << toggle << 1 << S{"3/0/100"} << 100 << 0;
        QTest::newRow("switch on") << 6 << 0 << toggle << 0 << S{"7/1/100"} << 100 << 1;
        QTest::newRow("+ sends three")
            << 1 << 1 << press << 1 << S{"2/1/101", "2/1/101", "2/1/101"} << 101 << 1;
        QTest::newRow("− sends three")
            << 7 << 2 << press << 1 << S{"8/1/99", "8/1/99", "8/1/99"} << 99 << 1;
        QTest::newRow("+ on a channel that is off") << 3 << 1 << press << 0 << S{} << 100 << 0;
        QTest::newRow("increase") << 4 << 3 << up << 1 << S{"5/1/101"} << 101 << 1;
        QTest::newRow("decrease, off as well") << 0 << 3 << down << 0 << S{"1/0/99"} << 99 << 0;
        QTest::newRow("set value") << 5 << 3 << "=7" << 1 << S{"6/1/7"} << 7 << 1;
        QTest::newRow("set value above the range")
            << 5 << 3 << "=300" << 1 << S{"6/1/255"} << 255 << 1;
        QTest::newRow("set value below the range") << 5 << 3 << "=-4" << 1 << S{"6/1/0"} << 0 << 1;
    }
    void actions_goToTheDevice() {
        QFETCH(int, channel);
        QFETCH(int, part);
        QFETCH(QString, action);
        QFETCH(int, power);
        QFETCH(QStringList, frames);
        QFETCH(int, expectedLevel);
        QFETCH(int, expectedPower);
        Rig rig;
        VERIFY_RIG(rig);
        PanelController& p = rig.panel();
        EditChannels(p, [&](ChannelModel& m) { m.SetPower(channel, power); });
        QTest::keyClick(&rig.view, Qt::Key_4); // a typed number the action drops
        QAccessibleInterface* target = RowPart(rig.view, channel, part);
        if (action.startsWith('='))
            target->valueInterface()->setCurrentValue(action.mid(1).toInt());
        else
            target->actionInterface()->doAction(action);
        QCOMPARE(p.Channels().Selected(), channel);
        QCOMPARE(p.Input().TypedValue(), 0);
        QCOMPARE(p.Channels().Level(channel), expectedLevel);
        QCOMPARE(p.Channels().Power(channel), expectedPower);
        QVERIFY(!p.Input().RepeatActive());
        QCOMPARE(rig.Frames(), frames);
        QCOMPARE(RowPart(rig.view, channel, 3)->valueInterface()->currentValue().toInt(),
                 expectedLevel);
        QCOMPARE(RowPart(rig.view, channel, 0)->text(QAccessible::Name),
                 expectedPower ? QString("ON") : QString("OFF"));
    }

    // Whoever makes a change, screen readers hear of it once; the focus follows the selection.
    void changes_areAnnounced() {
        Rig rig;
        VERIFY_RIG(rig);
        rig.view.show();
        rig.view.activateWindow();
        rig.view.setFocus();
        QTRY_VERIFY(rig.view.hasFocus());
        QAccessibleInterface* root = Root(rig.view);
        QCOMPARE(root->focusChild(), root->child(0));
        QVERIFY(root->child(0)->state().focused);
        g_events.clear();
        const auto ev = [](QAccessible::Event e, const QString& what) {
            return QString::number(int(e), 16) + ' ' + what;
        };
        QTest::keyClick(&rig.view, Qt::Key_Right);
        QCOMPARE(g_events, QStringList{ev(QAccessible::ValueChanged, "1CH level=101")});
        g_events.clear();
        QTest::keyClick(&rig.view, Qt::Key_Tab);
        QCOMPARE(g_events, QStringList{ev(QAccessible::Focus, "2CH")});
        QCOMPARE(root->focusChild(), root->child(1));
        g_events.clear();
        QTest::keyClick(&rig.view, Qt::Key_Space);
        QCOMPARE(g_events, (QStringList{ev(QAccessible::StateChanged, "2CH OFF"),
                                        ev(QAccessible::NameChanged, "2CH OFF"),
                                        ev(QAccessible::StateChanged, "2CH +"),
                                        ev(QAccessible::StateChanged, "2CH −")}));
        g_events.clear();
        RowPart(rig.view, 6, 3)->valueInterface()->setCurrentValue(30);
        QCOMPARE(g_events, (QStringList{ev(QAccessible::ValueChanged, "7CH level=30"),
                                        ev(QAccessible::Focus, "7CH")}));
        rig.Frames();
    }

    void barButtons_openTheirDialogs() {
        Rig rig;
        VERIFY_RIG(rig);
        QStringList shown;
        bool setupPressed = false;
        QAccessibleInterface* setup = Root(rig.view)->child(11);
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            shown << dialog->metaObject()->className();
            if (!setupPressed) {
                // SETUP pressed while the exit dialog is open opens nothing over it.
                setupPressed = true;
                setup->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
                return;
            }
            dialog->reject();
        });
        answerer.start(10);
        Root(rig.view)->child(12)->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
        // The dialog opens after the action has returned, so no screen reader waits on it.
        QVERIFY(shown.isEmpty());
        QTRY_VERIFY(shown.size() >= 2 && !QApplication::activeModalWidget());
        QCOMPARE(shown, (QStringList{"CExitDlg", "CExitDlg"}));
        // Cancelled: nothing went to the device.
        QCOMPARE(rig.Frames(), QStringList());
    }
};

QTEST_MAIN(tst_PanelAccessible)
#include "tst_panelaccessible.moc"
