#pragma once

#include "model/Channels.h"
#include "settings/ChSetSection.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QFile>
#include <QString>
#include <algorithm>
#include <array>

// A settings or preset file in the order the program writes one: "[set]" with Port and
// File Name, then "[CH SET]" with COLOR1..3 and each channel's CH POWER-i / CH VALUE-i. A section
// is left out when nothing in it was given; lines added with line() go at the end as they are.
class SettingsText {
public:
    SettingsText() = default;
    // A whole file, as Setup's Save writes one.
    SettingsText(const QString& port, const QString& fileName, const ChSetValues& chSet) {
        this->port(port).fileName(fileName);
        color(1, chSet.colorSlideLeft).color(2, chSet.colorSlideRight).color(3, chSet.colorChannel);
        for (int i = 0; i < CHANNEL_COUNT; ++i)
            channel(i, chSet.power[i], chSet.level[i]);
    }

    SettingsText& port(const QString& name) { return Set(m_set[0], "Port", name); }
    SettingsText& fileName(const QString& name) { return Set(m_set[1], "File Name", name); }
    // COLOR1..3 are stored as signed decimals.
    SettingsText& color(int which, ColorRef value) {
        return Set(m_chSet[which - 1], "COLOR" + Number(which), qint32(value));
    }
    SettingsText& channel(int channel, int power, int level) {
        Set(m_chSet[3 + 2 * channel], "CH POWER-" + Number(channel), power);
        return Set(m_chSet[4 + 2 * channel], "CH VALUE-" + Number(channel), level);
    }
    // Every channel at the same power and level.
    SettingsText& channels(int power, int level) {
        for (int i = 0; i < CHANNEL_COUNT; ++i)
            channel(i, power, level);
        return *this;
    }
    SettingsText& line(const QByteArray& raw) {
        m_extra << raw;
        return *this;
    }

    QByteArray bytes() const {
        QByteArray text;
        const auto section = [&text](const char* header, const auto& lines) {
            if (std::all_of(lines.begin(), lines.end(), [](const auto& l) { return l.isEmpty(); }))
                return;
            text += header + QByteArray("\r\n");
            for (const QByteArray& line : lines)
                text += line.isEmpty() ? QByteArray() : line + "\r\n";
        };
        section("[set]", m_set);
        section("[CH SET]", m_chSet);
        for (const QByteArray& raw : m_extra)
            text += raw + "\r\n";
        return text;
    }

private:
    static QByteArray Number(qint64 n) { return QByteArray::number(n); }
    SettingsText& Set(QByteArray& line, const QByteArray& key, const QString& value) {
        line = key + '=' + QFile::encodeName(value);
        return *this;
    }
    SettingsText& Set(QByteArray& line, const QByteArray& key, qint64 value) {
        line = key + '=' + Number(value);
        return *this;
    }

    std::array<QByteArray, 2> m_set;
    std::array<QByteArray, 3 + 2 * CHANNEL_COUNT> m_chSet;
    QByteArrayList m_extra;
};
