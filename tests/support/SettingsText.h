#pragma once

#include "model/Channels.h"
#include "settings/ChSetSection.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <array>
#include <optional>
#include <utility>

// A settings or preset file in the order the program writes one: "[set]" with Port and
// File Name, then "[CH SET]" with COLOR1..3 and each channel's CH POWER-i / CH VALUE-i. A section
// is left out when nothing in it was given; lines added with line() go at the end as they are.
class SettingsText {
public:
    SettingsText() = default;
    // A whole file, as Setup's Save writes one.
    SettingsText(const QString& port, const QString& fileName, const ChSetValues& chSet) {
        this->port(port).fileName(fileName).values(chSet);
    }

    SettingsText& port(const QString& name) {
        m_port = QFile::encodeName(name);
        return *this;
    }
    SettingsText& fileName(const QString& name) {
        m_fileName = QFile::encodeName(name);
        return *this;
    }
    // COLOR1..3 are stored as signed decimals.
    SettingsText& color(int which, ColorRef value) {
        m_colors[std::size_t(which - 1)] = qint32(value);
        return *this;
    }
    SettingsText& channel(int channel, int power, int level) {
        m_channels[std::size_t(channel)] = std::pair(power, level);
        return *this;
    }
    // Every channel at the same power and level.
    SettingsText& channels(int power, int level) {
        for (int i = 0; i < CHANNEL_COUNT; ++i)
            channel(i, power, level);
        return *this;
    }
    SettingsText& values(const ChSetValues& values) {
        color(1, values.colorSlideLeft).color(2, values.colorSlideRight);
        color(3, values.colorChannel);
        for (int i = 0; i < CHANNEL_COUNT; ++i)
            channel(i, values.power[i], values.level[i]);
        return *this;
    }
    SettingsText& line(const QByteArray& raw) {
        m_extra << raw;
        return *this;
    }

    QByteArray bytes() const {
        QByteArray text;
        const auto put = [&](const QByteArray& line) { text += line + "\r\n"; };
        const auto number = [](qint64 n) { return QByteArray::number(n); };
        if (m_port || m_fileName)
            put("[set]");
        if (m_port)
            put("Port=" + *m_port);
        if (m_fileName)
            put("File Name=" + *m_fileName);
        bool chSet = false;
        for (const auto& c : m_colors)
            chSet = chSet || c;
        for (const auto& c : m_channels)
            chSet = chSet || c;
        if (chSet)
            put("[CH SET]");
        for (std::size_t i = 0; i < m_colors.size(); ++i) {
            if (m_colors[i])
                put("COLOR" + number(qint64(i) + 1) + '=' + number(*m_colors[i]));
        }
        for (std::size_t i = 0; i < m_channels.size(); ++i) {
            if (!m_channels[i])
                continue;
            put("CH POWER-" + number(qint64(i)) + '=' + number(m_channels[i]->first));
            put("CH VALUE-" + number(qint64(i)) + '=' + number(m_channels[i]->second));
        }
        for (const QByteArray& raw : m_extra)
            put(raw);
        return text;
    }

private:
    std::optional<QByteArray> m_port;
    std::optional<QByteArray> m_fileName;
    std::array<std::optional<qint32>, 3> m_colors{};
    std::array<std::optional<std::pair<int, int>>, CHANNEL_COUNT> m_channels{};
    QList<QByteArray> m_extra;
};
