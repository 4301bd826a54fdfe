#pragma once

#include "surface/MidiEvent.h"

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

struct _snd_seq;

// The surface's transport: one sequencer client "Morvix" with one duplex port, served by the
// event loop through the sequencer's descriptors. It follows one controller port by client and
// port name, through the system's announcements: when that port goes it is detached, and when a
// port of the same names comes (perhaps with other numbers) it is attached again.
class AlsaSequencer : public QObject {
    Q_OBJECT

public:
    explicit AlsaSequencer(QObject* parent = nullptr);
    ~AlsaSequencer() override;

    // Empty when open, else why not (no /dev/snd/seq, no permission).
    QString Open();
    bool IsOpen() const { return m_seq != nullptr; }
    // Every port a controller could send from, as "client name:port name".
    QStringList SendingPorts() const;

    void Follow(const QString& clientName, const QString& portName);
    void Unfollow();
    bool Attached() const { return m_peer.has_value(); }
    void Send(const MidiEvent& message);

Q_SIGNALS:
    void Received(const MidiEvent& message);
    void AttachedChanged(bool attached);
    // A client or port came or went.
    void PortsChanged();

private:
    struct Address {
        int client;
        int port;
    };
    void OnReadable();
    void OnAnnouncement(int type, Address address);
    void Attach();
    void Detach();
    std::optional<Address> FindPort(const QString& clientName, const QString& portName) const;

    _snd_seq* m_seq = nullptr;
    int m_port = -1;
    std::vector<std::unique_ptr<QSocketNotifier>> m_notifiers;
    QString m_clientName;
    QString m_portName;
    std::optional<Address> m_peer;
};
