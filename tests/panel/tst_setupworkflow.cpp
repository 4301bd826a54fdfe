#include "DevSim.h"
#include "HostedPanel.h"
#include "RecordingHost.h"
#include "SetupTestFiles.h"
#include "TempConfigHome.h"
#include "panel/PanelController.h"
#include "session/DeviceSession.h"
#include "settings/SettingsStore.h"
#include "settings/SetupValues.h"

#include <QtTest>
#include <memory>

using namespace setup_test;

namespace {

// One letter per valid frame the device took: P poll, S set, O all off.
QByteArray Kinds(const DevSim& sim) {
    QByteArray kinds;
    for (const DevSimFrame& frame : sim.validFrames())
        kinds += "PSO?"[int(frame.command.kind)]; // in DevSimCommandKind's order
    return kinds;
}

ChSetValues AllOff(ChSetValues values) {
    values.power.fill(0);
    values.level.fill(0);
    return values;
}

// A panel started on the simulated device through a link in the temporary folder, so that a
// test can put another device behind the same port name.
struct Rig {
    TempConfigHome home;
    DevSim sim;
    RecordingHost host;
    std::unique_ptr<DeviceSession> session;
    std::unique_ptr<PanelController> panel;
    QString link;

    QString SettingsFile() const { return home.settingsFile(); }
    QString PresetPath(const QString& name) const { return home.path() + "/presets/" + name; }
};

} // namespace

class tst_SetupWorkflow : public QObject {
    Q_OBJECT

private:
    // Lets the device's answer in, then runs the synchronisation ticks the timer would run.
    void Synchronise(Rig& rig, DevSim& device, int framesBefore) {
        QTRY_COMPARE(rig.panel->Session().Link().Supervision().rxFlag, 1);
        for (int tick = 0; tick <= CHANNEL_COUNT; ++tick)
            rig.panel->Session().Link().OnSyncTick();
        QVERIFY(!rig.panel->Session().Link().SyncRunning());
        QTRY_COMPARE(device.validFrameCount(), framesBefore + CHANNEL_COUNT);
    }

    void Start(Rig& rig, const ChSetValues& values) {
        QVERIFY2(rig.sim.start(), qPrintable(rig.sim.errorString()));
        rig.link = rig.home.path() + "/port";
        QVERIFY(QFile::link(rig.sim.portPath(), rig.link));
        QVERIFY(WriteAll(rig.SettingsFile(), SettingsText(rig.link, "NULL", values).bytes()));
        QVERIFY(QDir().mkpath(rig.PresetPath({})));
        rig.session = std::make_unique<DeviceSession>();
        rig.panel = std::make_unique<PanelController>(*rig.session, rig.host);
        rig.panel->Session().DriveTicksByHand(true);
        rig.panel->OnInitialUpdate();
        QVERIFY(rig.panel->Session().PortOpen());
        Synchronise(rig, rig.sim, 1);
        rig.sim.clearLog();
    }

    // The operator presses SETUP: a watchdog tick has passed since the last answer.
    void PressSetup(Rig& rig) {
        rig.panel->Session().Link().OnWatchdogTick();
        EditInput(*rig.panel, [](OperatorInput& in) { in.Press(); });
        rig.panel->RunSetup();
    }

private Q_SLOTS:
    void okWithoutChange_savesTwiceReopensPollsThenSynchronises();
    void okWithPortThatWillNotOpen_reportsAndKeepsTheName();
    void save_colourChangedInSameDialog_presetHoldsTheOldOne();
    void save_allOffTicked_presetKeepsChannelsSettingsAllOff();
    void save_overExistingPreset_asksFirst_data();
    void save_overExistingPreset_asksFirst();
    void open_allOffTicked_presetValuesWinAndReachDevice();
    void open_presetLackingKeys_loadsThemAsZero();
    void open_unreadablePreset_namesFileChangesNothing_data();
    void open_unreadablePreset_namesFileChangesNothing();
    void afterSave_nextSetupShowsLastLoadedPreset();
    void close_changesNothingButTheFirstSave();
};

