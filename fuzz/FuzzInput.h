#pragma once

#include <QByteArray>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <type_traits>

// Takes typed values off the front of a fuzz input; an exhausted input yields zeros, so every
// input is a valid program for the target.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool Empty() const { return m_pos >= m_size; }
    std::size_t Left() const { return m_size - m_pos; }

    std::uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }

    template <typename T> T Integral() {
        using U = std::make_unsigned_t<T>;
        U value = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i)
            value = static_cast<U>((value << 8) | Byte());
        return static_cast<T>(value);
    }

    // A length-prefixed run of bytes, at most `maxSize` long.
    QByteArray Bytes(std::size_t maxSize) {
        std::size_t n = Byte();
        if (n == 255)
            n = Integral<std::uint16_t>();
        n = std::min({n, maxSize, Left()});
        const QByteArray out(reinterpret_cast<const char*>(m_data + m_pos), qsizetype(n));
        m_pos += n;
        return out;
    }

    QByteArray Rest() {
        const QByteArray out(reinterpret_cast<const char*>(m_data + m_pos), qsizetype(Left()));
        m_pos = m_size;
        return out;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// A broken property ends the run the way a crash does, so libFuzzer keeps the input and the
// replay test fails on it.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition);  \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
