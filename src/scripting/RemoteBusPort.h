#pragma once

#include <QString>

// What the bus asks of the browser remote, which scripting does not see: the application hands
// the service one over the remote it owns. Without one the remote's calls are refused.
class RemoteBusPort {
public:
    struct State {
        bool running = false;
        bool lan = false;
        // The port listened on while running, else the one chosen.
        int port = 0;
        // The link while running, with its token; empty when off.
        QString link;
        int clients = 0;
        // Why remote.ini could not be saved the last time, empty when it was.
        QString saveError;
    };

    virtual ~RemoteBusPort() = default;
    virtual State RemoteState() const = 0;
    // Empty when listening, else why not; the port is the one chosen last.
    virtual QString TurnOn(bool lan) = 0;
    virtual void TurnOff() = 0;
    virtual void NewLink() = 0;
};
