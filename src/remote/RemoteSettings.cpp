#include "remote/RemoteSettings.h"

#include "remote/RemoteProtocol.h"
#include "settings/StagedFile.h"

#include <QFile>
#include <QList>
#include <QRandomGenerator>

QString RemoteIniPath(const QString& settingsFolder) {
    return settingsFolder + QStringLiteral("/remote.ini");
}

bool IsTokenText(const QString& token) {
    // 22 characters carry the 128 bits; more is fine, less is a guessable link.
    if (token.size() < 22 || token.size() > 128)
        return false;
    for (const QChar c : token) {
        const bool ok = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
                        (c >= u'0' && c <= u'9') || c == u'-' || c == u'_';
        if (!ok)
            return false;
    }
    return true;
}

RemoteSettings ParseRemoteSettings(const QByteArray& text) {
    RemoteSettings s;
    bool inSection = false;
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[')) {
            inSection = line.toLower() == "[remote]";
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (!inSection || eq <= 0)
            continue;
        const QByteArray key = line.left(eq).trimmed().toLower();
        const QByteArray value = line.mid(eq + 1).trimmed();
        if (key == "enabled") {
            s.enabled = value.toLower() == "true" || value == "1";
        } else if (key == "listen") {
            s.lan = value.toLower() == "lan";
        } else if (key == "port") {
            bool ok = false;
            const int port = value.toInt(&ok);
            s.port = ok && port > 0 && port <= 65535 ? port : RemoteProtocol::kDefaultPort;
        } else if (key == "token") {
            const QString token = QString::fromLatin1(value);
            s.token = IsTokenText(token) ? token : QString();
        }
    }
    return s;
}

QByteArray RemoteSettingsText(const RemoteSettings& s) {
    QByteArray text = "[remote]\n";
    text += "Enabled=" + QByteArray(s.enabled ? "true" : "false") + '\n';
    text += "Listen=" + QByteArray(s.lan ? "lan" : "local") + '\n';
    text += "Port=" + QByteArray::number(s.port) + '\n';
    text += "Token=" + s.token.toLatin1() + '\n';
    return text;
}

RemoteSettings LoadRemoteSettings(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Far more than the file ever holds: a huge file is not ours.
    return ParseRemoteSettings(file.read(64 * 1024));
}

QString SaveRemoteSettings(const QString& path, const RemoteSettings& settings) {
    StagedFile file(path);
    if (!file.Stage(RemoteSettingsText(settings)) || !file.Commit())
        return file.ErrorString();
    return {};
}

QString NewRemoteToken() {
    QByteArray bytes(RemoteProtocol::kTokenBytes, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}