void tst_SetupWorkflow::okWithoutChange_savesTwiceReopensPollsThenSynchronises() {
    Rig rig;
    const ChSetValues values = SampleValues(1);
    Start(rig, values);
    if (QTest::currentTestFailed())
        return;
    DevSim other;
    QVERIFY2(other.start(), qPrintable(other.errorString()));

    // Changed on the panel, not yet saved.
    EditChannels(*rig.panel, [&](ChannelModel& m) { m.SetLevel(2, 77); });
    ChSetValues expected = values;
    expected.level[2] = 77;
    EditInput(*rig.panel, [](OperatorInput& in) {
        in.BeginDrag();
        in.StartRepeat();
        for (int tick = 0; tick < 7; ++tick)
            in.CountRepeatTick();
    });

    ChSetValues onDiskDuringDialog;
    int pointerDuringDialog = -1;
    bool openDuringDialog = false;
    rig.host.setupDialog = [&](SetupValues&) {
        onDiskDuringDialog = ChSetOfFile(rig.SettingsFile());
        pointerDuringDialog = rig.panel->Input().ButtonHeld() + rig.panel->Input().DragActive();
        openDuringDialog = rig.panel->Session().PortOpen();
        QFile::remove(rig.SettingsFile());
        // The same name with another device behind it: only a fresh opening reaches that one.
        QFile::remove(rig.link);
        QFile::link(other.portPath(), rig.link);
        return DialogResult::Ok;
    };
    PressSetup(rig);

    QCOMPARE(rig.host.setupDialogRuns, 1);
    const SetupValues& shown = rig.host.shownSetupValues;
    QCOMPARE(shown.m_strPortText, rig.link);
    QCOMPARE(shown.m_colorSlideL, values.colorSlideLeft);
    QCOMPARE(shown.m_colorSlideR, values.colorSlideRight);
    QCOMPARE(shown.m_colorCh, values.colorChannel);
    QCOMPARE(shown.m_presetPath, QString("NULL"));
    QCOMPARE(shown.m_bAllOff, false);
    QCOMPARE(shown.m_presetAction, PresetAction::None);
    QCOMPARE(onDiskDuringDialog, expected);
    QCOMPARE(pointerDuringDialog, 0);
    QVERIFY(openDuringDialog);

    // Written again after OK.
    QCOMPARE(ChSetOfFile(rig.SettingsFile()), expected);
    QCOMPARE(SetValueOfFile(rig.SettingsFile(), "Port"), QFile::encodeName(rig.link));
    QCOMPARE(rig.panel->Input().ButtonHeld() + rig.panel->Input().DragActive() +
                 rig.panel->Input().RepeatActive() + rig.panel->Input().RepeatTicks(),
             0);

    // Reopened and polled at once; the synchronisation waits for the answer.
    QVERIFY(rig.panel->Session().Link().SyncRunning());
    rig.panel->Session().Link().OnSyncTick();
    QCOMPARE(rig.panel->Session().Link().Supervision().syncIndex, 0);
    QVERIFY(other.waitForValidFrames(1, 3000));
    QCOMPARE(Kinds(other), QByteArray("P"));
    Synchronise(rig, other, 1);
    QCOMPARE(Kinds(other), QByteArray("PSSSSSSSS"));
    for (int i = 0; i < CHANNEL_COUNT; ++i)
        QCOMPARE(other.channel(i), (DevSimChannel{expected.power[i], expected.level[i]}));
    QCOMPARE(rig.sim.validFrameCount(), 0);
    QVERIFY(rig.host.messages.isEmpty());
}

void tst_SetupWorkflow::okWithPortThatWillNotOpen_reportsAndKeepsTheName() {
    Rig rig;
    Start(rig, SampleValues(2));
    if (QTest::currentTestFailed())
        return;
    const QString missing = rig.home.path() + "/no-such-port";
    rig.host.setupDialog = [&](SetupValues& v) {
        v.m_strPortText = missing;
        return DialogResult::Ok;
    };
    PressSetup(rig);
    QVERIFY(!rig.panel->Session().PortOpen());
    QCOMPARE(rig.host.messages.size(), 1);
    const QStringList lines = rig.host.messages[0].split(u'\n');
    QCOMPARE(lines.mid(0, 4),
             (QStringList{"포트를 확인하십시요.", "", missing, "No such device."}));
    // The device may still be plugged in: looked for again without the operator.
    QVERIFY(rig.panel->Session().Link().ReconnectPending());
    QCOMPARE(rig.panel->Session().Settings().PortName(), missing);
    QCOMPARE(SetValueOfFile(rig.SettingsFile(), "Port"), QFile::encodeName(missing));
}

