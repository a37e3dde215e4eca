// Bytes as text ("46 49 4C 4D"), so that a failed comparison shows where it differs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace filmtest {

// count bytes from from, each as two hex digits, separated by spaces.
inline std::string Hex(const std::vector<uint8_t>& bytes, size_t from, size_t count)
{
    std::string s;
    char b[4];
    for (size_t i = from; i < from + count && i < bytes.size(); ++i) {
        std::snprintf(b, sizeof b, "%02X ", bytes[i]);
        s += b;
    }
    if (!s.empty()) {
        s.pop_back();
    }
    return s;
}

} // namespace filmtest
