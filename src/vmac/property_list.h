#pragma once

#include "platform/value.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace talvora::vmac {

// One value of a property list, as the XML form spells it: <string>, <integer>, <real>,
// <true/> or <false/>, <array>, <dict>.
struct PlistValue;
using PlistArray = std::vector<PlistValue>;
using PlistDictionary = std::map<std::string, PlistValue>;

struct PlistValue {
    std::variant<std::string, std::int64_t, double, bool, PlistArray, PlistDictionary> value;

    // The value as the platform's scalar: an absent Value for an array or a dictionary.
    Value scalar() const;
};

// Reads an XML property list (the format of Info.plist). Nothing unless the whole text is
// well formed: UTF-8, an optional XML declaration, DOCTYPE (without an internal subset, so no
// entity of its own can be defined) and comments, one <plist> root holding exactly one value,
// and only the elements above, properly nested (at most 64 deep). Text may use the five
// predefined entities, character references and CDATA sections; any other entity, a stray
// '<' or '&', a control character, an integer outside 64 bits or a real that is not a
// number in full is refused. <data> and <date> are not read: a list with them is refused.
// A key given twice keeps its last value.
std::optional<PlistValue> parsePlist(std::string_view xml);

// The same list written as XML, as the virtual Mac installs it. Nothing when a string holds a
// character that XML cannot carry (a control character other than tab, line feed, return).
std::optional<std::string> writePlist(const PlistValue& value);

} // namespace talvora::vmac