void tst_SetupWorkflow::save_colourChangedInSameDialog_presetHoldsTheOldOne() {
    Rig rig;
    const ChSetValues values = SampleValues(3);
    Start(rig, values);
    if (QTest::currentTestFailed())
        return;
    const QString preset = rig.PresetPath("day.qvd");
    const ColorRef chosen = MakeColorRef(1, 2, 3);
    QByteArray settingsAtOpening;
    rig.host.setupDialog = [&](SetupValues& v) {
        settingsAtOpening = ReadAll(rig.SettingsFile());
        v.m_colorSlideL = chosen;
        v.m_presetAction = PresetAction::Save;
        v.m_presetPath = preset;
        return DialogResult::Ok;
    };
    PressSetup(rig);

    QCOMPARE(ReadAll(preset), settingsAtOpening);
    QCOMPARE(ChSetOfFile(preset).colorSlideLeft, values.colorSlideLeft);
    QCOMPARE(ChSetOfFile(rig.SettingsFile()).colorSlideLeft, chosen);
    QCOMPARE(rig.panel->Session().Settings().Colors().slideLeft, chosen);
    // A save does not make the preset the loaded one.
    QCOMPARE(rig.panel->Session().Settings().PresetName(), QString("NULL"));
    QCOMPARE(SetValueOfFile(rig.SettingsFile(), "File Name"), QByteArray("NULL"));
    QVERIFY(rig.host.questions.isEmpty());
    QVERIFY(rig.host.messages.isEmpty());
}

void tst_SetupWorkflow::save_allOffTicked_presetKeepsChannelsSettingsAllOff() {
    Rig rig;
    const ChSetValues values = SampleValues(4);
    Start(rig, values);
    if (QTest::currentTestFailed())
        return;
    const QString preset = rig.PresetPath("night.qvd");
    rig.host.setupDialog = [&](SetupValues& v) {
        v.m_bAllOff = true;
        v.m_presetAction = PresetAction::Save;
        v.m_presetPath = preset;
        return DialogResult::Ok;
    };
    PressSetup(rig);

    QCOMPARE(ChSetOfFile(preset), values);
    QCOMPARE(ChSetOfFile(rig.SettingsFile()), AllOff(values));
    QCOMPARE(rig.panel->Session().ChSet(), AllOff(values));
    QVERIFY(rig.sim.waitForValidFrames(2, 3000));
    QCOMPARE(Kinds(rig.sim), QByteArray("OP"));
    Synchronise(rig, rig.sim, 2);
    for (int i = 0; i < CHANNEL_COUNT; ++i)
        QCOMPARE(rig.sim.channel(i), (DevSimChannel{0, 0}));
}

void tst_SetupWorkflow::save_overExistingPreset_asksFirst_data() {
    QTest::addColumn<bool>("replace");
    QTest::newRow("replaced") << true;
    QTest::newRow("kept") << false;
}

void tst_SetupWorkflow::save_overExistingPreset_asksFirst() {
    QFETCH(bool, replace);
    Rig rig;
    Start(rig, SampleValues(5));
    if (QTest::currentTestFailed())
        return;
    const QString preset = rig.PresetPath("old.qvd");
    const QByteArray before = SettingsText().color(1, 5).bytes();
    QVERIFY(WriteAll(preset, before));
    rig.host.yesNoAnswer = replace;
    QByteArray settingsAtOpening;
    rig.host.setupDialog = [&](SetupValues& v) {
        settingsAtOpening = ReadAll(rig.SettingsFile());
        v.m_presetAction = PresetAction::Save;
        v.m_presetPath = preset;
        return DialogResult::Ok;
    };
    PressSetup(rig);

    QCOMPARE(rig.host.questions.size(), 1);
    QVERIFY(rig.host.questions[0].contains(preset));
    QCOMPARE(ReadAll(preset), replace ? settingsAtOpening : before);
    QCOMPARE(QDir(rig.PresetPath({})).entryList(QDir::Files), QStringList{"old.qvd"});
    // Setup goes on either way.
    QCOMPARE(rig.panel->Session().Link().Supervision().syncIndex, 0);
    QVERIFY(rig.sim.waitForValidFrames(1, 3000));
    QCOMPARE(Kinds(rig.sim), QByteArray("P"));
}

