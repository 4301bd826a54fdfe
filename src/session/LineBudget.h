#pragma once

#include "model/Channels.h"

#include <chrono>
#include <deque>
#include <optional>
#include <vector>

// What the line to the device carries and what is waiting for it. 19200 baud at 11 bits a byte
// is about 290 frames a second; every frame written, whoever wrote it, is counted here, and the
// changes that may wait (a script's, a surface's, a web page's, a fade's) go out only while the
// count leaves room: at most kFramesPerTick in any tick and kFramesPerWindow in any kWindow
// (counted a tick longer, so a late tick does not crowd the device's own 100 ms).
//
// Waiting changes are kept per channel, the latest value wins: the frame carries the channel as
// the model holds it when it goes out, so a value overtaken before it was sent is never sent, and
// the last one always is. Channels go out in the order they first asked; the all-off frame first.
class LineBudget {
public:
    using Clock = std::chrono::microseconds;

    static constexpr Clock kTick = std::chrono::milliseconds(20);
    static constexpr int kFramesPerTick = 5;
    // A late timer tick followed by a prompt one must not squeeze six ticks' worth into 100 ms,
    // and the device's clock is not ours: one frame of room below 25.
    static constexpr Clock kWindow = std::chrono::milliseconds(100);
    static constexpr int kFramesPerWindow = 24;

    // One item to put on the line: a channel's set frame, or the all-off frame.
    struct Item {
        bool allOff = false;
        int channel = 0;
        bool operator==(const Item&) const = default;
    };

    // A frame went out at `now`, by any road. A channel's frame carries its latest value, so it
    // settles what that channel was waiting for; the all-off frame settles a waiting all-off.
    void Sent(Clock now, std::optional<int> channel = std::nullopt, bool allOff = false);
    // Frames the line takes now without overrunning either limit. Waiting changes count the window
    // a tick longer (see Room's definition); a fade, which paces itself along its line, counts
    // the plain window.
    enum class Margin { Tick, None };
    int Room(Clock now, Margin margin = Margin::Tick) const;

    void Want(int channel);
    void WantAllOff();
    bool Waiting() const { return m_allOffWaiting || !m_waiting.empty(); }
    bool Waiting(int channel) const;
    // Takes out what may go now, oldest first, at most Room(now) of them. The caller sends each
    // and reports it with Sent.
    std::vector<Item> Due(Clock now) const;
    // Nothing waits any more (the line is gone, a new start).
    void Clear();

private:
    // Frames within the tick before `now`: a tick that fires a little early still finds the room
    // the previous tick left.
    int SentWithin(Clock now, Clock span) const;

    std::deque<Clock> m_sent;
    std::vector<int> m_waiting;
    bool m_allOffWaiting = false;
};
