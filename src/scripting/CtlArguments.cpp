#include "scripting/CtlArguments.h"

#include "model/ChannelArgs.h"

namespace {

using Command = CtlRequest::Command;

struct CommandSpec {
    const char* name;
    Command command;
    int minArgs;
    int maxArgs;
    const char* form;
};

constexpr CommandSpec kCommands[] = {
    {"get", Command::Get, 0, 0, "get [--json]"},
    {"set", Command::Set, 2, 3, "set CH on|off [LEVEL]"},
    {"level", Command::Level, 2, 2, "level CH LEVEL"},
    {"step", Command::Step, 2, 2, "step CH +N|-N"},
    {"off", Command::Off, 0, 0, "off"},
    {"preset", Command::Preset, 1, 1, "preset FILE"},
    {"status", Command::Status, 0, 0, "status"},
    {"watch", Command::Watch, 0, 0, "watch"},
    {"fade", Command::FadeToPreset, 2, 3, "fade FILE SECONDS | fade CH LEVEL SECONDS [--wait]"},
    {"scene", Command::Scene, 1, 2, "scene N [--wait] | scene store N"},
    {"stop", Command::StopFade, 0, 0, "stop"},
    {"surface", Command::Surface, 0, 3, "surface | surface use \"PORT\" [PROFILE] | surface off"},
    {"remote", Command::RemoteStatus, 0, 1, "remote [on [--lan] | off | new-link]"},
};

CtlRequest Fail(QString error) {
    CtlRequest request;
    request.error = std::move(error);
    return request;
}

// Plain decimal only: "0x10", " 5" or "1e2" are not numbers here.
bool ToNumber(const QString& text, int& value) {
    if (text.isEmpty() || text.size() > 6)
        return false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!(c.isDigit() && c.unicode() < 128) && !(i == 0 && (c == u'+' || c == u'-')))
            return false;
    }
    bool ok = false;
    value = text.toInt(&ok);
    return ok && text != QLatin1String("+") && text != QLatin1String("-");
}

// Seconds as plain decimals: "2", "0.5", ".5"; no sign, exponent or blanks.
bool ToSeconds(const QString& text, double& value) {
    if (text.isEmpty() || text.size() > 12 || text == QLatin1String("."))
        return false;
    int points = 0;
    for (const QChar c : text) {
        if (c == u'.')
            ++points;
        else if (!(c.isDigit() && c.unicode() < 128))
            return false;
    }
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && points <= 1;
}

// Parses and range-checks; the message names the argument.
QString ReadNumber(const char* name, const QString& text, int& value) {
    if (!ToNumber(text, value))
        return QStringLiteral("%1 must be a number, not \"%2\"").arg(QLatin1String(name), text);
    return {};
}

// "surface", "surface use PORT [PROFILE]", "surface off"; the panel checks the names.
QString ReadSurface(const QStringList& rest, CtlRequest& request) {
    const QString usage = QStringLiteral("usage: morvix-ctl surface | surface use \"PORT\" "
                                         "[PROFILE] | surface off");
    if (rest.isEmpty())
        return {};
    if (rest[0] == QLatin1String("off") && rest.size() == 1) {
        request.command = Command::SurfaceOff;
        return {};
    }
    if (rest[0] != QLatin1String("use") || rest.size() < 2)
        return usage;
    if (rest[1].trimmed().isEmpty())
        return QStringLiteral("port name is empty; see morvix-ctl surface");
    request.command = Command::SurfaceUse;
    request.port = rest[1];
    request.profile = rest.value(2);
    return {};
}

} // namespace

