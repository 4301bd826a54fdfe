#include "HostedPanel.h"
#include "RecordingHost.h"
#include "SettingsText.h"
#include "TempConfigHome.h"
#include "TestFiles.h"
#include "panel/KeyMap.h"
#include "panel/PanelController.h"
#include "session/FadeEngine.h"

#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <map>

using namespace std::chrono_literals;
using Clock = FadeEngine::Clock;

namespace {

const ChangeOrigin kScript{ChangeOrigin::Kind::Script, 1};

// Something that happens to a running fade at a given time.
struct FadeEvent {
    enum Kind { Operator, TakeOut, Replace, Hold, Release };
    int atMs = 0;
    Kind kind = Operator;
    int channel = 0;
    ChannelSetting setting; // Operator: what the operator put there
    FadeTargets targets{};  // Replace
    int durationMs = 0;     // Replace
};

struct FadeRow {
    ChannelSettings from{};
    FadeTargets targets{};
    int durationMs = 0;
    // What the device holds when it differs from the panel.
    std::optional<ChannelSettings> device;
    bool heldAtStart = false;
    QList<FadeEvent> events;
    // Extra milliseconds on the ticks whose number is a multiple of 3: a busy event loop.
    int lateTickMs = 0;
    // Frames on the first ticks, when the row pins them.
    QList<int> firstTicks;
    // Channels that must never get a frame.
    QList<int> silent;
};

ChannelSettings Uniform(bool on, int level) {
    ChannelSettings all;
    all.fill({on, level});
    return all;
}

FadeTargets AllTo(bool on, int level) {
    FadeTargets all;
    all.fill(ChannelSetting{on, level});
    return all;
}

FadeTargets OneTo(int channel, bool on, int level) {
    FadeTargets one;
    one[channel] = ChannelSetting{on, level};
    return one;
}

// The line a channel must follow, as the test sees it: from where it stood when its fade began.
struct Line {
    bool active = false;
    ChannelSetting from;
    ChannelSetting to;
    Clock start{0};
    Clock duration{0};
    Clock heldBefore{0}; // hold time already spent when the fade began
};

struct Sent {
    Clock at;
    FadeFrame frame;
};

} // namespace

Q_DECLARE_METATYPE(FadeRow)

class tst_Fade : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pacing_data();
    void pacing();
    void durationFromSeconds_data();
    void durationFromSeconds();
    void progressText_countsWithoutHolds();

    // The controller around the engine, with a recording host and the fade's clock in hand.
    void init();
    void cleanup();
    void controller_runningFadeIsStoppedFirst_data();
    void controller_runningFadeIsStoppedFirst();
    void controller_scriptTakesItsChannel_othersReachTarget();
    void controller_fadeWhileSetupIsOpen_announcesEveryStep();
    void controller_scenes_emptySaysSo_storedComesBackPaced();

private:
    // Ticks the fade for `ms` of its time, 20 ms a tick.
    void Run(int ms) {
        for (int t = 0; t < ms; t += 20) {
            m_now += 20ms;
            m_panel->Session().OnLineTick();
        }
    }

    std::unique_ptr<TempConfigHome> m_home;
    std::unique_ptr<RecordingHost> m_host;
    std::unique_ptr<DeviceSession> m_session;
    std::unique_ptr<PanelController> m_panel;
    Clock m_now{0};
};

void tst_Fade::init() {
    m_home = std::make_unique<TempConfigHome>();
    m_host = std::make_unique<RecordingHost>();
    m_session = std::make_unique<DeviceSession>();
    m_panel = std::make_unique<PanelController>(*m_session, *m_host);
    m_panel->ResetState();
    m_panel->Session().BuildPaths();
    m_panel->Session().DriveTicksByHand(true);
    m_now = 0ms;
    m_panel->Session().SetFadeClock([this] { return m_now; });
    EditChannels(*m_panel, [](ChannelModel& m) {
        for (int c = 0; c < CHANNEL_COUNT; ++c) {
            m.SetPower(c, 1);
            m.SetLevel(c, 0);
        }
    });
}

void tst_Fade::cleanup() {
    m_panel.reset();
    m_session.reset();
    m_host.reset();
    m_home.reset();
}

