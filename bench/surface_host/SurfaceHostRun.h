#pragma once
// The measurements of bench/surface_host.cpp: the surface's engine fed decoded events by hand,
// the real session and view, the simulated device on a pseudo-terminal.
#include <cstdint>
#include <set>
#include <vector>

class CMorvixView;
class DevSim;
class DeviceSession;
class SurfaceEngine;

struct Figures {
    std::vector<double> values; // milliseconds
    double Median() const;
    double P99() const;
    std::size_t Over(double ms) const;
};

struct SweepFigures {
    int mostIn100Ms = 0;
    Figures valueToWire;
    int finalMatches = 0;
    Figures keyToWire;
    int presses = 0;
    double cpuPercent = 0;
};

class SurfaceHostRun {
public:
    SurfaceHostRun(DevSim& sim, DeviceSession& session, CMorvixView& view, SurfaceEngine& engine,
                   int simTid);

    Figures FaderToWire(int moves);
    SweepFigures Sweep();
    Figures Feedback(int changes);

private:
    struct Sent {
        std::int64_t us;
        int level;
    };
    void Fader(int channel, int value);

    DevSim& m_sim;
    DeviceSession& m_session;
    CMorvixView& m_view;
    SurfaceEngine& m_engine;
    int m_simTid;
    // The controller's messages as the engine sent them: time, controller number, value.
    std::vector<std::int64_t> m_feedbackUs;
    std::vector<int> m_feedbackNumber;
    std::vector<int> m_feedbackValue;
};
