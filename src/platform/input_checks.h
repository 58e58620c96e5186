#pragma once

// Checks that run over untrusted text before anything else looks at it: they are loops over
// the bytes, never recursive, so they are safe on any input.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace talvora {

// How deeply the JSON we read may nest. Every document of this program needs fewer than ten
// levels; the limit leaves room for what a newer version might store, and keeps whatever
// walks the parsed value recursively (copying, writing it back) far from the stack's end.
inline constexpr int kMaxJsonDepth = 64;

// True when the arrays and objects of a JSON text nest deeper than `maxDepth`. Brackets inside
// strings do not count; the text need not be valid JSON (the parser says what else is wrong).
inline bool jsonNestingExceeds(std::string_view text, int maxDepth = kMaxJsonDepth)
{
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > maxDepth)
                return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

// The length of the well-formed UTF-8 sequence at `i`, or 0 when there is none (a stray
// continuation byte, an overlong form, a surrogate, a code point beyond U+10FFFF, a cut-off
// sequence).
inline std::size_t utf8SequenceLength(std::string_view s, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    if (b0 < 0x80)
        return 1;
    std::size_t length;
    std::uint32_t cp;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        cp = b0 & 0x1Fu;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        cp = b0 & 0x0Fu;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        cp = b0 & 0x07u;
    } else {
        return 0;
    }
    if (i + length > s.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3Fu);
    }
    if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return length;
}

inline bool isValidUtf8(std::string_view s)
{
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = utf8SequenceLength(s, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

// Text fit for one line of a terminal or a log: control characters (C0, DEL and the C1 range)
// and bytes that are not UTF-8 are written as escapes, so that input quoted in a message can
// neither break the line nor drive the terminal.
inline std::string escapeControlCharacters(std::string_view s)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(s.size());
    const auto escaped = [&](unsigned char b) {
        out += "\\x";
        out += kHex[b >> 4];
        out += kHex[b & 15];
    };
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const std::size_t n = utf8SequenceLength(s, i);
        if (n == 0) {
            escaped(b);
            ++i;
        } else if (b == '\n') {
            out += "\\n";
            ++i;
        } else if (b == '\t') {
            out += "\\t";
            ++i;
        } else if (b < 0x20 || b == 0x7F) {
            escaped(b);
            ++i;
        } else if (b == 0xC2 && static_cast<unsigned char>(s[i + 1]) < 0xA0) {
            // U+0080 to U+009F: the C1 controls, which some terminals obey.
            out += "\\u00";
            out += kHex[static_cast<unsigned char>(s[i + 1]) >> 4];
            out += kHex[static_cast<unsigned char>(s[i + 1]) & 15];
            i += 2;
        } else {
            out.append(s.substr(i, n));
            i += n;
        }
    }
    return out;
}

} // namespace talvora
