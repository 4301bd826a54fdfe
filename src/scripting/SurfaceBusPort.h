#pragma once

#include <QString>
#include <QStringList>

// The control surface as the bus sees it. The application hands one to the bus service; without
// one the surface's calls answer with an error.
class SurfaceBusPort {
public:
    virtual ~SurfaceBusPort() = default;
    // Ports a controller can send from, as "client name:port name"; `error` set when there is
    // no sequencer to ask.
    virtual QStringList Ports(QString& error) = 0;
    // Empty when done, else why not (and then nothing changed).
    virtual QString Use(const QString& port, const QString& profile) = 0;
    virtual void Off() = 0;
    // "off", or the port, profile, pick-up and state on one line.
    virtual QString Summary() const = 0;
};
