#pragma once

#include <QString>

// What the operator chose in "Remote…".
struct RemoteChoice {
    bool enabled = false;
    bool lan = false;
    int port = 8130;
    bool operator==(const RemoteChoice&) const = default;
};

// What the dialog shows of the remote as it is: the caller fills it from the server.
struct RemoteStatus {
    bool running = false;
    // The port it listens on; differs from the chosen one when that was taken.
    int boundPort = 0;
    // Where a phone reaches it: this computer's loopback or its address on the local network.
    QString localAddress = QStringLiteral("127.0.0.1");
    QString lanAddress;
    QString link;
    int clients = 0;
    // Why it could not be turned on; empty otherwise.
    QString problem;
    bool operator==(const RemoteStatus&) const = default;
};
