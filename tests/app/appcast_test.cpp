// Reading update feeds and ordering versions.
#include "app/appcast.h"
#include "app/update_check_result.h"

#include <gtest/gtest.h>

using namespace talvora;

namespace {

std::string feed(const std::string& items)
{
    return R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:up="http://example.org/xml-namespaces/updates">
  <channel><title>Talvora</title>)"
        + items + "</channel></rss>";
}

TEST(AppVersion, DottedNumbersThenBuildNumbers)
{
    EXPECT_LT(compareDottedVersions("1.9", "1.10"), 0) << "numbers, not text";
    EXPECT_EQ(compareDottedVersions("1.2", "1.2.0"), 0);
    EXPECT_GT(compareDottedVersions("v2", "1.99.99"), 0);
    EXPECT_LT(compareDottedVersions("1.2-beta", "0.1"), 0) << "what does not read is never newer";
    EXPECT_FALSE(parseDottedVersion("1..2"));
    EXPECT_FALSE(parseDottedVersion("1.2."));
    EXPECT_FALSE(parseDottedVersion("99999999999999999999"));

    EXPECT_GT(compareAppVersions({ "1.4", "143" }, { "1.4.0", "142" }), 0);
    EXPECT_LT(compareAppVersions({ "1.4", "999" }, { "1.5", "1" }), 0) << "the dotted version decides first";
    EXPECT_EQ(compareAppVersions({ "1.4", "" }, { "1.4", "" }), 0);
}

TEST(Appcast, TheNewestReleaseWinsWhereverItStandsInTheFeed)
{
    auto parsed = parseAppcast(feed(R"(
    <item><title>1.3</title><link>https://example.org/1.3</link>
      <enclosure url="https://example.org/a.zip" up:version="130" up:shortVersionString="1.3" length="1"/></item>
    <item><title>1.10</title>
      <up:releaseNotesLink> https://example.org/notes/1.10 </up:releaseNotesLink>
      <enclosure url="https://example.org/b.zip" up:version="1100" up:shortVersionString="1.10"/></item>
    <item><title>no version</title><enclosure url="https://example.org/c.zip"/></item>
    <item><title>build only</title><enclosure url="https://example.org/d.zip" up:version="1.9.5"/></item>)"));
    ASSERT_TRUE(std::holds_alternative<Appcast>(parsed));
    const auto& items = std::get<Appcast>(parsed).items;
    ASSERT_EQ(items.size(), 3u) << "the item without a version is left out";
    EXPECT_EQ(items[0].releaseNotesURL, "https://example.org/1.3") << "the link stands in for missing notes";
    EXPECT_EQ(items[2].version.shortVersion, "1.9.5");

    auto newest = newestItem(std::get<Appcast>(parsed));
    ASSERT_TRUE(newest);
    EXPECT_EQ(newest->title, "1.10");
    EXPECT_EQ(newest->version.build, "1100");
    EXPECT_EQ(newest->releaseNotesURL, "https://example.org/notes/1.10");
}

TEST(Appcast, FeedsThatCannotBeReadSayWhy)
{
    auto reason = [](const std::string& xml) {
        auto parsed = parseAppcast(xml);
        return std::holds_alternative<AppcastError>(parsed) ? std::get<AppcastError>(parsed).reason : std::string("parsed");
    };
    EXPECT_NE(reason("<rss><channel><item>").find("not well-formed"), std::string::npos);
    EXPECT_NE(reason("<html><body>Moved</body></html>").find("not an RSS feed"), std::string::npos);
    EXPECT_NE(reason(feed("")).find("no release"), std::string::npos);
    // Nested entities are refused before any is expanded.
    EXPECT_NE(reason(R"(<?xml version="1.0"?><!DOCTYPE rss [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;">]>)"
                     R"(<rss><channel><item><title>&b;</title><enclosure version="9"/></item></channel></rss>)")
                  .find("entities"),
        std::string::npos);
}

TEST(UpdateCheckResult, OnlyWebLinksAreOfferedAsReleaseNotes)
{
    HttpResult answer { HttpResult::Outcome::Response, 200,
        feed(R"(<item><up:releaseNotesLink>file:///etc/passwd</up:releaseNotesLink><enclosure up:version="9.0"/></item>)"), {} };
    UpdateCheckResult result = evaluateUpdateFeed(answer, { "1.0", "1" });
    EXPECT_EQ(result.kind, UpdateCheckResult::Kind::NewerAvailable);
    EXPECT_FALSE(result.releaseNotesURL);
    EXPECT_FALSE(updateAlertFor(result).releaseNotesURL);
}

} // namespace
