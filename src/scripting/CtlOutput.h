#pragma once

#include "scripting/MorvixClient.h"

#include <QString>
#include <QStringList>

// What morvix-ctl prints; every text ends in a newline.
QString FormatChannels(const ChannelStates& states, bool json);
QString FormatStatus(const MorvixClient::Status& status);
// "remote on", where it listens, the link and the pages open; or "remote off".
QString FormatRemoteState(const QVariantMap& state);
// One watch line: "3 on 128", or a property as "link answering", "selected 2", "port ...",
// "surface: ...".
QString FormatChannelLine(int channel, bool on, int level);
QString FormatPropertyLine(const QString& name, const QVariant& value);
// "surface: <summary>" and then the ports a controller can send from, one a line.
QString FormatSurface(const QString& summary, const QStringList& ports);
