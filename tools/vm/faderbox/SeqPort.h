#pragma once
// One sequencer client with one duplex port that others subscribe to, as a USB fader box shows
// itself: what it sends goes to its subscribers, what they send it comes back as MIDI bytes.
#include "HexBytes.h"

#include <alsa/asoundlib.h>
#include <string>
#include <vector>

class SeqPort {
public:
    SeqPort() = default;
    ~SeqPort();
    SeqPort(const SeqPort&) = delete;
    SeqPort& operator=(const SeqPort&) = delete;

    // Empty on success, else what went wrong.
    std::string Open(const std::string& clientName, const std::string& portName);
    // One complete MIDI message (SysEx included) to every subscriber, at once.
    bool Send(const Bytes& message);
    // Every message waiting, each as its bytes; events that are not MIDI are left out.
    std::vector<Bytes> Receive();
    std::vector<pollfd> PollDescriptors() const;

private:
    snd_seq_t* m_seq = nullptr;
    snd_midi_event_t* m_encoder = nullptr;
    snd_midi_event_t* m_decoder = nullptr;
    int m_port = -1;
};
