#pragma once

#include <QByteArray>
#include <QString>

// The remote's own settings, kept in remote.ini beside set.ini, which never learns of them:
//   [remote]
//   Enabled=true|false
//   Listen=local|lan
//   Port=8130
//   Token=<base64url>
struct RemoteSettings {
    bool enabled = false;
    bool lan = false;
    int port = 8130;
    QString token;
    bool operator==(const RemoteSettings&) const = default;
};

QString RemoteIniPath(const QString& settingsFolder);
// Unknown keys and bad values read as the defaults; a token that is not base64url reads as none.
RemoteSettings ParseRemoteSettings(const QByteArray& text);
QByteArray RemoteSettingsText(const RemoteSettings& settings);
// A missing or unreadable file reads as the defaults.
RemoteSettings LoadRemoteSettings(const QString& path);
// Empty when saved, else the system's reason.
QString SaveRemoteSettings(const QString& path, const RemoteSettings& settings);

// A fresh token: kTokenBytes from the system's random source, base64url without padding.
QString NewRemoteToken();
bool IsTokenText(const QString& token);