void tst_Fade::controller_runningFadeIsStoppedFirst_data() {
    QTest::addColumn<QString>("stopper");
    QTest::newRow("Setup's OK") << "setup";
    QTest::newRow("1~8 Ch' Off") << "all off";
    QTest::newRow("loading a preset") << "preset";
    QTest::newRow("confirmed exit") << "exit";
    QTest::newRow("StopFade") << "stop";
}

void tst_Fade::controller_runningFadeIsStoppedFirst() {
    QFETCH(QString, stopper);
    PanelController& panel = *m_panel;
    DeviceSession& session = *m_session;
    QSignalSpy fading(&session, &DeviceSession::FadingChanged);
    QSignalSpy progress(&session, &DeviceSession::FadeProgressChanged);
    QSignalSpy changes(&session, &DeviceSession::ChannelChanged);
    FadeTargets targets;
    targets.fill(ChannelSetting{true, 255});
    QVERIFY(panel.Session().StartFade(targets, 1.0));
    QVERIFY(!panel.Session().StartFade(targets, -1.0));
    QCOMPARE(fading.size(), 1);
    Run(200);
    QCOMPARE(panel.Session().FadeProgressText(), QStringLiteral("fade 0.2 / 1.0 s"));
    QCOMPARE(progress.last().value(0).toString(), QStringLiteral("fade 0.2 / 1.0 s"));
    // Every frame's change is announced, as an operator's is.
    QVERIFY(changes.size() >= 40);
    const int midway = panel.Channels().Level(7);
    QVERIFY(midway > 40 && midway < 70);

    const QString preset = m_home->path() + "/p.qvd";
    QVERIFY(WriteAll(preset, SettingsText().channel(7, 1, 9).bytes()));
    if (stopper == "setup") {
        m_host->setupDialog = [](SetupValues&) { return DialogResult::Ok; };
        panel.RunSetup();
    } else if (stopper == "all off") {
        QVERIFY(session.Request(SessionRequest::AllOff(), kScript).ok());
    } else if (stopper == "preset") {
        QVERIFY(session.Request(SessionRequest::LoadPreset(preset), kScript).ok());
    } else if (stopper == "exit") {
        m_host->exitDialogResult = DialogResult::Ok;
        panel.ExitProgram();
        QCOMPARE(m_host->quitCode, EXIT_CODE_CONFIRMED);
    } else {
        panel.Session().StopFade();
    }
    QVERIFY(!panel.Session().Fading());
    QCOMPARE(fading.last().value(0).toBool(), false);
    QCOMPARE(progress.last().value(0).toString(), QString());
    const auto levels = panel.Channels().Levels();
    Run(1000);
    QCOMPARE(panel.Channels().Levels(), levels);
    if (stopper == "preset")
        QCOMPARE(levels[7], 9);
    if (stopper == "all off")
        QCOMPARE(levels[7], 0);
    if (stopper == "stop" || stopper == "exit")
        QCOMPARE(levels[7], midway);
}

void tst_Fade::controller_scriptTakesItsChannel_othersReachTarget() {
    PanelController& panel = *m_panel;
    FadeTargets targets;
    targets.fill(ChannelSetting{true, 200});
    QVERIFY(panel.Session().StartFade(targets, 0.5));
    Run(100);
    QVERIFY(panel.Session().Request(SessionRequest::Set(3, false, 17), kScript).ok());
    Run(100);
    // And a key press on the selected channel (1), seen by what it changed.
    panel.OnKeyDown(VirtualKey::kRight);
    const int keyed = panel.Channels().Level(0);
    Run(600);
    QVERIFY(!panel.Session().Fading());
    QCOMPARE(panel.Channels().Level(2), 17);
    QCOMPARE(panel.Channels().Power(2), 0);
    QCOMPARE(panel.Channels().Level(0), keyed);
    for (int c : {1, 3, 4, 5, 6, 7})
        QCOMPARE(panel.Channels().Level(c), 200);
}

