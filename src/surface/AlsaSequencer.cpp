#include "surface/AlsaSequencer.h"

#include "surface/SeqEventDecode.h"

#include <alsa/asoundlib.h>
#include <poll.h>

namespace {

constexpr unsigned kSendingCaps = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;

QString Text(const char* name) {
    return QString::fromUtf8(name ? name : "");
}

// Calls `visit(clientName, portName, address, caps)` for every port of every other client.
template <typename Visit> void ForEachPort(snd_seq_t* seq, Visit visit) {
    snd_seq_client_info_t* client = nullptr;
    snd_seq_port_info_t* port = nullptr;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    const int self = snd_seq_client_id(seq);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(seq, client) >= 0) {
        const int id = snd_seq_client_info_get_client(client);
        if (id == self || id == SND_SEQ_CLIENT_SYSTEM)
            continue;
        snd_seq_port_info_set_client(port, id);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(seq, port) >= 0) {
            const unsigned caps = snd_seq_port_info_get_capability(port);
            if (caps & SND_SEQ_PORT_CAP_NO_EXPORT)
                continue;
            visit(Text(snd_seq_client_info_get_name(client)),
                  Text(snd_seq_port_info_get_name(port)), id, snd_seq_port_info_get_port(port),
                  caps);
        }
    }
}

// alsa-lib prints its own line for every failure; ours says it once, in the panel's words.
void Quiet(const char*, int, const char*, int, const char*, ...) {}

} // namespace

AlsaSequencer::AlsaSequencer(QObject* parent) : QObject(parent) {}

AlsaSequencer::~AlsaSequencer() {
    m_notifiers.clear();
    if (m_seq)
        snd_seq_close(m_seq);
}

// The most the kernel lets a client keep waiting.
constexpr std::size_t kInputPoolEvents = 2000;

QString AlsaSequencer::Open() {
    if (m_seq)
        return {};
    snd_lib_error_set_handler(&Quiet);
    snd_seq_t* seq = nullptr;
    if (const int err = snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK);
        err < 0)
        return QStringLiteral("cannot open the ALSA sequencer: %1").arg(Text(snd_strerror(err)));
    snd_seq_set_client_name(seq, "Morvix");
    // A sweep of eight faders arrives faster than a busy panel may read it; the kernel's default
    // of 200 waiting events would drop the overflow, and with it perhaps a fader's last value.
    snd_seq_set_client_pool_input(seq, kInputPoolEvents);
    const int port = snd_seq_create_simple_port(
        seq, "Morvix",
        SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_READ |
            SND_SEQ_PORT_CAP_SUBS_WRITE | SND_SEQ_PORT_CAP_DUPLEX,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (port < 0) {
        snd_seq_close(seq);
        return QStringLiteral("cannot make a sequencer port: %1").arg(Text(snd_strerror(port)));
    }
    // Clients and ports coming and going: the controller's unplug and its return.
    snd_seq_connect_from(seq, port, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE);
    m_seq = seq;
    m_port = port;
    const int count = snd_seq_poll_descriptors_count(seq, POLLIN);
    std::vector<pollfd> fds(std::size_t(std::max(count, 0)));
    snd_seq_poll_descriptors(seq, fds.data(), unsigned(fds.size()), POLLIN);
    for (const pollfd& fd : fds) {
        auto notifier = std::make_unique<QSocketNotifier>(fd.fd, QSocketNotifier::Read);
        connect(notifier.get(), &QSocketNotifier::activated, this, &AlsaSequencer::OnReadable);
        m_notifiers.push_back(std::move(notifier));
    }
    Attach();
    return {};
}

QStringList AlsaSequencer::SendingPorts() const {
    QStringList ports;
    if (!m_seq)
        return ports;
    ForEachPort(m_seq, [&](const QString& client, const QString& port, int, int, unsigned caps) {
        if ((caps & kSendingCaps) == kSendingCaps)
            ports << client + QLatin1Char(':') + port;
    });
    return ports;
}

