#include "app/RemoteBusBridge.h"

#include "remote/RemoteService.h"

RemoteBusPort::State RemoteBusBridge::RemoteState() const {
    State s;
    s.running = m_remote.Running();
    s.lan = m_remote.Settings().lan;
    s.port = s.running ? m_remote.BoundPort() : m_remote.Settings().port;
    s.link = m_remote.Link();
    s.clients = m_remote.ClientCount();
    s.saveError = m_remote.SaveError();
    return s;
}

QString RemoteBusBridge::TurnOn(bool lan) {
    return m_remote.TurnOn(lan, m_remote.Settings().port);
}

void RemoteBusBridge::TurnOff() {
    m_remote.TurnOff();
}

void RemoteBusBridge::NewLink() {
    m_remote.NewLink();
}
