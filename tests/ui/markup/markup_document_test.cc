// The layout reader: accepted syntax, decoding, limits and every error text.
#include "ui/core/markup_document.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace ui {
namespace {

struct ErrorCase {
  const char* text;
  const char* message;
  const char* location;
};

TEST(MarkupDocumentTest, EveryParseErrorHasItsMessageAndLocation) {
  const ErrorCase cases[] = {
      {"<A b='1'/>", "Expected attribute value", "'1'/>"},
      {"<A b=\"1\"", "Expected start-tag closing", ""},
      {"<A b=\"1", "Error while parsing attribute string", "1"},
      {"<A b>", "Error while parsing attributes", ">"},
      {"<A =\"1\"/>", "Error while parsing attributes", "=\"1\"/>"},
      {"<A><B/></C>", "Unmatched closing tag", "</C>"},
      {"<A><B/></A x>", "Unmatched closing tag", "</A x>"},
      {"<A>text<B/>more</A>", "Expected start tag", "more</A>"},
      {"hello", "Expected start tag", "hello"},
      {"<Abc", "Error parsing element name", "Abc"},
      {"<A b=\"1\" x", "Error while parsing attributes", ""},
      {"<A/ >", "Expected start-tag closing", "/ >"},
      {"<A><B><C>", "Expected end-tag start", ""},
      {"<A><B><C/>", "Expected start tag", ""},
      {"<!-- never closed <A/>", "Unterminated comment or declaration", "<!-- never closed <A/>"},
      {"<A/><?xml version", "Unterminated processing instruction", "<?xml version"},
      {"\xff\xfe<A/>", "Invalid UTF-8 text", ""},
  };
  for (const auto& c : cases) {
    MarkupDocument doc;
    EXPECT_FALSE(doc.LoadFromUtf8(c.text, true)) << c.text;
    EXPECT_EQ(doc.ErrorMessage(), U(c.message)) << c.text;
    EXPECT_EQ(doc.ErrorLocation(), U(c.location)) << c.text;
    EXPECT_FALSE(doc.Root().IsValid()) << c.text;
  }
}

TEST(MarkupDocumentTest, LocationIsCutTo49Units) {
  MarkupDocument doc;
  EXPECT_FALSE(doc.LoadFromText(u"<A><B/>" + String(100, u'x') + u"</A>"));
  EXPECT_EQ(doc.ErrorLocation().size(), 49u);
  // Messages are reset by the next parse.
  EXPECT_TRUE(doc.LoadFromText(u"<A/>"));
  EXPECT_TRUE(doc.ErrorMessage().empty());
  EXPECT_TRUE(doc.ErrorLocation().empty());
}

TEST(MarkupDocumentTest, TreeTextAndLenientEnds) {
  MarkupDocument doc;
  ASSERT_TRUE(doc.LoadFromText(
      u"<?xml version=\"1.0\"?>\n<!-- a comment -->\n<Window a=\"1\">hi &amp; there<Box/>"
      u"<!-- between --><HBox name=\"x\" ><Label/></HBox ></Window>"));
  MarkupNode root = doc.Root();
  EXPECT_EQ(root.Name(), u"Window");
  EXPECT_EQ(root.Text(), u"hi & there");
  MarkupNode box = root.FirstChild();
  EXPECT_EQ(box.Name(), u"Box");
  MarkupNode hbox = box.NextSibling();
  EXPECT_EQ(hbox.Name(), u"HBox");
  EXPECT_EQ(hbox.FirstChild().Name(), u"Label");
  EXPECT_EQ(hbox.FirstChild().Parent().Index(), hbox.Index());
  EXPECT_FALSE(hbox.NextSibling().IsValid());
  // The text may end after the root or directly below it.
  EXPECT_TRUE(doc.LoadFromText(u"<A><B>"));
  EXPECT_EQ(doc.ElementCount(), 2u);
  EXPECT_TRUE(doc.LoadFromText(u"  \n "));
  EXPECT_FALSE(doc.Root().IsValid());
}

TEST(MarkupDocumentTest, ValuesDecodeEntitiesAndKeepWhitespace) {
  MarkupDocument doc;
  ASSERT_TRUE(doc.LoadFromText(
      u"<A value=\"a &amp;&lt;b&gt; &x; &quot;q&quot;\" t=\"&apos;\tx\n  y\" e=\"\"/>"));
  MarkupNode a = doc.Root();
  String v;
  EXPECT_TRUE(a.GetAttributeValue(u"value", &v));
  EXPECT_EQ(v, u"a &<b> &x; \"q\"");
  EXPECT_EQ(a.AttributeValue(1), u"'\tx\n  y");
  EXPECT_TRUE(a.GetAttributeValue(u"e", &v));
  EXPECT_TRUE(v.empty());
  EXPECT_FALSE(a.GetAttributeValue(u"Value", &v));  // names are case-sensitive
  EXPECT_TRUE(a.AttributeName(7).empty());
  EXPECT_TRUE(a.AttributeValue(-1).empty());

  doc.SetPreserveWhitespace(false);
  ASSERT_TRUE(doc.LoadFromText(u"<A v=\"a  \t b\"/>"));
  EXPECT_EQ(doc.Root().AttributeValue(0), u"a b");
}

TEST(MarkupDocumentTest, AttributeLimits) {
  String text = u"<A";
  for (int i = 0; i < 70; ++i) text += u" a" + U(std::to_string(i)) + u"=\"" + U(std::to_string(i)) + u"\"";
  text += u" long=\"" + String(600, u'z') + u"\"/>";
  MarkupDocument doc;
  ASSERT_TRUE(doc.LoadFromText(text));
  MarkupNode a = doc.Root();
  EXPECT_EQ(a.AttributeCount(), 64);
  EXPECT_EQ(a.AttributeName(63), u"a63");
  String v;
  EXPECT_FALSE(a.GetAttributeValue(u"a64", &v));

  ASSERT_TRUE(doc.LoadFromText(u"<A long=\"" + String(600, u'z') + u"\"/>"));
  EXPECT_TRUE(doc.Root().GetAttributeValue(u"long", &v));
  EXPECT_EQ(v.size(), 499u);
  EXPECT_TRUE(doc.Root().GetFullAttributeValue(u"long", &v));
  EXPECT_EQ(v.size(), 600u);
}

TEST(MarkupDocumentTest, NestingIsLimited) {
  String ok, deep;
  for (int i = 0; i < 200; ++i) ok += u"<a>";
  for (int i = 0; i < 200; ++i) ok += u"</a>";
  MarkupDocument doc;
  EXPECT_TRUE(doc.LoadFromText(ok));
  for (int i = 0; i < 300; ++i) deep += u"<a>";
  EXPECT_FALSE(doc.LoadFromText(deep));
  EXPECT_EQ(doc.ErrorMessage(), u"Elements nested too deeply");
}

class MarkupFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::path(LUMACAST_BINARY_DIR) / "markup_file_test";
    std::filesystem::create_directories(dir_);
  }
  String Write(const char* name, const std::string& bytes) {
    auto path = dir_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return FromUTF8(path.string());
  }
  std::filesystem::path dir_;
};

