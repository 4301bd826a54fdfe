#pragma once

#include <QByteArray>
#include <cstdint>
#include <span>

// Frames as the tests write and compare them: "95 01 00 00 00 96".
inline QByteArray Hex(std::span<const std::uint8_t> bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()))
        .toHex(' ');
}

// "95 01 00 00 00 96" -> bytes.
inline QByteArray hexBytes(const char* hex) {
    return QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
}

// A well-formed frame with its checksum.
inline QByteArray frameBytes(int code, int argument, int power, int level) {
    QByteArray f;
    for (const int b : {0x95, code, argument, power, level})
        f.append(char(b));
    int sum = 0;
    for (const char c : f)
        sum += static_cast<unsigned char>(c);
    f.append(char(sum & 0xFF));
    return f;
}
