#pragma once

#include "platform/preferences_store.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace talvora::vmac {

// A whole preferences domain, sorted by key.
using PreferenceDomain = std::map<std::string, PreferenceValue>;

// The on-disk form of a domain: a JSON object mapping each key to
// {"type": "boolean"|"integer"|"double"|"string"|"data"|"array", "value": ...}. The type is
// stored rather than inferred from the JSON value, because JSON cannot tell 2.0 from 2 and
// has no bytes: data is base64 text, an array is an array of strings.

// The parsed top-level object of a preferences file, or nothing with `error` set when the text
// is not a JSON object or nests too deeply to be walked safely. Text that is empty or only white space is an empty domain: there is
// nothing in it worth keeping.
std::optional<nlohmann::json> parsePreferencesText(std::string_view text, std::string& error);

// The entries of a parsed file that this program understands; entries of an unknown type or
// shape are left out (they may come from a newer version, and a single bad entry should not
// cost the user every other setting).
PreferenceDomain decodeDomain(const nlohmann::json& object);
std::optional<PreferenceValue> decodeEntry(const nlohmann::json& entry);
nlohmann::json encodeEntry(const PreferenceValue& value);

// The text written to disk for a top-level object, ending with a newline.
std::string serializePreferences(const nlohmann::json& object);

// The file rewritten with one change (a value, or nothing to remove the key): every other
// entry keeps the exact text it had, so a rewrite never grows what it did not change, however
// the file was written. `text` must be a file that parsePreferencesText accepted.
std::string rewritePreferences(std::string_view text, const std::string& key, const std::optional<PreferenceValue>& value);

// The largest preferences file that is read; a bigger one is treated as damaged.
inline constexpr std::size_t kMaxPreferencesFileBytes = 8u << 20;

// "boolean", "integer", "double", "string", "data" or "array".
const char* preferenceTypeName(const PreferenceValue& value);

std::string base64Encode(const PreferenceData& bytes);
// Standard alphabet with padding; nothing for anything else.
std::optional<PreferenceData> base64Decode(std::string_view text);

} // namespace talvora::vmac
