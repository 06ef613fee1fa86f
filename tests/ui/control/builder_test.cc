// The builder on the test theme and on hostile input: includes, cycles,
// non-box parents, and a fuzz-style run that must end in a clear result.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/ui/control/ui_test_support.h"
#include "ui/core/resource_manager.h"

namespace ui {
namespace {

using testing::BuiltWindow;

class ThemeBuilderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResourceManager::Get().CloseThemeZip();
    ResourceManager::Get().SetResourceRoot(U(LUMACAST_SOURCE_DIR "/tests/ui/theme/"));
  }
};

TEST_F(ThemeBuilderTest, IncludeCountAddsControlsRepeatedly) {
  BuiltWindow w;
  ASSERT_TRUE(w.Build(u"layouts/include.xml", 100, 100));
  Box* root = w.root->AsBox();
  ASSERT_EQ(root->Count(), 3u);
  EXPECT_EQ(root->GetAt(2)->GetRect(), UiRect(0, 24, 100, 34));
}

TEST_F(ThemeBuilderTest, FailuresCarryFileMessageAndLocation) {
  BuiltWindow broken;
  EXPECT_FALSE(broken.Build(u"layouts/broken.xml", 10, 10));
  EXPECT_EQ(broken.builder.ErrorFile(), u"layouts/broken.xml");
  EXPECT_EQ(broken.builder.ErrorMessage(), u"Unmatched closing tag");
  EXPECT_EQ(broken.builder.ErrorLocation().substr(0, 7), u"</HBox>");

  BuiltWindow self;
  EXPECT_FALSE(self.Build(u"layouts/self_include.xml", 10, 10));
  EXPECT_EQ(self.builder.ErrorMessage(), u"Layout includes itself");

  BuiltWindow missing;
  EXPECT_FALSE(missing.Build(u"layouts/none.xml", 10, 10));
  EXPECT_EQ(missing.builder.ErrorMessage(), u"Error opening file");

  BuiltWindow not_box;
  EXPECT_FALSE(not_box.Build(u"<Window><Box><Label><Control/></Label></Box></Window>", 10, 10));
  EXPECT_EQ(not_box.builder.ErrorMessage(), u"Child element under a control that is not a box");
}

TEST(BuilderTest, UnknownTagsSkipTheirSubtreeAndCallbacksCreate) {
  Window window;
  LayoutBuilder builder;
  ControlFactoryCallback factory = [](const String& tag) -> std::unique_ptr<Control> {
    return tag == u"Custom" ? std::make_unique<Control>() : nullptr;
  };
  Control* root = builder.Build(u"<Window><VBox><Nope><Control name=\"lost\"/></Nope><Custom name=\"mine\"/></VBox></Window>",
                                factory, &window, nullptr, nullptr);
  ASSERT_TRUE(root);
  window.SetRootControl(std::unique_ptr<Control>(root));
  EXPECT_EQ(window.LocateControl(u"lost"), nullptr);
  ASSERT_NE(window.LocateControl(u"mine"), nullptr);
  EXPECT_EQ(window.LocateControl(u"mine")->GetTag(), u"Custom");
}

TEST(BuilderTest, SeventyAttributesOnlySixtyFourApplied) {
  String xml = u"<Window><Box><Control";
  for (int i = 0; i < 63; ++i) xml += u" x" + U(std::to_string(i)) + u"=\"1\"";
  xml += u" name=\"n\" width=\"5\"";  // 64th and 65th
  xml += u"/></Box></Window>";
  BuiltWindow w;
  ASSERT_TRUE(w.Build(xml, 100, 100));
  Control* c = w.Find("n");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->FixedWidth(), kSizeStretch);
}

TEST(BuilderTest, UserBoxTakesTheFirstControlsPlace) {
  Window window;
  VBox user;
  LayoutBuilder builder;
  Control* root = builder.Build(u"<Window><HBox name=\"u\" padding=\"1,2,3,4\"><Control/><Control/></HBox></Window>",
                                {}, &window, nullptr, &user);
  EXPECT_EQ(root, &user);
  EXPECT_EQ(user.GetName(), u"u");
  EXPECT_EQ(user.Count(), 2u);
  EXPECT_EQ(user.GetLayout()->GetPadding(), UiRect(1, 2, 3, 4));
  user.Clear();
}

// Hostile input: every case ends in a result (a tree or a message), never a
// crash, a hang or unbounded growth.
TEST(BuilderFuzzTest, HostileLayoutsEndInAClearResult) {
  std::vector<std::string> cases = {
      std::string(5000, '<'),
      "<Window><VBox>" + std::string(100000, ' ') + "<",
      std::string("<Window><VBox>") + std::string(1000, '\0') + "</VBox></Window>",
      "<Window>\xc3\x28</Window>",
      "<Window><VBox a=\"\xed\xa0\x80\"/></Window>",
      "<Window><Include source=\"x\" count=\"999999999\"/></Window>",
      "<Window><VBox><Event type=\"click all nonsense\" receiver=\"./x ../y\" applyattribute=\"a=&quot;\"/></VBox></Window>",
  };
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "<VBox>";
  cases.push_back("<Window>" + deep);
  std::string wide = "<Window><HBox>";
  for (int i = 0; i < 20000; ++i) wide += "<Control width=\"1\" height=\"1\" a=\"1\" b=\"2\"/>";
  cases.push_back(wide + "</HBox></Window>");
  std::string many_attrs = "<Window><Control";
  for (int i = 0; i < 50000; ++i) many_attrs += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
  cases.push_back(many_attrs + "/></Window>");

  // Truncations and byte flips of a real layout.
  std::string base =
      "<?xml version=\"1.0\"?><!-- c --><Window size=\"600,400\"><Class name=\"k\" value=\"width=&quot;3&quot;\"/>"
      "<VBox class=\"k\" padding=\"1,2,3,4\"><HBox height=\"30\"><Button text=\"a&amp;b\" width=\"auto\"/>"
      "<Label text=\"x\" align=\"center\"/></HBox><Progress value=\"50\"/><Option group=\"g\" selected=\"true\"/>"
      "</VBox></Window>";
  for (size_t cut = 0; cut < base.size(); cut += 3) cases.push_back(base.substr(0, cut));
  std::mt19937 random(12345);
  for (int i = 0; i < 300; ++i) {
    std::string flipped = base;
    for (int k = 0; k < 4; ++k) flipped[random() % flipped.size()] = static_cast<char>(random() % 256);
    cases.push_back(flipped);
  }

  int built = 0, failed = 0;
  for (const std::string& bytes : cases) {
    MarkupDocument doc;
    bool parsed = doc.LoadFromUtf8(bytes, true);
    if (!parsed) {
      EXPECT_FALSE(doc.ErrorMessage().empty());
      ++failed;
      continue;
    }
    String text = FromUTF8(bytes);
    if (text.empty() || text[0] != u'<') continue;
    Window window;
    LayoutBuilder builder;
    Control* root = builder.Build(text, {}, &window, nullptr, nullptr);
    if (root) {
      window.SetRootControl(std::unique_ptr<Control>(root));
      window.Arrange(UiRect(0, 0, 600, 400));
      ++built;
    } else if (!builder.ErrorMessage().empty()) {
      ++failed;
    }
  }
  EXPECT_GT(built, 0);
  EXPECT_GT(failed, 0);
}

}  // namespace
}  // namespace ui