std::optional<AlsaSequencer::Address> AlsaSequencer::FindPort(const QString& clientName,
                                                              const QString& portName) const {
    std::optional<Address> found;
    ForEachPort(m_seq,
                [&](const QString& client, const QString& port, int id, int portId, unsigned caps) {
                    if (!found && client == clientName && port == portName &&
                        (caps & kSendingCaps) == kSendingCaps)
                        found = Address{id, portId};
                });
    return found;
}

void AlsaSequencer::Follow(const QString& clientName, const QString& portName) {
    Detach();
    m_clientName = clientName;
    m_portName = portName;
    Attach();
}

void AlsaSequencer::Unfollow() {
    Detach();
    m_clientName.clear();
    m_portName.clear();
}

void AlsaSequencer::Attach() {
    if (!m_seq || m_peer || m_clientName.isEmpty())
        return;
    const auto address = FindPort(m_clientName, m_portName);
    if (!address || snd_seq_connect_from(m_seq, m_port, address->client, address->port) < 0)
        return;
    // Feedback only where the controller takes it; a port that only sends still drives the panel.
    snd_seq_connect_to(m_seq, m_port, address->client, address->port);
    m_peer = address;
    Q_EMIT AttachedChanged(true);
}

void AlsaSequencer::Detach() {
    if (!m_peer)
        return;
    // Gone ports have no subscriptions left to undo; these fail quietly then.
    snd_seq_disconnect_from(m_seq, m_port, m_peer->client, m_peer->port);
    snd_seq_disconnect_to(m_seq, m_port, m_peer->client, m_peer->port);
    m_peer.reset();
    Q_EMIT AttachedChanged(false);
}

void AlsaSequencer::Send(const MidiEvent& message) {
    if (!m_seq || !m_peer)
        return;
    snd_seq_event_t event;
    EncodeSeqEvent(message, event);
    snd_seq_ev_set_source(&event, m_port);
    snd_seq_ev_set_subs(&event);
    snd_seq_ev_set_direct(&event);
    // Non-blocking: with the controller's queue full a message is lost, never the panel's time.
    snd_seq_event_output_direct(m_seq, &event);
}

void AlsaSequencer::OnReadable() {
    while (m_seq) {
        snd_seq_event_t* event = nullptr;
        const int got = snd_seq_event_input(m_seq, &event);
        // -ENOSPC: the input queue overran, and what is left is still read.
        if (got == -ENOSPC)
            continue;
        if (got < 0 || !event)
            break;
        if (event->source.client == SND_SEQ_CLIENT_SYSTEM &&
            event->source.port == SND_SEQ_PORT_SYSTEM_ANNOUNCE) {
            OnAnnouncement(event->type, {event->data.addr.client, event->data.addr.port});
            continue;
        }
        // Only the followed controller drives the panel, whoever else writes to the port.
        if (!m_peer || event->source.client != m_peer->client || event->source.port != m_peer->port)
            continue;
        if (const auto message = DecodeSeqEvent(*event))
            Q_EMIT Received(*message);
    }
}

void AlsaSequencer::OnAnnouncement(int type, Address address) {
    switch (type) {
    case SND_SEQ_EVENT_CLIENT_EXIT:
        if (m_peer && m_peer->client == address.client) {
            m_peer.reset();
            Q_EMIT AttachedChanged(false);
        }
        break;
    case SND_SEQ_EVENT_PORT_EXIT:
        if (m_peer && m_peer->client == address.client && m_peer->port == address.port) {
            m_peer.reset();
            Q_EMIT AttachedChanged(false);
        }
        break;
    case SND_SEQ_EVENT_CLIENT_START:
    case SND_SEQ_EVENT_CLIENT_CHANGE:
    case SND_SEQ_EVENT_PORT_START:
    case SND_SEQ_EVENT_PORT_CHANGE:
        // A client names itself after it started; a change may be the name we follow.
        Attach();
        break;
    default:
        return;
    }
    Q_EMIT PortsChanged();
}
