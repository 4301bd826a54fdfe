#pragma once

#include "scripting/RemoteBusPort.h"

class RemoteService;

// The bus's view of the browser remote: scripting and the remote do not know each other, the
// application joins them here. RemoteOn keeps the port last chosen.
class RemoteBusBridge : public RemoteBusPort {
public:
    explicit RemoteBusBridge(RemoteService& remote) : m_remote(remote) {}

    State RemoteState() const override;
    QString TurnOn(bool lan) override;
    void TurnOff() override;
    void NewLink() override;

private:
    RemoteService& m_remote;
};
