#include "SeqPort.h"

namespace {

// Room for the longest SysEx the bench sends in one event.
constexpr std::size_t kCoderBuffer = 1024;

} // namespace

SeqPort::~SeqPort() {
    if (m_encoder)
        snd_midi_event_free(m_encoder);
    if (m_decoder)
        snd_midi_event_free(m_decoder);
    if (m_seq)
        snd_seq_close(m_seq);
}

std::string SeqPort::Open(const std::string& clientName, const std::string& portName) {
    int rc = snd_seq_open(&m_seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK);
    if (rc < 0)
        return std::string("snd_seq_open: ") + snd_strerror(rc);
    snd_seq_set_client_name(m_seq, clientName.c_str());
    m_port = snd_seq_create_simple_port(
        m_seq, portName.c_str(),
        SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ | SND_SEQ_PORT_CAP_WRITE |
            SND_SEQ_PORT_CAP_SUBS_WRITE | SND_SEQ_PORT_CAP_DUPLEX,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_HARDWARE);
    if (m_port < 0)
        return std::string("snd_seq_create_simple_port: ") + snd_strerror(m_port);
    if (snd_midi_event_new(kCoderBuffer, &m_encoder) < 0 ||
        snd_midi_event_new(kCoderBuffer, &m_decoder) < 0)
        return "snd_midi_event_new failed";
    // Whole messages out, so a reader never has to remember a running status.
    snd_midi_event_no_status(m_decoder, 1);
    return {};
}

bool SeqPort::Send(const Bytes& message) {
    snd_midi_event_reset_encode(m_encoder);
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    const long used =
        snd_midi_event_encode(m_encoder, message.data(), static_cast<long>(message.size()), &ev);
    if (used <= 0 || ev.type == SND_SEQ_EVENT_NONE)
        return false;
    snd_seq_ev_set_source(&ev, m_port);
    snd_seq_ev_set_subs(&ev);
    snd_seq_ev_set_direct(&ev);
    return snd_seq_event_output_direct(m_seq, &ev) >= 0;
}

std::vector<Bytes> SeqPort::Receive() {
    std::vector<Bytes> out;
    snd_seq_event_t* ev = nullptr;
    while (snd_seq_event_input(m_seq, &ev) >= 0 && ev) {
        std::uint8_t buffer[kCoderBuffer];
        snd_midi_event_reset_decode(m_decoder);
        const long n = snd_midi_event_decode(m_decoder, buffer, sizeof buffer, ev);
        if (n > 0)
            out.emplace_back(buffer, buffer + n);
    }
    return out;
}

std::vector<pollfd> SeqPort::PollDescriptors() const {
    std::vector<pollfd> fds(
        static_cast<std::size_t>(snd_seq_poll_descriptors_count(m_seq, POLLIN)));
    snd_seq_poll_descriptors(m_seq, fds.data(), static_cast<unsigned>(fds.size()), POLLIN);
    return fds;
}
