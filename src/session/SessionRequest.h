#pragma once

#include "model/Channels.h"

#include <QString>
#include <array>
#include <optional>
#include <vector>

// A change asked for from outside the panel (a script, a control surface, a web page), in the
// numbers those clients speak: channels and scene slots 1..8, levels 0..255, seconds 0..3600.
struct SessionRequest {
    enum class Kind {
        Set,          // channel, on, level
        Level,        // channel, level
        Switch,       // channel, on
        Toggle,       // channel
        Step,         // channel, delta
        AllOff,       //
        LoadPreset,   // path
        Fade,         // targets, seconds
        FadeToPreset, // path, seconds
        RecallScene,  // slot
        StoreScene,   // slot
        StopFade,     //
    };
    struct Target {
        bool on = false;
        int level = 0;
    };

    Kind kind = Kind::StopFade;
    int channel = 1;
    bool on = false;
    int level = 0;
    int delta = 0;
    int slot = 1;
    double seconds = 0.0;
    QString path;
    // Channels 1..8 in order; a fade needs all eight.
    std::vector<Target> targets;

    static SessionRequest Of(Kind kind) {
        SessionRequest r;
        r.kind = kind;
        return r;
    }
    static SessionRequest Set(int channel, bool on, int level);
    static SessionRequest Level(int channel, int level);
    static SessionRequest Switch(int channel, bool on);
    static SessionRequest Toggle(int channel);
    static SessionRequest Step(int channel, int delta);
    static SessionRequest AllOff() { return Of(Kind::AllOff); }
    static SessionRequest LoadPreset(const QString& path);
    static SessionRequest Fade(std::vector<Target> targets, double seconds);
    static SessionRequest FadeToPreset(const QString& path, double seconds);
    static SessionRequest RecallScene(int slot);
    static SessionRequest StoreScene(int slot);
    static SessionRequest StopFade() { return Of(Kind::StopFade); }
};

// What became of a request: done, or why not. The kind lets each client show it its own way
// (a D-Bus error name, a web message, a status line).
struct SessionAnswer {
    enum class Problem { None, BadArgument, Preset, Scene };
    Problem problem = Problem::None;
    QString text;
    bool ok() const { return problem == Problem::None; }
};

// The request's values against their ranges; the first one out of range, or nothing.
SessionAnswer CheckRequest(const SessionRequest& request);
