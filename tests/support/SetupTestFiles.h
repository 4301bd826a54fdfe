#pragma once

#include "SettingsText.h"
#include "TestFiles.h"
#include "settings/ChSetSection.h"
#include "settings/ProfileIni.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

// Files for the Setup tests: settings and preset files (SettingsText) and their "CH SET" values
// read back.
namespace setup_test {

using ::ReadAll;
using ::WriteAll;

inline ChSetValues ChSetOfFile(const QString& path) {
    return ReadChSetSection(ProfileIni::FromFile(path));
}

inline QByteArray SetValueOfFile(const QString& path, const char* key) {
    return ProfileIni::FromFile(path).GetString("set", key, "<none>");
}

// Distinct values per channel, so a value in the wrong place shows.
inline ChSetValues SampleValues(int seed) {
    ChSetValues values;
    values.colorSlideLeft = 0x000010u * seed + 0x0000FFu;
    values.colorSlideRight = 0x001000u * seed + 0x00FF00u;
    values.colorChannel = 0x100000u * seed;
    for (int i = 0; i < CHANNEL_COUNT; ++i) {
        values.power[i] = (i + seed) % 2;
        values.level[i] = (17 * i + 11 * seed) % 256;
    }
    return values;
}

} // namespace setup_test
