#pragma once

#include "TempConfigHome.h"
#include "session/DeviceSession.h"
#include "surface/SurfaceEngine.h"

#include <QStringList>

// A real session with the surface's rules on it, driven by a small script, one step a string:
//   "profile ID", "pickup on|off", "connect", "disconnect", "at MS" (the clock; then a tick),
//   "in cc CH N V" / "in note CH N V" / "in off CH N" / "in bend CH V" (from the controller,
//   MIDI channels 1..16), "script level C L", "script on C 0|1", "panel level C L" (the
//   operator's own road), "fade C L SECONDS", "tick" (the session's line tick), "drain" (forget
//   what the controller got), "learn on|off", "assign C fader|switch [part of the refusal]",
//   checks: "level C L", "on C 0|1", "out MSG | MSG ..." (what the controller got since the
//   last "out"; "out -" for nothing), "marks --^v----" (per channel: none, up, down).
// Channels are 1..8.
class SurfaceRig {
public:
    SurfaceRig();

    // Empty when every step ran and every check held, else what went wrong and where.
    QString Run(const QStringList& steps);

    DeviceSession& Session() { return m_session; }
    SurfaceEngine& Engine() { return m_engine; }
    void SetNow(int ms) { m_now = ms; }
    // What the controller got since the last call, as DescribeMidi writes it.
    QStringList TakeOut();

private:
    QString Step(const QStringList& words);
    QString Check(const QStringList& words);

    TempConfigHome m_home;
    DeviceSession m_session;
    SurfaceEngine m_engine{m_session};
    QStringList m_out;
    int m_now = 0;
};
