// The preferences file format: any text parses or is refused, and a rewrite with one change
// keeps every other entry and its value.

#include "vmac/preferences_file_format.h"

#include <cstdlib>
#include <string>

using namespace talvora;
using namespace talvora::vmac;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    auto parsed = parsePreferencesText(text, error);
    if (!parsed) {
        if (error.empty())
            std::abort();
        return 0;
    }
    PreferenceDomain before = decodeDomain(*parsed);
    const std::string rewritten = rewritePreferences(text, "fuzz.key", PreferenceValue(std::int64_t { 7 }));
    auto reparsed = parsePreferencesText(rewritten, error);
    if (!reparsed)
        std::abort(); // a rewrite must always be readable
    PreferenceDomain after = decodeDomain(*reparsed);
    before.insert_or_assign("fuzz.key", PreferenceValue(std::int64_t { 7 }));
    // NaN never equals itself; compare such values by their text form instead.
    if (after.size() != before.size())
        std::abort(); // an entry was lost or invented
    for (const auto& [key, value] : before) {
        auto it = after.find(key);
        if (it == after.end() || encodeEntry(it->second).dump() != encodeEntry(value).dump())
            std::abort(); // a value changed that was not written
    }
    // Whatever the rewrite did not change keeps its size: the new file is at most the old one
    // plus the new entry.
    if (rewritten.size() > text.size() + 200 + 8 * parsed->size())
        std::abort();
    return 0;
}
