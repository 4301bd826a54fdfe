#include "surface/SurfaceChoice.h"

#include "surface/SurfaceProfile.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

QString LearnedKey(const char* element, int channel) {
    return QStringLiteral("%1%2").arg(QLatin1String(element)).arg(channel + 1);
}

void LoadLearned(QSettings& ini, const char* element,
                 std::array<std::optional<MidiControl>, CHANNEL_COUNT>& into,
                 QStringList& problems) {
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        const QString key = LearnedKey(element, c);
        if (!ini.contains(key))
            continue;
        const QString text = ini.value(key).toString();
        if (const auto control = MidiControl::FromText(text))
            into[std::size_t(c)] = control;
        else
            problems << QStringLiteral("%1=%2 names no control (cc/CH/N, note/CH/N, bend/CH)")
                            .arg(key, text);
    }
}

} // namespace

QString SurfaceIniPath(const QString& settingsFolder) {
    return QDir(settingsFolder).filePath(QStringLiteral("surface.ini"));
}

std::optional<std::pair<QString, QString>> SplitPortName(const QString& port) {
    const qsizetype colon = port.indexOf(QLatin1Char(':'));
    if (colon <= 0 || colon == port.size() - 1)
        return std::nullopt;
    return std::make_pair(port.left(colon), port.mid(colon + 1));
}

SurfaceChoice LoadSurfaceChoice(const QString& path, QStringList* problemsOut) {
    SurfaceChoice choice;
    QStringList problems;
    if (QFileInfo::exists(path)) {
        QSettings ini(path, QSettings::IniFormat);
        ini.beginGroup(QStringLiteral("surface"));
        const QString port = ini.value(QStringLiteral("Port")).toString().trimmed();
        if (port.isEmpty() || SplitPortName(port))
            choice.port = port;
        else
            problems << QStringLiteral("Port=%1 is not \"client name:port name\"").arg(port);
        const QString profile = ini.value(QStringLiteral("Profile"), choice.profile).toString();
        const SurfaceProfile* known = FindSurfaceProfile(profile.trimmed());
        if (known)
            choice.profile = profile.trimmed();
        else
            problems << QStringLiteral("Profile=%1 is none of %2")
                            .arg(profile, SurfaceProfileIds().join(QStringLiteral(", ")));
        const SurfaceProfile& used = known ? *known : GenericSurfaceProfile();
        choice.pickUp = !used.motorFaders;
        if (ini.contains(QStringLiteral("PickUp"))) {
            const QString pickUp = ini.value(QStringLiteral("PickUp")).toString().trimmed();
            if (pickUp == QLatin1String("0") || pickUp == QLatin1String("1"))
                choice.pickUp = pickUp == QLatin1String("1");
            else
                problems << QStringLiteral("PickUp=%1 is neither 0 nor 1").arg(pickUp);
        }
        LoadLearned(ini, "Fader", choice.learned.faders, problems);
        LoadLearned(ini, "Switch", choice.learned.switches, problems);
    }
    if (problemsOut)
        *problemsOut = problems;
    return choice;
}

QString SaveSurfaceChoice(const QString& path, const SurfaceChoice& choice) {
    QSettings ini(path, QSettings::IniFormat);
    ini.clear();
    ini.beginGroup(QStringLiteral("surface"));
    ini.setValue(QStringLiteral("Port"), choice.port);
    ini.setValue(QStringLiteral("Profile"), choice.profile);
    ini.setValue(QStringLiteral("PickUp"), choice.pickUp ? 1 : 0);
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        if (const auto& fader = choice.learned.faders[std::size_t(c)])
            ini.setValue(LearnedKey("Fader", c), fader->ToText());
        if (const auto& button = choice.learned.switches[std::size_t(c)])
            ini.setValue(LearnedKey("Switch", c), button->ToText());
    }
    ini.endGroup();
    ini.sync();
    if (ini.status() != QSettings::NoError)
        return QStringLiteral("cannot write %1").arg(path);
    return {};
}
