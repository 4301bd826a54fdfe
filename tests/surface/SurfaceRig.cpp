#include "SurfaceRig.h"

#include "surface/SurfaceProfile.h"

namespace {

QString Marks(const PickUpMarks& marks) {
    QString text;
    for (const PickUpMark mark : marks)
        text += mark == PickUpMark::Up ? u'^' : mark == PickUpMark::Down ? u'v' : u'-';
    return text;
}

} // namespace

SurfaceRig::SurfaceRig() {
    m_session.DriveTicksByHand(true);
    m_session.ResetState();
    m_session.SetFadeClock([this] { return FadeEngine::Clock(std::chrono::milliseconds(m_now)); });
    m_engine.DriveTicksByHand(true);
    m_engine.SetClock([this] { return SurfaceEngine::Clock(m_now); });
    m_engine.SetOutput([this](const MidiEvent& message) { m_out << DescribeMidi(message); });
    m_engine.Configure(GenericSurfaceProfile(), {}, false);
}

QStringList SurfaceRig::TakeOut() {
    return std::exchange(m_out, {});
}

QString SurfaceRig::Run(const QStringList& steps) {
    for (const QString& step : steps) {
        const QStringList words = step.split(u' ', Qt::SkipEmptyParts);
        if (const QString problem = Step(words); !problem.isEmpty())
            return QStringLiteral("at \"%1\": %2").arg(step, problem);
    }
    return {};
}

QString SurfaceRig::Step(const QStringList& w) {
    const auto n = [&](int i) { return w.value(i).toInt(); };
    const QString what = w.value(0);
    const ChangeOrigin script{ChangeOrigin::Kind::Script, 7};
    if (what == "profile") {
        const SurfaceProfile* profile = FindSurfaceProfile(w.value(1));
        if (!profile)
            return QStringLiteral("no profile");
        m_engine.Configure(*profile, m_engine.Learned(), m_engine.PickUpOn());
    } else if (what == "pickup") {
        m_engine.Configure(m_engine.Profile(), m_engine.Learned(), w.value(1) == "on");
    } else if (what == "connect") {
        m_engine.Connect();
    } else if (what == "disconnect") {
        m_engine.Disconnect();
    } else if (what == "at") {
        m_now = n(1);
        m_engine.Tick();
    } else if (what == "in") {
        const QString kind = w.value(1);
        MidiEvent event;
        event.channel = n(2) - 1;
        if (kind == "cc")
            event = {MidiEvent::Type::ControlChange, n(2) - 1, n(3), n(4)};
        else if (kind == "note")
            event = {MidiEvent::Type::NoteOn, n(2) - 1, n(3), n(4)};
        else if (kind == "off")
            event = {MidiEvent::Type::NoteOff, n(2) - 1, n(3), 0};
        else if (kind == "bend")
            event = {MidiEvent::Type::PitchBend, n(2) - 1, 0, n(3)};
        else
            return QStringLiteral("unknown message");
        m_engine.Receive(event);
    } else if (what == "script") {
        const auto request = w.value(1) == "level" ? SessionRequest::Level(n(2), n(3))
                                                   : SessionRequest::Switch(n(2), n(3) == 1);
        if (const SessionAnswer answer = m_session.Request(request, script); !answer.ok())
            return answer.text;
    } else if (what == "panel") {
        const DeviceSession::ChangeScope scope(m_session);
        m_session.Channels().SetLevel(n(2) - 1, n(3));
        m_session.SendCommand(CMD_CHANNEL, n(2) - 1);
    } else if (what == "fade") {
        FadeTargets targets;
        targets[n(1) - 1] = ChannelSetting{m_session.Channels().On(n(1) - 1), n(2)};
        if (!m_session.StartFade(targets, w.value(3).toDouble()))
            return QStringLiteral("fade refused");
    } else if (what == "tick") {
        m_session.OnLineTick();
    } else if (what == "drain") {
        m_out.clear();
    } else if (what == "learn") {
        m_engine.SetLearning(w.value(1) == "on");
    } else if (what == "assign") {
        const auto element =
            w.value(2) == "fader" ? SurfaceEngine::Element::Fader : SurfaceEngine::Element::Switch;
        const QString problem = m_engine.AssignHeard(n(1) - 1, element);
        const QString want = w.mid(3).join(u' ');
        if (want.isEmpty() ? !problem.isEmpty() : !problem.contains(want))
            return QStringLiteral("assign said \"%1\"").arg(problem);
    } else {
        return Check(w);
    }
    return {};
}

QString SurfaceRig::Check(const QStringList& w) {
    const QString what = w.value(0);
    const int c = w.value(1).toInt() - 1;
    QString got;
    QString want;
    if (what == "level") {
        got = QString::number(m_session.Channels().Level(c));
        want = w.value(2);
    } else if (what == "on") {
        got = QString::number(m_session.Channels().On(c) ? 1 : 0);
        want = w.value(2);
    } else if (what == "out") {
        got = TakeOut().join(QStringLiteral(" | "));
        want = w.mid(1).join(u' ');
        if (want == "-")
            want.clear();
    } else if (what == "marks") {
        got = Marks(m_engine.Marks());
        want = w.value(1);
    } else {
        return QStringLiteral("unknown step");
    }
    return got == want ? QString() : QStringLiteral("got \"%1\", want \"%2\"").arg(got, want);
}
