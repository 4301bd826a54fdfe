#pragma once

#include <QByteArray>

// Sections, keys, read rooms (bytes including the terminator) and the default text of set.ini
// and of the preset files, which share its format.
inline constexpr char SECTION_SET[] = "set";
inline constexpr char SECTION_CH_SET[] = "CH SET";

inline constexpr char KEY_PORT[] = "Port";
inline constexpr char KEY_FILE_NAME[] = "File Name";
inline constexpr char KEY_COLOR1[] = "COLOR1";
inline constexpr char KEY_COLOR2[] = "COLOR2";
inline constexpr char KEY_COLOR3[] = "COLOR3";

inline constexpr char VALUE_MISSING[] = "NULL";

inline constexpr int ROOM_FILE_NAME = 190;
inline constexpr int ROOM_COLOR = 10;
inline constexpr int ROOM_CHANNEL = 5;

// "CH POWER-%d" / "CH VALUE-%d"; channel 0 is the one shown as channel 1.
inline QByteArray ChannelPowerKey(int channel) {
    return QByteArrayLiteral("CH POWER-") + QByteArray::number(channel);
}
inline QByteArray ChannelValueKey(int channel) {
    return QByteArrayLiteral("CH VALUE-") + QByteArray::number(channel);
}
