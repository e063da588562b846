// CSV reading by the rules of RFC 4180, and the names' Latin-1 <-> UTF-8 trip.
#include "channels/csv.h"

#include <gtest/gtest.h>

#include "channels/channel_error.h"
#include "channels/name_text.h"

namespace tuneflash {
namespace {

using Fields = std::vector<std::vector<std::string>>;

Fields AllFields(std::string_view text) {
  Fields out;
  for (const auto& r : ParseCsv(text)) out.push_back(r.fields);
  return out;
}

TEST(Csv, ReadsQuotedFieldsLineEndsAndAByteOrderMark) {
  const struct {
    const char* text;
    Fields fields;
  } cases[] = {
      {"a,b\r\nc,d\r\n", {{"a", "b"}, {"c", "d"}}},
      {"a,b\nc,d", {{"a", "b"}, {"c", "d"}}},
      {"\xEF\xBB\xBF"
       "a\n",
       {{"a"}}},
      {"\"x,y\",\"say \"\"hi\"\"\"\n", {{"x,y", "say \"hi\""}}},
      {"\"two\nlines\",z\n", {{"two\nlines", "z"}}},
      {"a,,\n\n\nb\n", {{"a", "", ""}, {"b"}}},
      {"\"\"\n", {{""}}},
  };
  for (const auto& c : cases) EXPECT_EQ(AllFields(c.text), c.fields) << c.text;
}

TEST(Csv, NamesTheLineOfABrokenQuote) {
  const struct {
    const char* text;
    int line;
  } cases[] = {
      {"a\nb\"c\n", 2},
      {"a\n\"open\n\nstill", 2},
      {"a\n\"x\"y\n", 2},
  };
  for (const auto& c : cases) {
    try {
      ParseCsv(c.text);
      ADD_FAILURE() << c.text;
    } catch (const ChannelEditError& e) {
      EXPECT_EQ(e.line(), c.line) << c.text;
    }
  }
}

TEST(Csv, RecordsStartOnTheLineAfterAQuotedLineBreak) {
  const auto records = ParseCsv("h\n\"a\nb\"\nc\n");
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[2].line, 4);
}

TEST(NameText, Latin1SurvivesUtf8AndOtherTextIsRefused) {
  for (const std::string name : {"Das Erste", "T\xE9l\xE9 5", "\xFF\x80 \x7F", ""}) {
    EXPECT_EQ(Utf8ToLatin1(Latin1ToUtf8(name)), name);
  }
  for (const char* text : {"\xE2\x82\xAC", "\xC3", "\xC3x", "\xC4\x80", "\x80"}) {
    EXPECT_FALSE(Utf8ToLatin1(text)) << text;
  }
}

// Lists bring Latin-1 and UTF-8 names: each shows as what it is, an unchanged
// text gives back the very bytes, and an edit keeps the name's character set.
TEST(NameText, ANameShowsAndKeepsItsCharacterSet) {
  struct Case {
    std::string bytes;   // the name in the box
    std::string shown;   // as UTF-8 text
    std::string edited;  // a new text for it
    std::string stored;  // the bytes the new text becomes
  };
  const Case cases[] = {
      {"WDR K\xF6ln", "WDR K\xC3\xB6ln", "K\xC3\xB6ln", "K\xF6ln"},                            // Latin-1
      {"WDR K\xC3\xB6ln", "WDR K\xC3\xB6ln", "K\xC3\xB6ln", "K\xC3\xB6ln"},                    // UTF-8
      {"ABCDEFGHIJKLMNO\xC3", "ABCDEFGHIJKLMNO\xEF\xBF\xBD", "\xE2\x82\xAC", "\xE2\x82\xAC"},  // cut at 16
      {"Das Erste", "Das Erste", "Das Erste HD", "Das Erste HD"},                              // ASCII
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NameToText(c.bytes), c.shown) << c.bytes;
    EXPECT_EQ(TextToName(c.shown, c.bytes), c.bytes) << c.bytes;
    EXPECT_EQ(TextToName(c.edited, c.bytes), c.stored) << c.bytes;
  }
  EXPECT_FALSE(TextToName("\xE2\x82\xAC", "K\xF6ln")) << "beyond Latin-1 in a Latin-1 name";
  EXPECT_FALSE(TextToName("\xC3x", "K\xC3\xB6ln")) << "not UTF-8";
}

}  // namespace
}  // namespace tuneflash