void tst_SetupWorkflow::open_allOffTicked_presetValuesWinAndReachDevice() {
    Rig rig;
    Start(rig, SampleValues(6));
    if (QTest::currentTestFailed())
        return;
    const ChSetValues presetValues = SampleValues(7);
    const QString preset = rig.PresetPath("evening.qvd");
    QVERIFY(WriteAll(preset, SettingsText("COM7", "/elsewhere/other.qvd", presetValues).bytes()));
    rig.host.setupDialog = [&](SetupValues& v) {
        v.m_bAllOff = true;
        v.m_colorSlideL = MakeColorRef(9, 9, 9);
        v.m_colorSlideR = CLR_DEFAULT;
        v.m_colorCh = MakeColorRef(200, 0, 0);
        v.m_presetAction = PresetAction::Load;
        v.m_presetPath = preset;
        return DialogResult::Ok;
    };
    PressSetup(rig);

    QCOMPARE(rig.panel->Session().ChSet(), presetValues);
    QCOMPARE(rig.panel->Session().Settings().PresetName(), preset);
    // The preset's "set" section is never read.
    QCOMPARE(rig.panel->Session().Settings().PortName(), rig.link);
    QCOMPARE(ChSetOfFile(rig.SettingsFile()), presetValues);
    QCOMPARE(SetValueOfFile(rig.SettingsFile(), "File Name"), QFile::encodeName(preset));
    QCOMPARE(SetValueOfFile(rig.SettingsFile(), "Port"), QFile::encodeName(rig.link));

    QVERIFY(rig.sim.waitForValidFrames(2, 3000));
    QCOMPARE(Kinds(rig.sim), QByteArray("OP"));
    Synchronise(rig, rig.sim, 2);
    QCOMPARE(Kinds(rig.sim), QByteArray("OPSSSSSSSS"));
    for (int i = 0; i < CHANNEL_COUNT; ++i)
        QCOMPARE(rig.sim.channel(i), (DevSimChannel{presetValues.power[i], presetValues.level[i]}));
}

void tst_SetupWorkflow::open_presetLackingKeys_loadsThemAsZero() {
    Rig rig;
    Start(rig, SampleValues(8));
    if (QTest::currentTestFailed())
        return;
    const QString preset = rig.PresetPath("sparse.qvd");
    QVERIFY(WriteAll(preset, SettingsText().color(2, 255).channel(4, 1, 200).bytes()));
    rig.host.setupDialog = [&](SetupValues& v) {
        v.m_presetAction = PresetAction::Load;
        v.m_presetPath = preset;
        return DialogResult::Ok;
    };
    PressSetup(rig);

    ChSetValues expected;
    expected.colorSlideRight = 255;
    expected.power[4] = 1;
    expected.level[4] = 200;
    QCOMPARE(rig.panel->Session().ChSet(), expected);
    QCOMPARE(rig.panel->Session().Settings().PresetName(), preset);
    QVERIFY(rig.host.messages.isEmpty());
}

void tst_SetupWorkflow::open_unreadablePreset_namesFileChangesNothing_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("makeFolder");
    QTest::newRow("missing file") << "gone.qvd" << false;
    QTest::newRow("a folder") << "folder.qvd" << true;
}

void tst_SetupWorkflow::open_unreadablePreset_namesFileChangesNothing() {
    QFETCH(QString, name);
    QFETCH(bool, makeFolder);
    Rig rig;
    const ChSetValues values = SampleValues(9);
    Start(rig, values);
    if (QTest::currentTestFailed())
        return;
    const QString preset = rig.PresetPath(name);
    if (makeFolder)
        QVERIFY(QDir().mkpath(preset));
    rig.host.setupDialog = [&](SetupValues& v) {
        v.m_presetAction = PresetAction::Load;
        v.m_presetPath = preset;
        return DialogResult::Ok;
    };
    PressSetup(rig);

    QCOMPARE(rig.host.messages.size(), 1);
    QVERIFY2(rig.host.messages[0].contains(preset), qPrintable(rig.host.messages[0]));
    QCOMPARE(rig.host.captions[0], QString("Morvix"));
    QCOMPARE(rig.panel->Session().ChSet(), values);
    QCOMPARE(rig.panel->Session().Settings().PresetName(), QString("NULL"));
    QCOMPARE(ChSetOfFile(rig.SettingsFile()), values);
    QCOMPARE(SetValueOfFile(rig.SettingsFile(), "File Name"), QByteArray("NULL"));
    // The rest of the command still runs.
    QCOMPARE(rig.panel->Session().Link().Supervision().syncIndex, 0);

    // The same from LoadPreset on its own.
    rig.panel->Session().Settings().SetPresetName(preset);
    rig.panel->LoadPreset();
    QCOMPARE(rig.host.messages.size(), 2);
    QCOMPARE(rig.panel->Session().ChSet(), values);
}

