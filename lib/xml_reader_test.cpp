#include "lib/xml_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "lib/result_codes.h"
#include "lib/xml_scan.h"
#include "test_support.h"

namespace {

struct Item {
  XML_ITEM kind;
  std::string text;
  std::string attributes;
  bool operator==(const Item&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Item& item) {
  return out << "{" << item.kind << ", \"" << item.text << "\", \"" << item.attributes << "\"}";
}

// Every item of a document, up to and including the end or an overflow.
std::vector<Item> items_of(const std::string& document, std::size_t size = 4096, std::size_t attributes_size = 256) {
  TEXT_SOURCE source(document.c_str());
  XML_READER reader(&source);
  std::vector<Item> items;
  for (;;) {
    std::vector<char> buffer(size), attributes(attributes_size);
    XML_ITEM kind = reader.next_item(buffer.data(), buffer.size(), attributes.data(), attributes.size());
    bool has_text = kind == XML_ITEM_TAG || kind == XML_ITEM_TEXT || kind == XML_ITEM_CDATA;
    items.push_back({kind, has_text ? buffer.data() : "", kind == XML_ITEM_TAG ? attributes.data() : ""});
    if (!has_text) return items;
  }
}

// A reader positioned on the first tag of the document.
struct Positioned {
  explicit Positioned(const std::string& document) : text(document), source(text.c_str()), reader(&source) {
    reader.next_tag();
  }
  std::string text;
  TEXT_SOURCE source;
  XML_READER reader;
};

}  // namespace

TEST(XmlReader, NextItem) {
  using I = std::vector<Item>;
  const Item end{XML_ITEM_END, "", ""};
  struct {
    std::string document;
    I items;
  } cases[] = {
      {"", {end}},
      {"  \n\t ", {end}},
      {"<a>1</a>", {{XML_ITEM_TAG, "a", ""}, {XML_ITEM_TEXT, "1", ""}, {XML_ITEM_TAG, "/a", ""}, end}},
      {"<a>  x y \n</a>", {{XML_ITEM_TAG, "a", ""}, {XML_ITEM_TEXT, "x y", ""}, {XML_ITEM_TAG, "/a", ""}, end}},
      {"<venue name=\"home\">", {{XML_ITEM_TAG, "venue", "name=\"home\""}, end}},
      {"<x a=\"1\"/>", {{XML_ITEM_TAG, "x/", "a=\"1\""}, end}},
      {"<x  a = 1 >", {{XML_ITEM_TAG, "x", " a = 1 "}, end}},
      {"<?xml version=\"1.0\"?><r/>", {{XML_ITEM_TAG, "?xml", "version=\"1.0\"?"}, {XML_ITEM_TAG, "r/", ""}, end}},
      {"<!-- a -- comment --><a/>", {{XML_ITEM_TAG, "a/", ""}, end}},
      {"<!---->x<b>", {{XML_ITEM_TEXT, "x", ""}, {XML_ITEM_TAG, "b", ""}, end}},
      {"<!-- never closed", {end}},
      {"<![CDATA[ x &amp; <y> ]]><b>", {{XML_ITEM_CDATA, "x &amp; <y>", ""}, {XML_ITEM_TAG, "b", ""}, end}},
      {"<![CDATA[ no end", {end}},
      {"text without a tag", {end}},
      {"<a", {end}},
      {"<a>1\0<b>", {{XML_ITEM_TAG, "a", ""}, end}},
  };
  for (const auto& c : cases) EXPECT_EQ(items_of(c.document), c.items) << c.document;
}

TEST(XmlReader, NulByteEndsTheInputInBothModes) {
  std::string document("<a>1</a><b>\0<c>", 15);
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  std::fwrite(document.data(), 1, document.size(), file);
  std::rewind(file);
  TEXT_SOURCE source(file);
  XML_READER reader(&source);
  std::vector<std::string> tags;
  while (!reader.next_tag()) tags.push_back(reader.tag);
  std::fclose(file);
  EXPECT_EQ(tags, (std::vector<std::string>{"a", "1", "/a", "b"}));
}

TEST(XmlReader, OverflowsAreReportedAndNothingIsWrittenPastTheBuffer) {
  // Text of 7 bytes fits an 8-byte buffer; 8 bytes do not.
  EXPECT_EQ(items_of("<a>1234567</a>", 8)[1], (Item{XML_ITEM_TEXT, "1234567", ""}));
  EXPECT_EQ(items_of("<a>12345678</a>", 8)[1].kind, XML_ITEM_OVERFLOW);
  EXPECT_EQ(items_of("<abcdefgh>", 8)[0].kind, XML_ITEM_OVERFLOW);
  EXPECT_EQ(items_of("<abcdefg>", 8)[0], (Item{XML_ITEM_TAG, "abcdefg", ""}));
  // Attributes beyond their buffer are dropped without error.
  EXPECT_EQ(items_of("<a xyz=\"123456\">", 64, 5)[0], (Item{XML_ITEM_TAG, "a", "xyz="}));
  // A CDATA section keeps size - 9 bytes; its end beyond that is never seen.
  EXPECT_EQ(items_of("<![CDATA[abc]]>", 16)[0], (Item{XML_ITEM_CDATA, "abc", ""}));
  EXPECT_EQ(items_of("<![CDATA[abcdefghij]]><x>", 16)[0].kind, XML_ITEM_END);
}

TEST(XmlReader, ExpectRoot) {
  struct {
    const char* document;
    bool found;
  } cases[] = {
      {"<app_init_data>", true},
      {"<?xml version=\"1.0\"?>\n<!-- written by the client -->\n<app_init_data>", true},
      {"<app_init_data/>", false},
      {"<other>", false},
      {"text<app_init_data>", false},
      {"<?xml?><?xml?><app_init_data>", false},
      {"", false},
  };
  for (const auto& c : cases) {
    TEXT_SOURCE source(c.document);
    XML_READER reader(&source);
    EXPECT_EQ(reader.expect_root("app_init_data"), c.found) << c.document;
  }
}

TEST(XmlReader, TakeInt) {
  struct {
    const char* document;
    bool taken;
    std::int32_t value;
  } cases[] = {
      {"<a> 12 </a>", true, 12},
      {"<a>0x1A</a>", true, 26},
      {"<a>010</a>", true, 8},
      {"<a>-7</a>", true, -7},
      {"<a>-0x10</a>", true, -16},
      {"<a>12x</a>", false, 99},
      {"<a></a>", true, 0},
      {"<a/>", false, 99},
      {"<a>99999999999</a>", false, 99},
      {"<a>2147483647</a>", true, 2147483647},
      {"<a>-2147483648</a>", true, INT32_MIN},
      {"<a>1</b>", false, 99},
      {"<a>1", false, 99},
      {"<a><b>", false, 99},
      {"<b>1</b>", false, 99},
      {"<a><![CDATA[5]]></a>", true, 5},
  };
  for (const auto& c : cases) {
    Positioned p(c.document);
    std::int32_t value = 99;
    EXPECT_EQ(p.reader.take_int("a", value), c.taken) << c.document;
    EXPECT_EQ(value, c.value) << c.document;
  }
}

TEST(XmlReader, TakeDoubleAndUint64) {
  struct {
    const char* document;
    bool taken;
    double value;
  } doubles[] = {
      {"<d>2.5</d>", true, 2.5}, {"<d>-3.5e9</d>", true, -3.5e9}, {"<d>two</d>", false, 7},
      {"<d></d>", true, 0},      {"<d>1e999</d>", false, 7},      {"<d>1.5 x</d>", false, 7},
  };
  for (const auto& c : doubles) {
    Positioned p(c.document);
    double value = 7;
    EXPECT_EQ(p.reader.take_double("d", value), c.taken) << c.document;
    EXPECT_EQ(value, c.value) << c.document;
  }
  struct {
    const char* document;
    bool taken;
    std::uint64_t value;
  } integers[] = {
      {"<u>18446744073709551615</u>", true, UINT64_MAX},
      {"<u>0x10</u>", true, 16},
      {"<u>18446744073709551616</u>", false, 7},
      {"<u>-1</u>", false, 7},
  };
  for (const auto& c : integers) {
    Positioned p(c.document);
    std::uint64_t value = 7;
    EXPECT_EQ(p.reader.take_uint64("u", value), c.taken) << c.document;
    EXPECT_EQ(value, c.value) << c.document;
  }
}

TEST(XmlReader, TakeFlag) {
  struct {
    const char* document;
    bool taken;
    bool value;
    const char* next_tag;  // what the reader meets afterwards
  } cases[] = {
      {"<f/><n>", true, true, "n"},
      {"<f>0</f><n>", true, false, "n"},
      {"<f>2</f><n>", true, true, "n"},
      {"<f>99999999999999999999</f><n>", true, true, "n"},
      {"<f></f><n>", false, false, "n"},
      {"<f>yes</f><n>", false, false, "/f"},
      {"<g/><n>", false, false, "n"},
  };
  for (const auto& c : cases) {
    Positioned p(c.document);
    bool value = false;
    EXPECT_EQ(p.reader.take_flag("f", value), c.taken) << c.document;
    EXPECT_EQ(value, c.value) << c.document;
    p.reader.next_tag();
    EXPECT_STREQ(p.reader.tag, c.next_tag) << c.document;
  }
}

TEST(XmlReader, TakeText) {
  struct {
    const char* document;
    std::size_t size;
    bool taken;
    std::string value;
  } cases[] = {
      {"<t>a &amp;lt; b</t>", 256, true, "a &lt; b"},
      {"<t> <![CDATA[ x &amp; y ]]> </t>", 256, true, "x &amp; y"},
      {"<t/>", 256, true, ""},
      {"<t></t>", 256, true, ""},
      {"<t>v</u>", 256, false, "zzz"},
      {"<t><u>", 256, false, "zzz"},
      {"<t>1234</t>", 4, false, "zzz"},
  };
  for (const auto& c : cases) {
    Positioned p(c.document);
    std::vector<char> buffer(c.size, '\0');
    std::memcpy(buffer.data(), "zzz", std::min<std::size_t>(3, c.size - 1));
    EXPECT_EQ(p.reader.take_text("t", buffer.data(), buffer.size()), c.taken) << c.document;
    EXPECT_EQ(std::string(buffer.data()), c.value) << c.document;
  }
  // 255 bytes fit a 256-byte field; 256 do not.
  for (std::size_t length : {255u, 256u}) {
    Positioned p("<t>" + std::string(length, 'q') + "</t>");
    char field[256] = "old";
    EXPECT_EQ(p.reader.take_text("t", field), length == 255) << length;
    EXPECT_EQ(std::strlen(field), length == 255 ? 255u : 3u);
  }
}

TEST(XmlReader, TakeString) {
  Positioned p("<s> " + std::string(100000, 'w') + " &amp; </s>");
  std::string value;
  ASSERT_TRUE(p.reader.take_string("s", value));
  EXPECT_EQ(value, std::string(100000, 'w') + " &");
}

TEST(XmlReader, SkipElementMatchesNestedElementsOfTheSameName) {
  struct {
    const char* document;
    const char* after;
  } cases[] = {
      {"<u><u></u><v/>text</u><next>", "next"},
      {"<u><a><b>1</b></a><!-- </u> --></u><next>", "next"},
      {"<u><![CDATA[</u>]]></u><next>", "next"},
      {"<u/><next>", "next"},
      {"<u><x></u>", ""},
  };
  for (const auto& c : cases) {
    Positioned p(c.document);
    p.reader.skip_element(p.reader.tag, false, "test");
    bool ended = p.reader.next_tag();
    EXPECT_EQ(ended ? "" : std::string(p.reader.tag), c.after) << c.document;
  }
}

TEST(XmlReader, SkipElementSaysWhatItSkips) {
  Positioned p("<odd><x/></odd>");
  StderrCapture log;
  p.reader.skip_element(p.reader.tag, true, "caller_name");
  std::string text = log.text();
  EXPECT_NE(text.find(": Unrecognized XML tag '<odd>' in caller_name; skipping\n"), std::string::npos) << text;
}

TEST(XmlReader, DeepNestingEndsTheInputInsteadOfTheStack) {
  std::string document;
  for (int i = 0; i < 100000; ++i) document += "<d>";
  Positioned p(document);
  p.reader.skip_element(p.reader.tag, false, "test");
  EXPECT_TRUE(p.reader.next_tag());
}

TEST(DecodeEntities, Cases) {
  struct {
    const char* in;
    std::string out;
  } cases[] = {
      {"a &lt; b &gt; &quot;q&quot; &apos;s&apos; &amp;", "a < b > \"q\" 's' &"},
      {"&#65;&#x41;&#300;&#;&#6x;&#12", "A&#x41;&#300;&#;&#6x;&#12"},
      {"x&#xD;&#xd;&#xA;&#xa;y", "x\r\r\n\ny"},
      {"&LT;&unknown;&", "&LT;&unknown;&"},
      {"&amp;lt;", "&lt;"},
      {"ab&#0;cd", "ab"},
      {"&#255;", "\xff"},
  };
  for (const auto& c : cases) {
    std::string text = c.in;
    decode_entities(text.data());
    EXPECT_EQ(std::string(text.c_str()), c.out) << c.in;
  }
}

TEST(TrimSpaces, Cases) {
  struct {
    const char* in;
    const char* out;
  } cases[] = {{"  a b \r\n", "a b"}, {"", ""}, {" \t\v\f ", ""}, {"x", "x"}, {"\xa0x\xa0", "\xa0x\xa0"}};
  for (const auto& c : cases) {
    std::string text = c.in;
    trim_spaces(text.data());
    EXPECT_STREQ(text.c_str(), c.out) << c.in;
  }
}

TEST(XmlScan, FindFlagInText) {
  struct {
    const char* text;
    bool found;
    bool value;
  } cases[] = {
      {"<quit/>", true, true},      {"<quit />", true, true},   {"<quit>0</quit>", true, false},
      {"<quit>0x10</quit>", true, true}, {"<abort/>", false, false}, {"quit", false, false},
      {"<quit>99999999999</quit>", false, false},
  };
  for (const auto& c : cases) {
    bool value = false;
    EXPECT_EQ(find_flag_in_text(c.text, "quit", value), c.found) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
}

TEST(XmlScan, FindTextInText) {
  char buffer[8];
  // The text is cut before it is decoded.
  EXPECT_TRUE(find_text_in_text("<symstore> a&amp;b </symstore>", "<symstore>", buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "a&");
  EXPECT_TRUE(find_text_in_text("<s>a&amp;b</s>", "<s>", buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "a&b");
  EXPECT_TRUE(find_text_in_text("<symstore>0123456789</symstore>", "<symstore>", buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "0123456");
  EXPECT_FALSE(find_text_in_text("<symstore>no end", "<symstore>", buffer, sizeof buffer));
  EXPECT_FALSE(find_text_in_text("<other>x</other>", "<symstore>", buffer, sizeof buffer));
}

TEST(XmlScan, AttributeValue) {
  char buffer[5];
  attribute_value("name=\"home\"", "name", buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "home");
  attribute_value("id=\"1\" name=\"office\"", "name", buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "offi");
  attribute_value("name='home'", "name", buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "");
  attribute_value("", "name", buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "");
}

TEST(XmlScan, CopyElementRaw) {
  TEXT_SOURCE source("<p>\n<a>1</a>\n</p><next>");
  XML_READER reader(&source);
  reader.next_tag();
  std::optional<std::string> element;
  ASSERT_EQ(copy_element_raw(source, "p", element), 0);
  EXPECT_EQ(element, "<p>\n\n<a>1</a>\n</p>");
  reader.next_tag();
  EXPECT_STREQ(reader.tag, "next");

  TEXT_SOURCE cut("<p><a>1</a>");
  XML_READER cut_reader(&cut);
  cut_reader.next_tag();
  std::optional<std::string> untouched;
  EXPECT_EQ(copy_element_raw(cut, "p", untouched), RC_XML_UNEXPECTED);
  EXPECT_FALSE(untouched.has_value());
}