CtlRequest ParseCtlArguments(const QStringList& args) {
    QStringList words;
    bool json = false;
    bool wait = false;
    bool lan = false;
    for (const QString& arg : args) {
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            return CtlRequest{};
        if (arg == QLatin1String("--json"))
            json = true;
        else if (arg == QLatin1String("--wait"))
            wait = true;
        else if (arg == QLatin1String("--lan"))
            lan = true;
        // A lone "-" or a negative step ("-5") is a word, any other dash an unknown option.
        else if (arg.startsWith(u'-') && arg.size() > 1 && !arg[1].isDigit())
            return Fail(QStringLiteral("unknown option \"%1\"").arg(arg));
        else
            words.append(arg);
    }
    if (words.isEmpty())
        return Fail(QStringLiteral("command missing; try --help"));

    const CommandSpec* spec = nullptr;
    for (const CommandSpec& candidate : kCommands)
        if (words[0] == QLatin1String(candidate.name))
            spec = &candidate;
    if (!spec)
        return Fail(QStringLiteral("unknown command \"%1\"; try --help").arg(words[0]));
    const QStringList rest = words.mid(1);
    if (rest.size() < spec->minArgs || rest.size() > spec->maxArgs)
        return Fail(QStringLiteral("usage: morvix-ctl %1").arg(QLatin1String(spec->form)));
    if (json && spec->command != Command::Get)
        return Fail(QStringLiteral("--json goes with get only"));
    const bool storing = spec->command == Command::Scene && rest[0] == QLatin1String("store");
    if (spec->command == Command::Scene && rest.size() != (storing ? 2 : 1))
        return Fail(QStringLiteral("usage: morvix-ctl %1").arg(QLatin1String(spec->form)));
    if (wait && spec->command != Command::FadeToPreset &&
        !(spec->command == Command::Scene && !storing))
        return Fail(QStringLiteral("--wait goes with fade and scene only"));

    if (spec->command == Command::RemoteStatus && !rest.isEmpty()) {
        static const QList<QPair<QString, Command>> kRemote = {
            {QStringLiteral("on"), Command::RemoteOn},
            {QStringLiteral("off"), Command::RemoteOff},
            {QStringLiteral("new-link"), Command::RemoteNewLink}};
        const Command* found = nullptr;
        for (const auto& [word, command] : kRemote)
            if (rest[0] == word)
                found = &command;
        if (!found)
            return Fail(QStringLiteral("usage: morvix-ctl %1").arg(QLatin1String(spec->form)));
        CtlRequest request;
        request.command = *found;
        request.lan = lan;
        if (lan && request.command != Command::RemoteOn)
            return Fail(QStringLiteral("--lan goes with remote on only"));
        return request;
    }
    if (lan)
        return Fail(QStringLiteral("--lan goes with remote on only"));

    CtlRequest request;
    request.command = spec->command;
    request.json = json;
    request.wait = wait;
    QString error;
    auto readChannel = [&] {
        error = ReadNumber("channel", rest[0], request.channel);
        if (error.isEmpty())
            error = ChannelArgs::CheckChannel(request.channel);
    };
    auto readLevel = [&](const QString& text) {
        request.hasLevel = true;
        error = ReadNumber("level", text, request.level);
        if (error.isEmpty())
            error = ChannelArgs::CheckLevel(request.level);
    };

    auto readSeconds = [&](const QString& text) {
        if (!ToSeconds(text, request.seconds))
            error = QStringLiteral("seconds must be a number, not \"%1\"").arg(text);
        else
            error = ChannelArgs::CheckSeconds(request.seconds);
    };
    auto readSlot = [&](const QString& text) {
        error = ReadNumber("scene", text, request.slot);
        if (error.isEmpty())
            error = ChannelArgs::CheckSlot(request.slot);
    };

    switch (spec->command) {
    case Command::FadeToPreset:
        if (rest.size() == 3) {
            request.command = Command::FadeChannel;
            readChannel();
            if (error.isEmpty())
                readLevel(rest[1]);
            if (error.isEmpty())
                readSeconds(rest[2]);
            break;
        }
        if (rest[0].isEmpty())
            error = QStringLiteral("preset file name is empty");
        request.path = rest[0];
        if (error.isEmpty())
            readSeconds(rest[1]);
        break;
    case Command::Scene:
        if (storing)
            request.command = Command::StoreScene;
        readSlot(rest.back());
        break;
    case Command::Set:
        readChannel();
        if (error.isEmpty()) {
            if (rest[1] == QLatin1String("on") || rest[1] == QLatin1String("off"))
                request.on = rest[1] == QLatin1String("on");
            else
                error = QStringLiteral("switch must be on or off, not \"%1\"").arg(rest[1]);
        }
        if (error.isEmpty() && rest.size() == 3)
            readLevel(rest[2]);
        break;
    case Command::Level:
        readChannel();
        if (error.isEmpty())
            readLevel(rest[1]);
        break;
    case Command::Step:
        readChannel();
        if (error.isEmpty() && !rest[1].startsWith(u'+') && !rest[1].startsWith(u'-'))
            error = QStringLiteral("step must be +N or -N, not \"%1\"").arg(rest[1]);
        if (error.isEmpty())
            error = ReadNumber("step", rest[1], request.delta);
        if (error.isEmpty())
            error = ChannelArgs::CheckDelta(request.delta);
        break;
    case Command::Surface:
        error = ReadSurface(rest, request);
        break;
    case Command::Preset:
        if (rest[0].isEmpty())
            error = QStringLiteral("preset file name is empty");
        request.path = rest[0];
        break;
    default:
        break;
    }
    return error.isEmpty() ? request : Fail(error);
}

