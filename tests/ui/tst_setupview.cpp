#include "DevSim.h"
#include "SetupDialogDriver.h"
#include "SetupTestFiles.h"
#include "TempConfigHome.h"
#include "session/DeviceSession.h"
#include "settings/SettingsStore.h"
#include "ui/view/CMorvixView.h"

#include <QAction>
#include <QTimer>

using namespace setup_test;

namespace {

QAction* CommandAction(QWidget& view, int id) {
    for (QAction* action : view.actions()) {
        if (action->data().toInt() == id)
            return action;
    }
    return nullptr;
}

// Runs `answer` on the Setup dialog once the view has it up (it runs modally).
void WhenSetupShows(QObject* context, std::function<void(CSetupDlg&)> answer) {
    auto* timer = new QTimer(context);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, context, [timer, answer] {
        auto* dialog = qobject_cast<CSetupDlg*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        // Outside the timer's own tick, so that a nested loop cannot stall it.
        QTimer::singleShot(0, dialog, [dialog, answer] { answer(*dialog); });
    });
    timer->start();
}

} // namespace

// The whole command in the real view: its timers, the real dialog and the simulated device.
class tst_SetupView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void command32772_setupThroughTheDialog_reachesTheDevice();
};

void tst_SetupView::command32772_setupThroughTheDialog_reachesTheDevice() {
    DevSim sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    TempConfigHome home;
    const ChSetValues values = SampleValues(2);
    QVERIFY(WriteAll(home.settingsFile(), SettingsText(sim.portPath(), "NULL", values).bytes()));
    DeviceSession session;
    CMorvixView view(session);
    view.OnInitialUpdate();
    QTRY_COMPARE_WITH_TIMEOUT(sim.validFrameCount(), 1 + CHANNEL_COUNT, 5000);
    QTRY_VERIFY(!view.Panel().Session().Link().SyncRunning());
    sim.clearLog();

    QAction* setup = CommandAction(view, 32772);
    QVERIFY(setup);
    const ColorRef chosen = MakeColorRef(12, 34, 56);
    QString portShown;
    QString fileNameShown;
    QObject context;
    WhenSetupShows(&context, [&](CSetupDlg& dialog) {
        portShown = PortCombo(dialog)->currentText();
        fileNameShown = FileNameText(dialog);
        qobject_cast<CColorPicker*>(dialog.Control(1010))->SetPickedColor(chosen);
        Click(dialog, CSetupDlg::IDC_ALL_OFF);
        Click(dialog, 1);
    });
    setup->trigger();

    QCOMPARE(portShown, sim.portPath());
    QCOMPARE(fileNameShown, QString("NULL"));
    const PanelController& panel = view.Panel();
    QCOMPARE(panel.Session().Settings().Colors().channel, chosen);
    QCOMPARE(panel.Session().Settings().Colors().slideLeft, values.colorSlideLeft);
    QCOMPARE(ChSetOfFile(home.settingsFile()), panel.Session().ChSet());
    // All off at once, the poll of the new connection, then every channel once answered.
    QTRY_COMPARE_WITH_TIMEOUT(sim.validFrameCount(), 2 + CHANNEL_COUNT, 5000);
    const auto frames = sim.validFrames();
    QCOMPARE(frames[0].command.kind, DevSimCommandKind::AllOff);
    QCOMPARE(frames[1].command.kind, DevSimCommandKind::Poll);
    for (int i = 0; i < CHANNEL_COUNT; ++i)
        QCOMPARE(sim.channel(i), (DevSimChannel{0, 0}));

    // CLOSE the second time: nothing changes, nothing is sent.
    WhenSetupShows(&context, [&](CSetupDlg& dialog) {
        qobject_cast<CColorPicker*>(dialog.Control(1003))->SetPickedColor(chosen);
        Click(dialog, 2);
    });
    sim.clearLog();
    setup->trigger();
    QCOMPARE(view.Panel().Session().Settings().Colors().slideLeft, values.colorSlideLeft);
    view.Panel().SendCommand(CMD_POLL);
    QTRY_COMPARE(sim.validFrameCount(), 1);
    QCOMPARE(sim.validFrames()[0].command.kind, DevSimCommandKind::Poll);
}

QTEST_MAIN(tst_SetupView)
#include "tst_setupview.moc"
