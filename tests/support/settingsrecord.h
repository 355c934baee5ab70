// Chart settings files (.gsf) written and read by the tests byte by byte, from the published layout
// of the 2992-byte record and without the program's code.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>

namespace testsupport::gsf {

// Little-endian fields at their offsets, read and written without the program's code.
inline std::uint32_t u32(const std::string &b, size_t at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return v;
}
inline double f64(const std::string &b, size_t at)
{
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return std::bit_cast<double>(v);
}
inline std::string shortString(const std::string &b, size_t at)
{
    return b.substr(at + 1, static_cast<unsigned char>(b[at]));
}

inline void put32(std::string &b, size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<char>(v >> (8 * i));
}
inline void put64(std::string &b, size_t at, double d)
{
    const auto v = std::bit_cast<std::uint64_t>(d);
    for (int i = 0; i < 8; ++i)
        b[at + i] = static_cast<char>(v >> (8 * i));
}
inline void putString(std::string &b, size_t at, const std::string &s)
{
    b[at] = static_cast<char>(s.size());
    b.replace(at + 1, s.size(), s);
}
inline void putFont(std::string &b, size_t at, const std::string &name, int size, bool bold, bool italic,
                    bool underline, bool strikeOut, std::uint32_t colour)
{
    putString(b, at, name);
    put32(b, at + 256, static_cast<std::uint32_t>(size));
    b[at + 260] = bold;
    b[at + 261] = italic;
    b[at + 262] = underline;
    b[at + 263] = strikeOut;
    put32(b, at + 264, colour);
}

// A valid record, padding filled with junk as another writer might leave it: both axes automatic,
// fonts of size 10.
inline std::string handRecord()
{
    std::string b(2992, '\xAA');
    putString(b, 0, "");
    b[256] = 1;
    for (size_t font : {260, 816, 1340, 1904, 2428, 2712})
        putFont(b, font, "Arial", 10, false, false, false, false, 0);
    for (size_t axis : {528, 1616}) {
        b[axis] = 1;
        put64(b, axis + 8, 0);
        put64(b, axis + 16, 0);
        put64(b, axis + 24, 0);
        putString(b, axis + 32, "0");
        putString(b, axis + 556, "");
        b[axis + 1080] = 1;
    }
    b[2704] = 0;
    b[2705] = 0;
    put32(b, 2708, 25);
    put32(b, 2980, 0);
    put32(b, 2984, 0x80000005);
    return b;
}

} // namespace testsupport::gsf
