#include "scripting/CtlOutput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

QString FormatChannelLine(int channel, bool on, int level) {
    return QStringLiteral("%1 %2 %3\n").arg(channel).arg(on ? u"on" : u"off").arg(level);
}

QString FormatChannels(const ChannelStates& states, bool json) {
    if (json) {
        QJsonArray list;
        for (int i = 0; i < states.size(); ++i)
            list.append(QJsonObject{{QStringLiteral("channel"), i + 1},
                                    {QStringLiteral("on"), states[i].on},
                                    {QStringLiteral("level"), states[i].level}});
        return QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact)) + u'\n';
    }
    QString text;
    for (int i = 0; i < states.size(); ++i)
        text += FormatChannelLine(i + 1, states[i].on, states[i].level);
    return text;
}

QString FormatStatus(const MorvixClient::Status& status) {
    return QStringLiteral("port %1\nopen %2\nlink %3\nselected %4\n")
        .arg(status.port, status.portOpen ? u"yes" : u"no", status.linkState)
        .arg(status.selectedChannel);
}

QString FormatRemoteState(const QVariantMap& state) {
    const auto text = [&state](const char* key) {
        return state.value(QLatin1String(key)).toString();
    };
    const bool running = state.value(QStringLiteral("running")).toBool();
    QString out =
        QStringLiteral("remote %1\nlisten %2\nport %3\n")
            .arg(running ? u"on" : u"off",
                 state.value(QStringLiteral("lan")).toBool() ? u"lan" : u"local", text("port"));
    if (running)
        out += QStringLiteral("link %1\nclients %2\n").arg(text("link"), text("clients"));
    if (!text("saveError").isEmpty())
        out += QStringLiteral("not saved %1\n").arg(text("saveError"));
    return out;
}

QString FormatPropertyLine(const QString& name, const QVariant& value) {
    if (name == QLatin1String("LinkState"))
        return QStringLiteral("link %1\n").arg(value.toString());
    if (name == QLatin1String("SelectedChannel"))
        return QStringLiteral("selected %1\n").arg(value.toInt());
    if (name == QLatin1String("Port"))
        return QStringLiteral("port %1\n").arg(value.toString());
    if (name == QLatin1String("PortOpen"))
        return QStringLiteral("open %1\n").arg(value.toBool() ? u"yes" : u"no");
    if (name == QLatin1String("Surface"))
        return QStringLiteral("surface: %1\n").arg(value.toString());
    return {};
}

QString FormatSurface(const QString& summary, const QStringList& ports) {
    QString text = QStringLiteral("surface: %1\n").arg(summary);
    for (const QString& port : ports)
        text += QStringLiteral("port: %1\n").arg(port);
    return text;
}
