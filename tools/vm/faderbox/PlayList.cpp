#include "PlayList.h"

#include <cstdlib>
#include <sstream>

std::optional<std::vector<TimedMessage>> ParsePlayList(const std::string& text) {
    std::vector<TimedMessage> out;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto start = line.find_first_not_of(" \t\r");
        if (start == std::string::npos || line[start] == '#')
            continue;
        char* end = nullptr;
        const double ms = std::strtod(line.c_str() + start, &end);
        if (end == line.c_str() + start || ms < 0)
            return std::nullopt;
        std::string rest(end);
        while (!rest.empty() && (rest.back() == '\r' || rest.back() == ' '))
            rest.pop_back();
        auto bytes = ParseHexBytes(rest);
        if (!bytes)
            return std::nullopt;
        const auto due = static_cast<std::int64_t>(ms * 1000.0);
        if (!out.empty() && due < out.back().dueUs)
            return std::nullopt;
        out.push_back({due, std::move(*bytes)});
    }
    return out;
}
