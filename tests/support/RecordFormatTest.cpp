// The record file's format on its own: the delimited-item reader, the split
// into fields, and the code page 932 conversion underneath.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/AnsiText.h"
#include "support/RecordFile.h"

namespace mirel {
namespace {

using Items = std::vector<std::string>;

TEST(DelimitedItems, HowLinesAndDelimitersRead) {
  const struct {
    const char* text;
    Items items;
  } cases[] = {
      {"\"a/b/c\"\r\n\"d/e/f\"\r\n", {"a/b/c", "d/e/f"}},
      {"\"a/b/c\"", {"a/b/c"}},                                          // no line end after the last line
      {"\"a/b/c\"\n\"d/e/f\"\r\"g/h/i\"", {"a/b/c", "d/e/f", "g/h/i"}},  // lone LF, lone CR
      {"\"a/b/c\",\"d/e/f\"\r\n", {"a/b/c", "d/e/f"}},  // a comma after the quote: next item, same line
      {"\"a/b/c\"  ,  \"d/e/f\"  \r\n", {"a/b/c", "d/e/f"}},
      {"\r\n\r\n\"a/b/c\"\r\n\r\n  \r\n", {"a/b/c"}},     // blank lines carry no item
      {"\" a, b \"\r\n", {" a, b "}},                     // inside quotes all is kept
      {"\"a\r\nb\"\r\n", {"a\r\nb"}},                     // a quoted item runs to its closing quote
      {"  a/b/c  \r\nd/e,f\r\n", {"a/b/c", "d/e", "f"}},  // unquoted: to a comma or line end, trimmed
      {"a,,b\r\n", {"a", "", "b"}},
      {"\"a/b/c\",\r\n", {"a/b/c"}},  // a comma that ends a line adds nothing
      {"\"\"\r\n", {""}},
      {"", {}},
      {"\r\n \t\r\n", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::optional<Items> items = ReadDelimitedItems(c.text);
    ASSERT_TRUE(items.has_value());
    EXPECT_EQ(*items, c.items);
  }
}

TEST(DelimitedItems, MalformedTextIsUnreadable) {
  for (const char* text : {
           "\"a/b/c",         // quote never closed
           "\"a/b/c\"x\r\n",  // something after the closing quote
           "\"a/b\"/c\"\r\n",
           "a/b\"c/d\r\n",  // a quote inside an unquoted item
       }) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(ReadDelimitedItems(text).has_value());
  }
}

TEST(RecordFileParse, SplitsEveryItemIntoThreeFields) {
  const std::optional<std::vector<TextRecord>> records =
      ParseRecordFile("\"1/k/n\"\r\n\"//\"\r\n\"a/b/c/d\"");
  ASSERT_TRUE(records.has_value());
  EXPECT_EQ(*records, (std::vector<TextRecord>{{}, {"1", "k", "n"}, {"", "", ""}, {"a", "b", "c"}}));

  EXPECT_FALSE(ParseRecordFile("\"1/k/n\"\r\n\"1/k\"\r\n").has_value());
  EXPECT_FALSE(ParseRecordFile("\"1/k/n\"\r\n\"\"\r\n").has_value());
  EXPECT_FALSE(ParseRecordFile("\"1/k/n\x82\"\r\n").has_value());
  EXPECT_EQ(FormatRecordFile(*records), "\"1/k/n\"\r\n\"//\"\r\n\"a/b/c\"\r\n");
}

TEST(AnsiText, DecodesOnlyValidCodePage932) {
  EXPECT_EQ(AnsiToUtf8("\x82\xa0"
                       "abc\\~\xb1"),
            "あabc\\~ｱ");
  EXPECT_EQ(AnsiToUtf8(""), "");
  EXPECT_EQ(AnsiToUtf8("\x81\x60"), "～");
  for (const char* bad : {"\x82", "a\x80", "\xa0", "\xff", "\xfd\x40"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(AnsiToUtf8(bad).has_value());
  }
}

TEST(AnsiText, EncodesWithAQuestionMarkForWhatItCannotHold) {
  std::size_t replaced = 99;
  EXPECT_EQ(Utf8ToAnsi("あ〜", &replaced), "\x82\xa0\x81\x60");
  EXPECT_EQ(replaced, 0u);
  EXPECT_EQ(Utf8ToAnsi("x😀y\xc3(\xed\xa0\x80z\xe3\x81", &replaced), "x?y?(???z?");
  EXPECT_EQ(replaced, 6u);

  // What the encoder writes, the decoder reads back: stable after one trip.
  for (const char* text : {"〜‖−¢£¬¥", "ｱｲｳ①㈱髙", "plain"}) {
    SCOPED_TRACE(text);
    const std::string once = AnsiRepresentable(text);
    EXPECT_EQ(AnsiRepresentable(once), once);
    EXPECT_EQ(AnsiToUtf8(Utf8ToAnsi(once)), once);
  }
}

}  // namespace
}  // namespace mirel