void tst_SetupWorkflow::afterSave_nextSetupShowsLastLoadedPreset() {
    Rig rig;
    Start(rig, SampleValues(10));
    if (QTest::currentTestFailed())
        return;
    const QString loaded = rig.PresetPath("loaded.qvd");
    const QString saved = rig.PresetPath("saved.qvd");
    QVERIFY(WriteAll(loaded, SettingsText("COM1", "NULL", SampleValues(11)).bytes()));

    QList<SetupValues> shown;
    QList<SetupValues> answers;
    SetupValues load;
    load.m_presetAction = PresetAction::Load;
    load.m_presetPath = loaded;
    SetupValues save;
    save.m_presetAction = PresetAction::Save;
    save.m_presetPath = saved;
    rig.host.setupDialog = [&](SetupValues& v) {
        shown << v;
        const int step = shown.size();
        if (step == 3)
            return DialogResult::Cancel;
        const SetupValues& answer = step == 1 ? load : save;
        v.m_presetAction = answer.m_presetAction;
        v.m_presetPath = answer.m_presetPath;
        return DialogResult::Ok;
    };
    for (int i = 0; i < 3; ++i)
        PressSetup(rig);

    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown[0].m_presetPath, QString("NULL"));
    QCOMPARE(shown[1].m_presetPath, loaded);
    QCOMPARE(shown[2].m_presetPath, loaded);
    QVERIFY(QFileInfo::exists(saved));
    QCOMPARE(rig.panel->Session().Settings().PresetName(), loaded);
}

void tst_SetupWorkflow::close_changesNothingButTheFirstSave() {
    Rig rig;
    const ChSetValues values = SampleValues(12);
    Start(rig, values);
    if (QTest::currentTestFailed())
        return;
    EditChannels(*rig.panel, [&](ChannelModel& m) { m.SetLevel(5, 99); });
    ChSetValues expected = values;
    expected.level[5] = 99;
    const QString preset = rig.PresetPath("never.qvd");
    rig.host.setupDialog = [&](SetupValues& v) {
        v.m_strPortText = "COM4";
        v.m_colorSlideL = v.m_colorSlideR = v.m_colorCh = MakeColorRef(1, 1, 1);
        v.m_bAllOff = true;
        v.m_presetAction = PresetAction::Save;
        v.m_presetPath = preset;
        return DialogResult::Cancel;
    };
    EditInput(*rig.panel, [](OperatorInput& in) { in.StartRepeat(); });
    PressSetup(rig);

    QCOMPARE(rig.panel->Session().ChSet(), expected);
    QCOMPARE(rig.panel->Session().Settings().PortName(), rig.link);
    QCOMPARE(rig.panel->Session().Settings().PresetName(), QString("NULL"));
    QCOMPARE(ChSetOfFile(rig.SettingsFile()), expected);
    QVERIFY(!QFileInfo::exists(preset));
    QVERIFY(!rig.panel->Session().Link().SyncRunning());
    QVERIFY(!rig.panel->Input().RepeatActive());
    QVERIFY(rig.host.messages.isEmpty());
    // Nothing went out: a marker frame is the first the device sees.
    rig.panel->SendCommand(CMD_POLL);
    QVERIFY(rig.sim.waitForValidFrames(1, 3000));
    QCOMPARE(Kinds(rig.sim), QByteArray("P"));
}

QTEST_MAIN(tst_SetupWorkflow)
#include "tst_setupworkflow.moc"
