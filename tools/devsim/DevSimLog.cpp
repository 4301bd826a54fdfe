#include "DevSimLog.h"

#include <QFile>
#include <cerrno>
#include <cstring>

namespace {

std::string head(std::int64_t timestampUs, std::string_view dir) {
    std::string s = "{\"t_us\":";
    s += std::to_string(timestampUs);
    s += ",\"dir\":\"";
    s += dir;
    s += '"';
    return s;
}

std::string jsonString(std::string_view text) {
    std::string s = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            s += '\\';
            s += ch;
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            s += esc;
        } else {
            s += ch;
        }
    }
    s += '"';
    return s;
}

} // namespace

std::string devSimHex(std::span<const std::uint8_t> bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    s.reserve(bytes.size() * 3);
    for (const std::uint8_t b : bytes) {
        if (!s.empty())
            s += ' ';
        s += digits[b >> 4];
        s += digits[b & 0x0F];
    }
    return s;
}

std::string devSimLogFrame(const DevSimFrame& frame) {
    std::string s = head(frame.timestampUs, "rx");
    s += ",\"hex\":\"" + devSimHex(frame.bytes) + '"';
    s += frame.valid ? ",\"valid\":true" : ",\"valid\":false";
    if (!frame.valid)
        s += ",\"reason\":" + jsonString(devSimRejectName(frame.reason));
    const DevSimCommand& c = frame.command;
    s += ",\"cmd\":" + jsonString(devSimCommandName(c.kind));
    if (c.kind == DevSimCommandKind::Set) {
        s += ",\"channel\":" + std::to_string(c.channel);
        s += ",\"switch\":" + std::to_string(c.power);
        s += ",\"level\":" + std::to_string(c.level);
    } else if (c.kind == DevSimCommandKind::Unknown) {
        s += ",\"code\":" + std::to_string(c.code);
    }
    s += '}';
    return s;
}

std::string devSimLogSkipped(std::int64_t timestampUs, std::span<const std::uint8_t> bytes) {
    std::string s = head(timestampUs, "rx");
    s += ",\"hex\":\"" + devSimHex(bytes) + "\",\"valid\":false,\"reason\":\"garbage-skipped\"}";
    return s;
}

std::string devSimLogSent(std::int64_t timestampUs, std::span<const std::uint8_t> bytes,
                          std::string_view kind) {
    std::string s = head(timestampUs, "tx");
    s += ",\"hex\":\"" + devSimHex(bytes) + "\",\"kind\":" + jsonString(kind) + '}';
    return s;
}

std::string devSimLogEvent(std::int64_t timestampUs, std::string_view event, const QString& port) {
    std::string s = head(timestampUs, "info");
    s += ",\"event\":" + jsonString(event);
    s += ",\"port\":" + jsonString(port.toStdString()) + '}';
    return s;
}

std::string devSimLogLine(std::int64_t timestampUs, const DevSimLine& line) {
    std::string s = head(timestampUs, "info");
    s += ",\"event\":\"line\",\"baud\":" + std::to_string(line.baud);
    s += ",\"data_bits\":" + std::to_string(line.dataBits);
    s += line.parityEnabled ? ",\"parenb\":true" : ",\"parenb\":false";
    s += line.parityOdd ? ",\"parodd\":true" : ",\"parodd\":false";
    s += ",\"stop_bits\":" + std::to_string(line.stopBits) + '}';
    return s;
}

bool DevSimLogWriter::open(const QString& path, QString* error) {
    close();
    if (path == QLatin1String("-")) {
        m_file = stdout;
        m_ownsFile = false;
        return true;
    }
    m_file = std::fopen(QFile::encodeName(path).constData(), "we");
    if (!m_file) {
        *error = QStringLiteral("cannot write the log %1: %2")
                     .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    m_ownsFile = true;
    return true;
}

void DevSimLogWriter::write(const std::string& record) {
    if (!m_file)
        return;
    std::fwrite(record.data(), 1, record.size(), m_file);
    std::fputc('\n', m_file);
    std::fflush(m_file);
}

void DevSimLogWriter::close() {
    if (m_file && m_ownsFile)
        std::fclose(m_file);
    m_file = nullptr;
    m_ownsFile = false;
}
