#include "app/appcast.h"

#include <expat.h>

#include <climits>

namespace talvora {

namespace {

std::string_view localName(const char* name)
{
    std::string_view n(name);
    auto colon = n.rfind(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

std::string trimmed(const std::string& text)
{
    auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

struct ParseState {
    XML_Parser parser = nullptr;
    bool declaresEntities = false;
    std::vector<std::string> path; // local names of the open elements
    bool sawRss = false;
    std::optional<AppcastItem> item;
    std::string shortVersion;
    std::string build;
    std::string link;
    std::string text; // character data of the element being read inside an item
    std::vector<AppcastItem> items;
};

void startElement(void* data, const char* name, const char** attributes)
{
    auto& s = *static_cast<ParseState*>(data);
    std::string_view local = localName(name);
    if (s.path.empty() && local == "rss")
        s.sawRss = true;
    if (local == "item" && !s.item) {
        s.item = AppcastItem {};
        s.shortVersion.clear();
        s.build.clear();
        s.link.clear();
    } else if (local == "enclosure" && s.item) {
        for (int i = 0; attributes[i]; i += 2) {
            std::string_view attribute = localName(attributes[i]);
            if (attribute == "version")
                s.build = trimmed(attributes[i + 1]);
            else if (attribute == "shortVersionString")
                s.shortVersion = trimmed(attributes[i + 1]);
        }
    }
    s.path.emplace_back(local);
    s.text.clear();
}

void endElement(void* data, const char*)
{
    auto& s = *static_cast<ParseState*>(data);
    std::string local = s.path.back();
    s.path.pop_back();
    if (!s.item)
        return;
    // Only the item's own children count: a "title" inside something else is not the item's.
    bool childOfItem = !s.path.empty() && s.path.back() == "item";
    std::string value = trimmed(s.text);
    if (local == "item") {
        AppcastItem item = *s.item;
        item.version.build = s.build;
        item.version.shortVersion = s.shortVersion.empty() ? s.build : s.shortVersion;
        if (item.releaseNotesURL.empty())
            item.releaseNotesURL = s.link;
        if (parseDottedVersion(item.version.shortVersion))
            s.items.push_back(std::move(item));
        s.item.reset();
    } else if (childOfItem) {
        if (local == "title")
            s.item->title = value;
        else if (local == "releaseNotesLink")
            s.item->releaseNotesURL = value;
        else if (local == "link")
            s.link = value;
        else if (local == "version" && s.build.empty())
            s.build = value;
        else if (local == "shortVersionString" && s.shortVersion.empty())
            s.shortVersion = value;
    }
    s.text.clear();
}

void characterData(void* data, const char* text, int length)
{
    auto& s = *static_cast<ParseState*>(data);
    if (s.item && s.text.size() < 64 * 1024)
        s.text.append(text, static_cast<std::size_t>(length));
}

// A feed that declares entities is refused before any is expanded: an appcast needs none, and
// nested entities are how a small document becomes a huge one.
void entityDeclaration(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*, const XML_Char*, const XML_Char*,
    const XML_Char*)
{
    auto& s = *static_cast<ParseState*>(data);
    s.declaresEntities = true;
    XML_StopParser(s.parser, XML_FALSE);
}

} // namespace

std::variant<Appcast, AppcastError> parseAppcast(std::string_view xml)
{
    if (xml.size() > static_cast<std::size_t>(INT_MAX))
        return AppcastError { "the feed is too large" };
    ParseState state;
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (!parser)
        return AppcastError { "no memory to read the feed" };
    state.parser = parser;
    XML_SetUserData(parser, &state);
    XML_SetElementHandler(parser, startElement, endElement);
    XML_SetCharacterDataHandler(parser, characterData);
    XML_SetEntityDeclHandler(parser, entityDeclaration);
    XML_Status status = XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), XML_TRUE);
    std::string error;
    if (state.declaresEntities) {
        error = "it declares XML entities";
    } else if (status != XML_STATUS_OK) {
        error = std::string("it is not well-formed XML (") + XML_ErrorString(XML_GetErrorCode(parser)) + " at line "
            + std::to_string(XML_GetCurrentLineNumber(parser)) + ")";
    }
    XML_ParserFree(parser);
    if (!error.empty())
        return AppcastError { error };
    if (!state.sawRss)
        return AppcastError { "it is not an RSS feed" };
    if (state.items.empty())
        return AppcastError { "it lists no release with a version" };
    return Appcast { std::move(state.items) };
}

std::optional<AppcastItem> newestItem(const Appcast& appcast)
{
    const AppcastItem* newest = nullptr;
    for (const auto& item : appcast.items) {
        if (!newest || compareAppVersions(item.version, newest->version) > 0)
            newest = &item;
    }
    return newest ? std::optional(*newest) : std::nullopt;
}

} // namespace talvora
