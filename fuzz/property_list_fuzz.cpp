// XML property lists: any bytes are read or refused; what is read writes back and reads again
// as the same value.

#include "vmac/property_list.h"

#include <cmath>
#include <cstdlib>
#include <string_view>

using namespace talvora::vmac;

namespace {

bool same(const PlistValue& a, const PlistValue& b);

bool sameValue(const PlistValue& a, const PlistValue& b)
{
    if (a.value.index() != b.value.index())
        return false;
    if (auto* d = std::get_if<double>(&a.value)) {
        const double e = std::get<double>(b.value);
        return (std::isnan(*d) && std::isnan(e)) || *d == e;
    }
    if (auto* array = std::get_if<PlistArray>(&a.value)) {
        const auto& other = std::get<PlistArray>(b.value);
        if (array->size() != other.size())
            return false;
        for (std::size_t i = 0; i < array->size(); ++i) {
            if (!same((*array)[i], other[i]))
                return false;
        }
        return true;
    }
    if (auto* dict = std::get_if<PlistDictionary>(&a.value)) {
        const auto& other = std::get<PlistDictionary>(b.value);
        if (dict->size() != other.size())
            return false;
        for (auto i = dict->begin(), j = other.begin(); i != dict->end(); ++i, ++j) {
            if (i->first != j->first || !same(i->second, j->second))
                return false;
        }
        return true;
    }
    if (auto* text = std::get_if<std::string>(&a.value))
        return *text == std::get<std::string>(b.value);
    if (auto* integer = std::get_if<std::int64_t>(&a.value))
        return *integer == std::get<std::int64_t>(b.value);
    return std::get<bool>(a.value) == std::get<bool>(b.value);
}

bool same(const PlistValue& a, const PlistValue& b) { return sameValue(a, b); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto value = parsePlist(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!value)
        return 0;
    auto xml = writePlist(*value);
    if (!xml)
        return 0; // a string XML cannot carry; refused, not written wrongly
    auto again = parsePlist(*xml);
    if (!again || !same(*value, *again))
        std::abort();
    return 0;
}
