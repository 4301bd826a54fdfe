#pragma once

#include <QString>
#include <QStringList>

// What one morvix-ctl command line asks for, decided before anything is sent.
struct CtlRequest {
    enum class Command {
        Help,
        Get,
        Set,
        Level,
        Step,
        Off,
        Preset,
        Status,
        Watch,
        FadeToPreset, // fade FILE SECONDS
        FadeChannel,  // fade CH LEVEL SECONDS
        Scene,
        StoreScene,
        StopFade,
        Surface,       // surface
        SurfaceUse,    // surface use PORT [PROFILE]
        SurfaceOff,    // surface off
        RemoteStatus,  // remote
        RemoteOn,      // remote on [--lan]
        RemoteOff,     // remote off
        RemoteNewLink, // remote new-link
    };

    Command command = Command::Help;
    int channel = 0; // 1..8
    bool on = false;
    bool hasLevel = false;
    int level = 0;
    int delta = 0;
    QString path;
    double seconds = 0.0;
    int slot = 0; // 1..8
    // The control surface's "client name:port name" and profile (empty: keep the current).
    QString port;
    QString profile;
    bool json = false;
    // Return once the fade has ended (fade, scene).
    bool wait = false;
    // With remote on: the local network, not this computer only.
    bool lan = false;
    // Empty when the line is good; otherwise one line naming the bad argument.
    QString error;

    bool operator==(const CtlRequest&) const = default;
};

// The arguments after the program name. Pure: reads no files and talks to no bus.
CtlRequest ParseCtlArguments(const QStringList& args);

QString CtlUsage();
