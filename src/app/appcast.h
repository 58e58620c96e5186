#pragma once

#include "app/app_version.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace talvora {

// One release in an update feed: an RSS item whose enclosure carries the version attributes
// ("version" is the build number, "shortVersionString" the dotted version; either may also be
// a child element of the item), with an optional release-notes link.
struct AppcastItem {
    std::string title;
    AppVersion version; // shortVersion falls back to the build number when the item has none
    std::string releaseNotesURL; // the item's releaseNotesLink, else its link; may be empty
};

// The releases of a feed, in feed order, or why it cannot be read.
struct Appcast {
    std::vector<AppcastItem> items;
};
struct AppcastError {
    std::string reason;
};

// Reads an RSS appcast. Namespace prefixes are ignored (an attribute "x:version" is
// "version"). Items without a version that reads as dotted numbers are left out; a document
// that is not well-formed XML, not RSS, or has no such item is an error. Nothing from outside
// the document is ever loaded.
std::variant<Appcast, AppcastError> parseAppcast(std::string_view xml);

// The newest item, or nothing for an empty feed.
std::optional<AppcastItem> newestItem(const Appcast& appcast);

} // namespace talvora
