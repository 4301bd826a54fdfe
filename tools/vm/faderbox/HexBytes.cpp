#include "HexBytes.h"

#include <cstdio>

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<Bytes> ParseHexBytes(std::string_view text) {
    Bytes out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == '\t') {
            ++i;
            continue;
        }
        int value = 0;
        std::size_t digits = 0;
        for (; i < text.size() && text[i] != ' ' && text[i] != '\t'; ++i, ++digits) {
            const int d = HexDigit(text[i]);
            if (d < 0 || digits == 2)
                return std::nullopt;
            value = value * 16 + d;
        }
        out.push_back(static_cast<std::uint8_t>(value));
    }
    if (out.empty())
        return std::nullopt;
    return out;
}

std::string FormatHexBytes(const std::uint8_t* data, std::size_t size) {
    std::string out;
    char word[4];
    for (std::size_t i = 0; i < size; ++i) {
        std::snprintf(word, sizeof word, i ? " %02X" : "%02X", data[i]);
        out += word;
    }
    return out;
}
