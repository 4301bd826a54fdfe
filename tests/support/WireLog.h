#pragma once

#include "Pty.h"
#include "model/ChannelFrame.h"
#include "session/DeviceSession.h"

#include <QTest>
#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

// The set-channel frames a session has written to a pseudo-terminal, read off the master as they
// go out. Each is checked against the newest level the test asked for on its channel at that
// moment: a value overtaken before it was sent must never reach the line.
class WireLog {
public:
    struct Frame {
        int ms;      // the test's clock when the frame was read
        int channel; // 0-based
        int level;
    };

    WireLog(PtyPair& pty, const DeviceSession& session) : m_pty(pty), m_session(session) {}

    // The newest level asked for per channel (0-based); the test keeps it up to date.
    std::map<int, int> newest;

    // Reads everything the port has written since the last call, stamped with the test's clock.
    void Collect(int ms) {
        const long written = m_session.Health().framesSent;
        const QByteArray bytes = m_pty.readMaster(int(written - m_read) * FRAME_SIZE, 2000);
        QCOMPARE(bytes.size(), qsizetype(written - m_read) * FRAME_SIZE);
        m_read = written;
        for (qsizetype at = 0; at < bytes.size(); at += FRAME_SIZE) {
            const auto byte = [&](int i) { return int(std::uint8_t(bytes[at + i])); };
            if (byte(1) != FRAME_CODE_SET_CHANNEL)
                continue;
            m_frames.push_back({ms, byte(2) - 1, byte(4)});
            QCOMPARE(byte(4), newest[byte(2) - 1]);
        }
    }

    const std::vector<Frame>& Frames() const { return m_frames; }

    // The most frames read within any span of the given length (a frame's own read time included).
    int MostWithin(int spanMs) const {
        long most = 0;
        for (const Frame& frame : m_frames)
            most =
                std::max(most, std::count_if(m_frames.begin(), m_frames.end(), [&](const Frame& f) {
                             return f.ms > frame.ms - spanMs && f.ms <= frame.ms;
                         }));
        return int(most);
    }

    // The level each channel's last frame carried.
    std::map<int, int> LastLevels() const {
        std::map<int, int> last;
        for (const Frame& frame : m_frames)
            last[frame.channel] = frame.level;
        return last;
    }

private:
    PtyPair& m_pty;
    const DeviceSession& m_session;
    long m_read = 0;
    std::vector<Frame> m_frames;
};