// A dialog held open by the operator must not hold back what the fade does meanwhile: each step is
// announced as it goes out, as the fade's own, not at the dialog's end.
void tst_Fade::controller_fadeWhileSetupIsOpen_announcesEveryStep() {
    PanelController& panel = *m_panel;
    DeviceSession& session = *m_session;
    FadeTargets targets;
    targets.fill(std::nullopt);
    targets[2] = ChannelSetting{true, 250};
    QVERIFY(session.StartFade(targets, 1.0));
    QSignalSpy changes(&session, &DeviceSession::ChannelChanged);
    int insideDialog = 0;
    m_host->setupDialog = [&](SetupValues&) {
        Run(1200);
        insideDialog = int(changes.size());
        return DialogResult::Cancel;
    };
    panel.RunSetup();
    QVERIFY(!session.Fading());
    QCOMPARE(session.Channels().Level(2), 250);
    QVERIFY2(insideDialog >= 40, qPrintable(QString::number(insideDialog)));
    QCOMPARE(changes.size(), insideDialog);
    for (const QList<QVariant>& change : changes)
        QCOMPARE(change.value(3).value<ChangeOrigin>(), ChangeOrigin::Fade());
}

void tst_Fade::controller_scenes_emptySaysSo_storedComesBackPaced() {
    PanelController& panel = *m_panel;
    DeviceSession& session = *m_session;
    QSignalSpy notes(&session, &DeviceSession::StatusMessage);
    QCOMPARE(panel.Session().RecallScene(4), QStringLiteral("scene 4 is empty"));
    QCOMPARE(notes.last().value(0).toString(), QStringLiteral("scene 4 is empty"));
    QVERIFY(!panel.Session().Fading());

    EditChannels(panel, [](ChannelModel& m) {
        for (int c = 0; c < CHANNEL_COUNT; ++c)
            m.SetLevel(c, 10 * c + 5);
    });
    PanelPalette colors = panel.Session().Settings().Colors();
    colors.channel = 0x123456;
    panel.Session().Settings().SetColors(colors);
    QCOMPARE(panel.Session().StoreScene(4), QString());
    QCOMPARE(notes.last().value(0).toString(), QStringLiteral("scene 4 stored"));
    const auto stored = panel.Channels().Levels();
    EditChannels(panel, [](ChannelModel& m) {
        for (int c = 0; c < CHANNEL_COUNT; ++c)
            m.SetLevel(c, 250);
    });
    colors.channel = 0;
    panel.Session().Settings().SetColors(colors);

    // Fade time 0: five frames at once, the other three a tick later.
    const auto atStored = [&] {
        int n = 0;
        for (int c = 0; c < CHANNEL_COUNT; ++c)
            n += panel.Channels().Level(c) == stored[c] ? 1 : 0;
        return n;
    };
    QCOMPARE(panel.Session().RecallScene(4), QString());
    QCOMPARE(panel.Session().Settings().Colors().channel, ColorRef(0x123456));
    QCOMPARE(atStored(), 5);
    Run(20);
    QCOMPARE(atStored(), CHANNEL_COUNT);
    QVERIFY(!panel.Session().Fading());
}