TEST_F(MarkupFileTest, FileErrorsAndByteOrderMark) {
  MarkupDocument doc;
  EXPECT_TRUE(doc.LoadFromFile(Write("bom.xml", "\xEF\xBB\xBF<Window size=\"600,400\"/>")));
  EXPECT_EQ(doc.Root().Name(), u"Window");
  // The same bytes as text keep the mark and fail.
  EXPECT_FALSE(doc.LoadFromUtf8("\xEF\xBB\xBF<Window/>", false));
  EXPECT_EQ(doc.ErrorMessage(), u"Expected start tag");

  EXPECT_FALSE(doc.LoadFromFile(FromUTF8((dir_ / "missing.xml").string())));
  EXPECT_EQ(doc.ErrorMessage(), u"Error opening file");
  EXPECT_TRUE(doc.ErrorLocation().empty());
  EXPECT_FALSE(doc.LoadFromFile(Write("empty.xml", "")));
  EXPECT_EQ(doc.ErrorMessage(), u"File is empty");

  std::string big = "<A/>" + std::string(MarkupDocument::kMaxFileSize - 4, ' ');
  EXPECT_TRUE(doc.LoadFromFile(Write("max.xml", big)));
  EXPECT_FALSE(doc.LoadFromFile(Write("over.xml", big + " ")));
  EXPECT_EQ(doc.ErrorMessage(), u"File too large");
}

}  // namespace
}  // namespace ui
