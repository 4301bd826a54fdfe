#include "settings/PresetFile.h"

#include "settings/ProfileIni.h"

#include <QFileInfo>

std::optional<ChSetValues> ReadPresetFile(const QString& path) {
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    ProfileIni ini;
    if (!ini.Load(path))
        return std::nullopt;
    return ReadChSetSection(ini);
}