void tst_Fade::pacing_data() {
    QTest::addColumn<FadeRow>("row");

    {
        FadeRow r;
        r.from = Uniform(true, 0);
        r.targets = AllTo(true, 255);
        r.durationMs = 1000;
        // 24 in any 100 ms: the fifth tick has room for four.
        r.firstTicks = {5, 5, 5, 5, 4, 5};
        QTest::newRow("8 channels full range 1 s") << r;
    }
    {
        FadeRow r;
        r.from = Uniform(true, 255);
        r.targets = AllTo(true, 0);
        r.durationMs = 10000;
        QTest::newRow("8 channels full range down 10 s") << r;
    }
    {
        FadeRow r;
        r.from = Uniform(true, 0);
        r.targets = AllTo(true, 255);
        r.durationMs = 1000;
        r.lateTickMs = 7;
        QTest::newRow("late ticks keep to the window") << r;
    }
    {
        FadeRow r;
        r.from = Uniform(true, 10);
        r.targets = AllTo(true, 200);
        r.durationMs = 0;
        r.firstTicks = {5, 3, 0};
        QTest::newRow("zero duration: paced instant change") << r;
    }
    {
        FadeRow r;
        r.from = Uniform(true, 40);
        r.targets = OneTo(6, true, 240);
        r.durationMs = 2000;
        r.silent = {0, 1, 2, 3, 4, 5, 7};
        // One channel alone moves 2 levels a tick and gets a frame on each.
        r.firstTicks = {1, 1, 1, 1};
        QTest::newRow("one channel only") << r;
    }
    {
        FadeRow r;
        r.from = Uniform(false, 0);
        r.from[1] = {true, 200};
        r.from[2] = {true, 90};
        r.from[3] = {false, 50};
        r.targets = AllTo(true, 128);
        r.targets[1] = ChannelSetting{false, 0};
        r.targets[2] = ChannelSetting{false, 90};
        r.targets[3] = ChannelSetting{false, 50};
        r.targets[4] = ChannelSetting{true, 0};
        r.durationMs = 500;
        // Channel 4 only switches on; channel 2 only off at the end; channel 3 is there already.
        r.silent = {3};
        QTest::newRow("switch on at the start, off at the end") << r;
    }
    {
        FadeRow r;
        r.from = Uniform(true, 0);
        r.targets = AllTo(true, 255);
        r.durationMs = 1000;
        FadeEvent key;
        key.atMs = 300;
        key.kind = FadeEvent::Operator;
        key.channel = 2;
        key.setting = {true, 7};
        FadeEvent script;
        script.atMs = 500;
        script.kind = FadeEvent::TakeOut;
        script.channel = 5;
        r.events = {key, script};
        QTest::newRow("operator takes channels out") << r;
    }
    {
        FadeRow r;
        r.from = Uniform(true, 0);
        r.targets = AllTo(true, 255);
        r.durationMs = 1000;
        FadeEvent replace;
        replace.atMs = 400;
        replace.kind = FadeEvent::Replace;
        replace.targets = AllTo(false, 30);
        replace.targets[0] = ChannelSetting{true, 250};
        replace.durationMs = 600;
        r.events = {replace};
        QTest::newRow("replaced fade starts where channels stand") << r;
    }
    {
        FadeRow r;
        r.from = Uniform(true, 0);
        r.targets = AllTo(true, 255);
        r.durationMs = 1000;
        r.heldAtStart = true;
        FadeEvent synced;
        synced.atMs = 180;
        synced.kind = FadeEvent::Release;
        r.events = {synced};
        r.firstTicks = {0, 0, 0, 0, 0, 0, 0, 0, 0, 5};
        QTest::newRow("waits for the synchronisation") << r;
    }
    {
        FadeRow r;
        r.from = Uniform(true, 0);
        r.targets = AllTo(true, 255);
        r.durationMs = 1000;
        FadeEvent gone;
        gone.atMs = 400;
        gone.kind = FadeEvent::Hold;
        FadeEvent back;
        back.atMs = 700;
        back.kind = FadeEvent::Release;
        r.events = {gone, back};
        QTest::newRow("hot-plug: holds mid-way, resumes on its line") << r;
    }
    {
        FadeRow r;
        r.from = Uniform(true, 100);
        r.targets = AllTo(true, 100);
        r.device = Uniform(true, 100);
        (*r.device)[3] = {false, 100};
        r.durationMs = 1000;
        r.silent = {0, 1, 2, 4, 5, 6, 7};
        QTest::newRow("at target sends nothing, unless the device differs") << r;
    }
    {
        FadeRow r;
        r.from = Uniform(true, 0);
        r.from[0] = {true, 300};
        r.targets = OneTo(0, true, 55);
        r.durationMs = 400;
        r.silent = {1, 2, 3, 4, 5, 6, 7};
        QTest::newRow("hand-edited level starts at the edge") << r;
    }
}

