#include "vmac/property_list.h"

#include <charconv>
#include <cmath>
#include <iterator>
#include <limits>

namespace talvora::vmac {

Value PlistValue::scalar() const
{
    if (auto* s = std::get_if<std::string>(&value))
        return Value::string(*s);
    if (auto* i = std::get_if<std::int64_t>(&value))
        return Value::integer(*i);
    if (auto* d = std::get_if<double>(&value))
        return Value::real(*d);
    if (auto* b = std::get_if<bool>(&value))
        return Value::boolean(*b);
    return Value();
}

namespace {

constexpr int kMaxDepth = 64;

// The characters XML 1.0 allows in a document.
bool isXmlChar(std::uint32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

// Decodes one UTF-8 sequence at `i`, advancing past it; nothing for an ill-formed one
// (overlong, surrogate, beyond U+10FFFF, truncated).
std::optional<std::uint32_t> decodeUtf8(std::string_view s, std::size_t& i)
{
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int length = 0;
    std::uint32_t c = 0;
    std::uint32_t minimum = 0;
    if ((b0 & 0xE0) == 0xC0) {
        length = 2, c = b0 & 0x1F, minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3, c = b0 & 0x0F, minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4, c = b0 & 0x07, minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    if (s.size() - i < static_cast<std::size_t>(length))
        return std::nullopt;
    for (int k = 1; k < length; ++k) {
        const unsigned char b = byte(i + k);
        if ((b & 0xC0) != 0x80)
            return std::nullopt;
        c = (c << 6) | (b & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return std::nullopt;
    i += length;
    return c;
}

// Well-formed UTF-8 made only of XML characters.
bool isXmlText(std::string_view s)
{
    for (std::size_t i = 0; i < s.size();) {
        auto c = decodeUtf8(s, i);
        if (!c || !isXmlChar(*c))
            return false;
    }
    return true;
}

void appendUtf8(std::string& out, std::uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

bool isNameStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || static_cast<unsigned char>(c) >= 0x80;
}

bool isNameChar(char c) { return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

std::optional<std::int64_t> parseInteger(std::string_view text)
{
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return std::nullopt;
    std::uint64_t magnitude = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    constexpr std::uint64_t maxPositive = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (!negative)
        return magnitude <= maxPositive ? std::optional(static_cast<std::int64_t>(magnitude)) : std::nullopt;
    if (magnitude > maxPositive + 1)
        return std::nullopt;
    // −2^63 has no positive counterpart: negate in unsigned arithmetic.
    return static_cast<std::int64_t>(~magnitude + 1);
}

std::optional<double> parseReal(std::string_view text)
{
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // from_chars takes a '-' of its own; one sign is all a number has.
    if (text.empty() || text.front() == '+' || text.front() == '-')
        return std::nullopt;
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return negative ? -value : value;
}

// A recursive-descent reader of the XML property-list format over a whole document held in
// memory. Every step checks that there is input left; nothing reads past the end.
class PlistParser {
public:
    explicit PlistParser(std::string_view text)
        : m_text(text)
    {
    }

    std::optional<PlistValue> document()
    {
        if (startsWith("\xEF\xBB\xBF"))
            m_pos += 3;
        if (!isXmlText(m_text.substr(m_pos)))
            return std::nullopt;
        if (startsWith("<?xml") && m_pos + 5 < m_text.size() && isSpace(m_text[m_pos + 5])) {
            if (!xmlDeclaration())
                return std::nullopt;
        }
        if (!skipMisc(/*prolog=*/true))
            return std::nullopt;
        auto root = tag();
        if (!root || root->closing || root->empty || root->name != "plist")
            return std::nullopt;
        if (!skipMisc(false))
            return std::nullopt;
        auto result = value();
        if (!result || !skipMisc(false))
            return std::nullopt;
        auto close = tag();
        if (!close || !close->closing || close->name != "plist")
            return std::nullopt;
        if (!skipMisc(false) || m_pos != m_text.size())
            return std::nullopt;
        return result;
    }

private:
    struct Tag {
        std::string_view name;
        bool closing = false;
        bool empty = false; // <name/>
    };

    bool atEnd() const { return m_pos >= m_text.size(); }
    bool startsWith(std::string_view s) const { return m_text.substr(std::min(m_pos, m_text.size())).starts_with(s); }

    bool skipSpace()
    {
        const std::size_t before = m_pos;
        while (!atEnd() && isSpace(m_text[m_pos]))
            ++m_pos;
        return m_pos != before;
    }

    // Moves past the next `terminator`; false when there is none.
    bool skipPast(std::string_view terminator)
    {
        auto found = m_text.find(terminator, m_pos);
        if (found == std::string_view::npos)
            return false;
        m_pos = found + terminator.size();
        return true;
    }

    // <?xml version="1.0" encoding="…"?>: only UTF-8 is read.
    bool xmlDeclaration()
    {
        const std::size_t begin = m_pos;
        if (!skipPast("?>"))
            return false;
        std::string_view declaration = m_text.substr(begin, m_pos - begin);
        auto at = declaration.find("encoding");
        if (at == std::string_view::npos)
            return true;
        std::string_view rest = declaration.substr(at + 8);
        rest = trimmed(rest);
        if (rest.empty() || rest.front() != '=')
            return false;
        rest = trimmed(rest.substr(1));
        if (rest.empty() || (rest.front() != '"' && rest.front() != '\''))
            return false;
        auto close = rest.find(rest.front(), 1);
        if (close == std::string_view::npos)
            return false;
        std::string_view encoding = rest.substr(1, close - 1);
        return equalsIgnoringCase(encoding, "UTF-8") || equalsIgnoringCase(encoding, "UTF8");
    }

    // White space, comments and processing instructions between elements; in the prolog also
    // one DOCTYPE. False for one of them left unterminated or malformed.
    bool skipMisc(bool prolog)
    {
        bool doctypeSeen = false;
        for (;;) {
            skipSpace();
            if (startsWith("<!--")) {
                m_pos += 4;
                if (!skipPast("-->"))
                    return false;
            } else if (startsWith("<?")) {
                m_pos += 2;
                std::size_t nameStart = m_pos;
                while (!atEnd() && isNameChar(m_text[m_pos]))
                    ++m_pos;
                // The declaration comes first or not at all.
                if (m_pos == nameStart || equalsIgnoringCase(m_text.substr(nameStart, m_pos - nameStart), "xml"))
                    return false;
                if (!skipPast("?>"))
                    return false;
            } else if (prolog && startsWith("<!DOCTYPE")) {
                if (doctypeSeen || !doctype())
                    return false;
                doctypeSeen = true;
            } else {
                return true;
            }
        }
    }

    // <!DOCTYPE plist PUBLIC "…" "…">. An internal subset ("[ … ]") could define entities;
    // it is refused rather than ignored.
    bool doctype()
    {
        m_pos += 9;
        char quote = 0;
        for (; !atEnd(); ++m_pos) {
            char c = m_text[m_pos];
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '[' || c == '<') {
                return false;
            } else if (c == '>') {
                ++m_pos;
                return true;
            }
        }
        return false;
    }

    std::string_view name()
    {
        const std::size_t begin = m_pos;
        if (atEnd() || !isNameStart(m_text[m_pos]))
            return {};
        while (!atEnd() && isNameChar(m_text[m_pos]))
            ++m_pos;
        return m_text.substr(begin, m_pos - begin);
    }

    // A start, end or empty-element tag at the current position, with its attributes checked
    // and dropped.
    std::optional<Tag> tag()
    {
        if (atEnd() || m_text[m_pos] != '<')
            return std::nullopt;
        ++m_pos;
        Tag t;
        if (!atEnd() && m_text[m_pos] == '/') {
            t.closing = true;
            ++m_pos;
        }
        t.name = name();
        if (t.name.empty())
            return std::nullopt;
        if (t.closing) {
            skipSpace();
            if (atEnd() || m_text[m_pos] != '>')
                return std::nullopt;
            ++m_pos;
            return t;
        }
        for (;;) {
            const bool spaced = skipSpace();
            if (startsWith(">")) {
                ++m_pos;
                return t;
            }
            if (startsWith("/>")) {
                m_pos += 2;
                t.empty = true;
                return t;
            }
            // An attribute, separated from what precedes it by white space.
            if (!spaced || name().empty())
                return std::nullopt;
            skipSpace();
            if (!startsWith("="))
                return std::nullopt;
            ++m_pos;
            skipSpace();
            if (atEnd() || (m_text[m_pos] != '"' && m_text[m_pos] != '\''))
                return std::nullopt;
            const char quote = m_text[m_pos++];
            auto close = m_text.find(quote, m_pos);
            if (close == std::string_view::npos)
                return std::nullopt;
            std::string_view raw = m_text.substr(m_pos, close - m_pos);
            if (raw.find('<') != std::string_view::npos || !decodedAttribute(raw))
                return std::nullopt;
            m_pos = close + 1;
        }
    }

    // Checks the references in an attribute value.
    static bool decodedAttribute(std::string_view raw)
    {
        PlistParser inner(raw);
        std::string ignored;
        while (!inner.atEnd()) {
            if (inner.m_text[inner.m_pos] == '&') {
                if (!inner.reference(ignored))
                    return false;
            } else {
                ++inner.m_pos;
            }
        }
        return true;
    }

    // An entity or character reference at '&', appended decoded.
    bool reference(std::string& out)
    {
        auto semicolon = m_text.find(';', m_pos);
        if (semicolon == std::string_view::npos || semicolon - m_pos > 12)
            return false;
        std::string_view ref = m_text.substr(m_pos + 1, semicolon - m_pos - 1);
        m_pos = semicolon + 1;
        static constexpr std::pair<std::string_view, char> kPredefined[] = {
            { "amp", '&' }, { "lt", '<' }, { "gt", '>' }, { "quot", '"' }, { "apos", '\'' }
        };
        for (const auto& [entity, c] : kPredefined) {
            if (ref == entity) {
                out += c;
                return true;
            }
        }
        if (ref.size() < 2 || ref[0] != '#')
            return false;
        int base = 10;
        ref.remove_prefix(1);
        if (ref[0] == 'x') {
            base = 16;
            ref.remove_prefix(1);
        }
        std::uint32_t c = 0;
        auto [end, error] = std::from_chars(ref.data(), ref.data() + ref.size(), c, base);
        if (ref.empty() || error != std::errc() || end != ref.data() + ref.size() || !isXmlChar(c))
            return false;
        appendUtf8(out, c);
        return true;
    }

    // The character data of an element up to its end tag, with references decoded, CDATA
    // sections taken as they are and comments dropped. Any other markup inside is refused.
    bool content(std::string_view element, std::string& out)
    {
        while (!atEnd()) {
            const char c = m_text[m_pos];
            if (c == '<') {
                if (startsWith("</")) {
                    auto close = tag();
                    return close && close->name == element;
                }
                if (startsWith("<!--")) {
                    m_pos += 4;
                    if (!skipPast("-->"))
                        return false;
                    continue;
                }
                if (startsWith("<![CDATA[")) {
                    m_pos += 9;
                    auto end = m_text.find("]]>", m_pos);
                    if (end == std::string_view::npos)
                        return false;
                    out.append(m_text.substr(m_pos, end - m_pos));
                    m_pos = end + 3;
                    continue;
                }
                return false;
            }
            if (c == '&') {
                if (!reference(out))
                    return false;
                continue;
            }
            if (startsWith("]]>"))
                return false;
            const std::size_t runEnd = m_text.find_first_of("<&]", m_pos + 1);
            const std::size_t stop = runEnd == std::string_view::npos ? m_text.size() : runEnd;
            out.append(m_text.substr(m_pos, stop - m_pos));
            m_pos = stop;
        }
        return false;
    }

    std::optional<PlistValue> value()
    {
        auto open = tag();
        if (!open || open->closing)
            return std::nullopt;
        const std::string_view kind = open->name;
        if (kind == "dict" || kind == "array") {
            if (++m_depth > kMaxDepth)
                return std::nullopt;
            auto result = kind == "dict" ? dictionary(open->empty) : array(open->empty);
            --m_depth;
            return result;
        }
        if (kind == "string") {
            std::string text;
            if (!open->empty && !content(kind, text))
                return std::nullopt;
            return PlistValue { std::move(text) };
        }
        if (kind == "integer" || kind == "real" || kind == "true" || kind == "false") {
            std::string text;
            if (!open->empty && !content(kind, text))
                return std::nullopt;
            if (kind == "true" || kind == "false") {
                if (!trimmed(text).empty())
                    return std::nullopt;
                return PlistValue { kind == "true" };
            }
            if (kind == "integer") {
                if (auto i = parseInteger(text))
                    return PlistValue { *i };
                return std::nullopt;
            }
            if (auto d = parseReal(text))
                return PlistValue { *d };
            return std::nullopt;
        }
        return std::nullopt; // <data>, <date> or anything else
    }

    std::optional<PlistValue> dictionary(bool empty)
    {
        PlistDictionary entries;
        while (!empty) {
            if (!skipMisc(false))
                return std::nullopt;
            auto next = tag();
            if (!next)
                return std::nullopt;
            if (next->closing) {
                if (next->name != "dict")
                    return std::nullopt;
                break;
            }
            if (next->name != "key")
                return std::nullopt;
            std::string key;
            if (!next->empty && !content("key", key))
                return std::nullopt;
            if (!skipMisc(false) || startsWith("</"))
                return std::nullopt; // a key without a value
            auto entry = value();
            if (!entry)
                return std::nullopt;
            entries.insert_or_assign(std::move(key), std::move(*entry));
        }
        return PlistValue { std::move(entries) };
    }

    std::optional<PlistValue> array(bool empty)
    {
        PlistArray elements;
        while (!empty) {
            if (!skipMisc(false))
                return std::nullopt;
            if (startsWith("</")) {
                auto close = tag();
                if (!close || close->name != "array")
                    return std::nullopt;
                break;
            }
            auto element = value();
            if (!element)
                return std::nullopt;
            elements.push_back(std::move(*element));
        }
        return PlistValue { std::move(elements) };
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    int m_depth = 0;
};

bool appendEscaped(std::string& out, std::string_view text)
{
    if (!isXmlText(text))
        return false;
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '\r')
            out += "&#13;"; // a raw one would be read back as a line feed by other readers
        else
            out += c;
    }
    return true;
}

bool writeValue(std::string& out, const PlistValue& v, int depth)
{
    if (depth > kMaxDepth)
        return false;
    const std::string indent(static_cast<std::size_t>(depth), '\t');
    out += indent;
    if (auto* s = std::get_if<std::string>(&v.value)) {
        out += "<string>";
        if (!appendEscaped(out, *s))
            return false;
        out += "</string>\n";
    } else if (auto* i = std::get_if<std::int64_t>(&v.value)) {
        out += "<integer>" + std::to_string(*i) + "</integer>\n";
    } else if (auto* d = std::get_if<double>(&v.value)) {
        std::string number;
        if (std::isnan(*d)) {
            number = "nan";
        } else if (std::isinf(*d)) {
            number = *d > 0 ? "+infinity" : "-infinity";
        } else {
            char buffer[64];
            auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, *d);
            if (error != std::errc())
                return false;
            number.assign(buffer, end);
        }
        out += "<real>" + number + "</real>\n";
    } else if (auto* b = std::get_if<bool>(&v.value)) {
        out += *b ? "<true/>\n" : "<false/>\n";
    } else if (auto* a = std::get_if<PlistArray>(&v.value)) {
        if (a->empty()) {
            out += "<array/>\n";
            return true;
        }
        out += "<array>\n";
        for (const auto& element : *a) {
            if (!writeValue(out, element, depth + 1))
                return false;
        }
        out += indent + "</array>\n";
    } else if (auto* dict = std::get_if<PlistDictionary>(&v.value)) {
        if (dict->empty()) {
            out += "<dict/>\n";
            return true;
        }
        out += "<dict>\n";
        for (const auto& [key, element] : *dict) {
            out += indent + "\t<key>";
            if (!appendEscaped(out, key))
                return false;
            out += "</key>\n";
            if (!writeValue(out, element, depth + 1))
                return false;
        }
        out += indent + "</dict>\n";
    }
    return true;
}

} // namespace

std::optional<PlistValue> parsePlist(std::string_view xml) { return PlistParser(xml).document(); }

std::optional<std::string> writePlist(const PlistValue& value)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                      "<plist version=\"1.0\">\n";
    if (!writeValue(out, value, 0))
        return std::nullopt;
    out += "</plist>\n";
    return out;
}

} // namespace talvora::vmac
