#include "surface/ControlSurface.h"

#include "session/DeviceSession.h"

#include <cstdio>

namespace {

void Warn(const QString& text) {
    std::fprintf(stderr, "morvix: surface: %s\n", qPrintable(text));
}

} // namespace

ControlSurface::ControlSurface(DeviceSession& session, QObject* parent)
    : QObject(parent), m_session(session), m_engine(session) {
    m_engine.SetOutput([this](const MidiEvent& message) { m_sequencer.Send(message); });
    connect(&m_sequencer, &AlsaSequencer::Received, &m_engine, &SurfaceEngine::Receive);
    connect(&m_sequencer, &AlsaSequencer::AttachedChanged, this,
            &ControlSurface::OnAttachedChanged);
    connect(&m_sequencer, &AlsaSequencer::PortsChanged, this, &ControlSurface::PortsChanged);
    // Learned controls are kept at once, as the operator assigns them.
    connect(&m_engine, &SurfaceEngine::LearnedChanged, this, [this] {
        SurfaceChoice choice = m_choice;
        choice.learned = m_engine.Learned();
        if (!m_iniPath.isEmpty())
            SaveSurfaceChoice(m_iniPath, choice);
        m_choice = choice;
        // The newly learned control shows its channel at once.
        if (m_sequencer.Attached())
            m_engine.Connect();
    });
}

void ControlSurface::Start(const QString& settingsFolder) {
    m_iniPath = SurfaceIniPath(settingsFolder);
    QStringList problems;
    m_choice = LoadSurfaceChoice(m_iniPath, &problems);
    for (const QString& problem : problems)
        Warn(QStringLiteral("%1: %2").arg(m_iniPath, problem));
    Follow();
}

QStringList ControlSurface::Ports(QString* error) {
    if (!m_sequencer.IsOpen()) {
        const QString problem = m_sequencer.Open();
        if (error)
            *error = problem;
    }
    return m_sequencer.SendingPorts();
}

QString ControlSurface::Apply(const SurfaceChoice& choice) {
    if (!choice.port.isEmpty() && !SplitPortName(choice.port))
        return QStringLiteral("port must be \"client name:port name\", not \"%1\"")
            .arg(choice.port);
    if (!FindSurfaceProfile(choice.profile))
        return QStringLiteral("profile must be one of %1, not \"%2\"")
            .arg(SurfaceProfileIds().join(QStringLiteral(", ")), choice.profile);
    if (!m_iniPath.isEmpty()) {
        if (const QString problem = SaveSurfaceChoice(m_iniPath, choice); !problem.isEmpty())
            return problem;
    }
    m_choice = choice;
    Follow();
    return {};
}

QString ControlSurface::Use(const QString& port, const QString& profile) {
    SurfaceChoice choice = m_choice;
    choice.port = port.trimmed();
    if (choice.port.isEmpty())
        return QStringLiteral("name the port as \"client name:port name\"");
    const QString id = profile.trimmed().isEmpty() ? m_choice.profile : profile.trimmed();
    if (id != m_choice.profile) {
        choice.profile = id;
        choice.learned = {};
        if (const SurfaceProfile* known = FindSurfaceProfile(id))
            choice.pickUp = !known->motorFaders;
    }
    return Apply(choice);
}

void ControlSurface::Off() {
    SurfaceChoice choice = m_choice;
    choice.port.clear();
    Apply(choice);
}

void ControlSurface::Follow() {
    const SurfaceProfile* profile = FindSurfaceProfile(m_choice.profile);
    m_engine.Configure(profile ? *profile : GenericSurfaceProfile(), m_choice.learned,
                       m_choice.pickUp);
    const auto names = SplitPortName(m_choice.port);
    if (!names) {
        m_sequencer.Unfollow();
        Q_EMIT StateChanged();
        return;
    }
    // Tried again with every choice (the module may have been loaded since), said once.
    if (!m_sequencer.IsOpen()) {
        const QString problem = m_sequencer.Open();
        if (!problem.isEmpty() && !m_warnedSequencer) {
            m_warnedSequencer = true;
            Warn(problem + QStringLiteral("; the panel runs without it"));
        }
    }
    // Attaching, also to the port followed before, connects the engine with the new choice.
    m_sequencer.Follow(names->first, names->second);
    Q_EMIT StateChanged();
}

void ControlSurface::OnAttachedChanged(bool attached) {
    if (attached)
        m_engine.Connect();
    else
        m_engine.Disconnect();
    Q_EMIT StateChanged();
}

QString ControlSurface::StateText() const {
    if (m_choice.port.isEmpty())
        return {};
    const SurfaceProfile* profile = FindSurfaceProfile(m_choice.profile);
    const QString name = QString::fromUtf8(profile ? profile->name : "fader box");
    if (!m_sequencer.IsOpen())
        return name + QStringLiteral(": no MIDI");
    return Attached() ? name + QStringLiteral(" \u2713") : name + QStringLiteral(": unplugged");
}

QString ControlSurface::Summary() const {
    if (m_choice.port.isEmpty())
        return QStringLiteral("off");
    return QStringLiteral("\"%1\" %2, pick-up %3: %4")
        .arg(m_choice.port, m_choice.profile,
             m_choice.pickUp ? QStringLiteral("on") : QStringLiteral("off"),
             !m_sequencer.IsOpen() ? QStringLiteral("no sequencer")
             : Attached()          ? QStringLiteral("connected")
                                   : QStringLiteral("unplugged"));
}