QString CtlUsage() {
    return QStringLiteral(
        "Usage: morvix-ctl COMMAND [ARGS]\n"
        "Scripts the running Morvix panel over the session bus. Channels are 1..8, levels 0..255.\n"
        "\n"
        "Commands:\n"
        "  get [--json]            the eight channels, one line each: CH on|off LEVEL\n"
        "  set CH on|off [LEVEL]   switch a channel, and set its level if given\n"
        "  level CH LEVEL          set a channel's level, leaving its switch\n"
        "  step CH +N|-N           raise or lower a level, stopping at 0 and 255\n"
        "  off                     every channel off at level 0 (as Setup's all-off)\n"
        "  preset FILE             load the channels and colours of a preset (.qvd)\n"
        "  status                  port, whether it is open, link state, selected channel\n"
        "  watch                   print one line per change until Ctrl+C\n"
        "  fade FILE SECONDS       glide every channel to a preset's over SECONDS (0..3600)\n"
        "  fade CH LEVEL SECONDS   glide one channel's level, leaving its switch\n"
        "  scene N                 recall scene slot N (1..8) with its fade time (as F2..F9)\n"
        "  scene store N           store the panel into scene slot N (as Shift+F2..F9)\n"
        "  stop                    stop a running fade where the channels stand\n"
        "  surface                 the control surface chosen, and the MIDI ports to choose from\n"
        "  surface use \"PORT\" [PROFILE]\n"
        "                          follow the controller on PORT (\"client name:port name\");\n"
        "                          PROFILE: generic, nanokontrol2, mackie, xtouch-compact,\n"
        "                          apc-mini (default: the one chosen before)\n"
        "  surface off             stop following the controller\n"
        "  remote                  the browser remote: on or off, where, the link, pages open\n"
        "  remote on [--lan]       turn it on for this computer only, or the local network\n"
        "  remote off              close every page and turn it off\n"
        "  remote new-link         a new link; every page opened with the old one closes\n"
        "\n"
        "Options:\n"
        "  --json                  with get: one JSON array\n"
        "  --wait                  with fade and scene: return once the fade has ended\n"
        "  --lan                   with remote on: listen on the local network\n"
        "\n"
        "Examples:\n"
        "  morvix-ctl set 3 on 128\n"
        "  morvix-ctl step 1 -10\n"
        "  morvix-ctl get --json\n"
        "  morvix-ctl preset ~/night.qvd\n"
        "  morvix-ctl fade ~/night.qvd 2.5 --wait\n"
        "  morvix-ctl fade 4 0 10\n"
        "  morvix-ctl surface use \"nanoKONTROL2:nanoKONTROL2 _ CTRL\" nanokontrol2\n"
        "  morvix-ctl remote on --lan\n"
        "\n"
        "Exit status: 0 done, 1 refused by the panel, 2 bad arguments, 3 Morvix is not running.\n");
}