void tst_Fade::pacing() {
    QFETCH(FadeRow, row);

    FadeEngine engine;
    ChannelSettings model = row.from;
    ChannelSettings device = row.device.value_or(row.from);
    std::array<Line, CHANNEL_COUNT> lines{};
    std::array<ChannelSetting, CHANNEL_COUNT> finalTarget{};
    std::array<Clock, CHANNEL_COUNT> endOf{};
    std::array<bool, CHANNEL_COUNT> takenOut{};
    Clock heldTotal{0};
    std::optional<Clock> heldSince;

    const auto begin = [&](const FadeTargets& targets, int durationMs, Clock now) {
        for (int c = 0; c < CHANNEL_COUNT; ++c) {
            lines[c] = Line{};
            if (!targets[c] || takenOut[c])
                continue;
            const ChannelSetting from{model[c].on, ClampLevel(model[c].level)};
            lines[c] = {true,     from, *targets[c], now, std::chrono::milliseconds(durationMs),
                        heldTotal};
            finalTarget[c] = *targets[c];
        }
    };
    // Fade time as the test counts it: from the fade's start, without the holds since.
    const auto fadeTime = [&](const Line& line, Clock now) {
        const Clock held = heldTotal + (heldSince ? now - *heldSince : Clock{0}) - line.heldBefore;
        return std::clamp(now - line.start - held, Clock{0}, line.duration);
    };
    const auto lineLevel = [&](const Line& line, Clock now) {
        if (line.duration.count() == 0)
            return double(line.to.level);
        const double f = double(fadeTime(line, now).count()) / double(line.duration.count());
        return line.from.level + (line.to.level - line.from.level) * f;
    };
    // Goal: within the slope times 40 ms, rounded up.
    const auto bound = [](const Line& line) {
        return std::ceil(std::abs(line.to.level - line.from.level) * 40.0 /
                             (double(line.duration.count()) / 1000.0) -
                         1e-9);
    };

    if (row.heldAtStart)
        engine.Hold(true, 0ms);
    if (row.heldAtStart)
        heldSince = 0ms;
    engine.Start(model, row.targets, std::chrono::milliseconds(row.durationMs), 0ms, row.device);
    begin(row.targets, row.durationMs, 0ms);

    std::vector<Sent> sent;
    QList<int> perTick;
    QList<FadeEvent> events = row.events;
    int lastFadeEndMs = row.durationMs;
    for (int tick = 0; tick < 2000 && (engine.Running() || tick < 3); ++tick) {
        const Clock now =
            std::chrono::milliseconds(20 * tick + (tick % 3 == 0 ? row.lateTickMs : 0));
        while (!events.isEmpty() && now >= std::chrono::milliseconds(events.front().atMs)) {
            const FadeEvent e = events.takeFirst();
            const Clock at = std::chrono::milliseconds(e.atMs);
            switch (e.kind) {
            case FadeEvent::Operator:
                model[e.channel] = device[e.channel] = e.setting;
                takenOut[e.channel] = true;
                lines[e.channel].active = false;
                break;
            case FadeEvent::TakeOut:
                engine.TakeOut(e.channel);
                takenOut[e.channel] = true;
                lines[e.channel].active = false;
                break;
            case FadeEvent::Replace:
                engine.Start(model, e.targets, std::chrono::milliseconds(e.durationMs), at);
                begin(e.targets, e.durationMs, at);
                lastFadeEndMs = e.atMs + e.durationMs;
                break;
            case FadeEvent::Hold:
                engine.Hold(true, at);
                heldSince = at;
                break;
            case FadeEvent::Release:
                engine.Hold(false, at);
                heldTotal += at - *heldSince;
                heldSince.reset();
                break;
            }
        }

        // Before the first frame the device may still hold what the line starts from.
        for (int c = 0; c < CHANNEL_COUNT; ++c) {
            if (lines[c].active && lines[c].duration.count() > 0 && now > lines[c].start)
                QVERIFY2(std::abs(device[c].level - lineLevel(lines[c], now)) <= bound(lines[c]),
                         qPrintable(QStringLiteral("ch %1 at %2 ms before the tick")
                                        .arg(c)
                                        .arg(now.count() / 1000)));
        }
        const std::vector<FadeFrame> frames = engine.Tick(now, model);
        perTick << int(frames.size());
        for (const FadeFrame& f : frames) {
            QVERIFY(IsChannel(f.channel));
            QVERIFY2(!takenOut[f.channel], "a frame for a channel the operator took");
            model[f.channel] = device[f.channel] = {f.on, f.level};
            sent.push_back({now, f});
            endOf[f.channel] = now;
        }
        for (int c = 0; c < CHANNEL_COUNT; ++c) {
            if (lines[c].active && lines[c].duration.count() > 0)
                QVERIFY2(std::abs(device[c].level - lineLevel(lines[c], now)) <= bound(lines[c]),
                         qPrintable(QStringLiteral("ch %1 at %2 ms after the tick")
                                        .arg(c)
                                        .arg(now.count() / 1000)));
        }
    }
    QVERIFY2(!engine.Running(), "the fade never ended");

    // The wire: never more than five a tick, nor more than 24 in any 100 ms. Written out here,
    // not taken from the engine, so a changed limit fails.
    for (int n : perTick)
        QVERIFY2(n <= 5, qPrintable(QString::number(n)));
    for (std::size_t i = 0; i < sent.size(); ++i) {
        const auto inWindow = std::count_if(sent.begin() + i, sent.end(), [&](const Sent& s) {
            return s.at < sent[i].at + std::chrono::milliseconds(100);
        });
        QVERIFY2(inWindow <= 24, qPrintable(QString::number(inWindow)));
    }
    if (!row.firstTicks.isEmpty())
        QCOMPARE(perTick.mid(0, row.firstTicks.size()), row.firstTicks);

    const Clock heldAll = heldTotal;
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        std::vector<Sent> own;
        std::copy_if(sent.begin(), sent.end(), std::back_inserter(own),
                     [&](const Sent& s) { return s.frame.channel == c; });
        if (row.silent.contains(c)) {
            QVERIFY2(own.empty(), qPrintable(QStringLiteral("ch %1 sent").arg(c)));
            QCOMPARE(model[c], row.from[c]);
            continue;
        }
        if (takenOut[c]) {
            QVERIFY(!engine.InFade(c));
            continue;
        }
        QVERIFY2(!own.empty(), qPrintable(QStringLiteral("ch %1 silent").arg(c)));
        // Exact target last, at the end: no sooner than a tick before it, no later than a tick
        // after.
        const ChannelSetting target{finalTarget[c].on, ClampLevel(finalTarget[c].level)};
        QCOMPARE((ChannelSetting{own.back().frame.on, own.back().frame.level}), target);
        QCOMPARE(model[c], target);
        const Clock end = std::chrono::milliseconds(lastFadeEndMs) + heldAll;
        QVERIFY2(endOf[c] <= end + FadeEngine::kTick + std::chrono::milliseconds(row.lateTickMs),
                 qPrintable(QStringLiteral("ch %1 last frame %2 ms after the end")
                                .arg(c)
                                .arg((endOf[c] - end).count() / 1000)));
        // A switch goes on with the first frame and off only with the last.
        if (target.on && !row.from[c].on && row.events.isEmpty() && !row.heldAtStart) {
            QVERIFY(own.front().frame.on);
            QVERIFY(own.front().at <= FadeEngine::kTick);
        }
        if (!target.on) {
            for (std::size_t i = 0; i + 1 < own.size(); ++i)
                QVERIFY2(own[i].frame.on, "switched off before the end");
            if (own.size() > 1 || row.from[c].on)
                // A tick ahead, and one more when eight last frames need two ticks.
                QVERIFY(own.back().at + FadeEngine::kLead + FadeEngine::kTick >= end);
        }
    }
}

