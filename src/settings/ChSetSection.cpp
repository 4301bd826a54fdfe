#include "settings/ChSetSection.h"

#include "settings/ProfileIni.h"
#include "settings/SettingsKeys.h"

namespace {

ColorRef ReadColor(const ProfileIni& ini, const char* key) {
    // Stored signed: Auto (0xFF000000) is -16777216.
    return static_cast<ColorRef>(ini.GetInt(SECTION_CH_SET, key, VALUE_MISSING, ROOM_COLOR));
}

void WriteNumber(ProfileIni& ini, QByteArrayView key, int value) {
    ini.WriteString(SECTION_CH_SET, key, QByteArray::number(value));
}

} // namespace

ChSetValues ReadChSetSection(const ProfileIni& ini) {
    ChSetValues values;
    values.colorSlideLeft = ReadColor(ini, KEY_COLOR1);
    values.colorSlideRight = ReadColor(ini, KEY_COLOR2);
    values.colorChannel = ReadColor(ini, KEY_COLOR3);
    for (int i = 0; i < CHANNEL_COUNT; ++i) {
        values.power[i] =
            ini.GetInt(SECTION_CH_SET, ChannelPowerKey(i), VALUE_MISSING, ROOM_CHANNEL);
        values.level[i] =
            ini.GetInt(SECTION_CH_SET, ChannelValueKey(i), VALUE_MISSING, ROOM_CHANNEL);
    }
    return values;
}

void WriteChSetSection(ProfileIni& ini, const ChSetValues& values) {
    WriteNumber(ini, KEY_COLOR1, static_cast<int>(values.colorSlideLeft));
    WriteNumber(ini, KEY_COLOR2, static_cast<int>(values.colorSlideRight));
    WriteNumber(ini, KEY_COLOR3, static_cast<int>(values.colorChannel));
    for (int i = 0; i < CHANNEL_COUNT; ++i) {
        WriteNumber(ini, ChannelPowerKey(i), values.power[i]);
        WriteNumber(ini, ChannelValueKey(i), values.level[i]);
    }
}