void tst_Fade::durationFromSeconds_data() {
    QTest::addColumn<double>("seconds");
    QTest::addColumn<qint64>("micros"); // -1: refused

    QTest::newRow("zero") << 0.0 << qint64(0);
    QTest::newRow("fraction") << 1.25 << qint64(1'250'000);
    QTest::newRow("longest") << FadeEngine::kMaxSeconds << qint64(3'600'000'000);
    QTest::newRow("too long") << FadeEngine::kMaxSeconds + 0.5 << qint64(-1);
    QTest::newRow("negative") << -0.1 << qint64(-1);
    QTest::newRow("nan") << std::nan("") << qint64(-1);
    QTest::newRow("infinite") << HUGE_VAL << qint64(-1);
}

void tst_Fade::durationFromSeconds() {
    QFETCH(double, seconds);
    QFETCH(qint64, micros);
    const auto duration = FadeEngine::DurationFromSeconds(seconds);
    QCOMPARE(duration.has_value(), micros >= 0);
    if (duration)
        QCOMPARE(qint64(duration->count()), micros);
}

void tst_Fade::progressText_countsWithoutHolds() {
    FadeEngine engine;
    engine.Start(Uniform(true, 0), AllTo(true, 255), 3000ms, 1000ms);
    QCOMPARE(engine.ProgressText(2200ms), QStringLiteral("fade 1.2 / 3.0 s"));
    engine.Hold(true, 2200ms);
    QCOMPARE(engine.ProgressText(9000ms), QStringLiteral("fade 1.2 / 3.0 s"));
    engine.Hold(false, 9000ms);
    QCOMPARE(engine.ProgressText(9500ms), QStringLiteral("fade 1.7 / 3.0 s"));
    QCOMPARE(engine.ProgressText(60000ms), QStringLiteral("fade 3.0 / 3.0 s"));
}

QTEST_GUILESS_MAIN(tst_Fade)
#include "tst_fade.moc"
