// The builder on the test theme and on hostile input: includes, cycles,
// non-box parents, and a fuzz-style run that must end in a clear result.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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

// Classes that name themselves end the build with a message naming the class:
// directly, in turn, through a window class, or through an applyattribute
// list that would run later. Before, each of these overflowed the stack.
TEST(BuilderTest, ClassCyclesAreBuildErrorsNamingTheClass) {
  auto& rm = ResourceManager::Get();
  rm.AddClass(u"g_self", u"class=\"g_self\"");
  rm.AddClass(u"g_a", u"width=\"4\" class=\"g_b\"");
  rm.AddClass(u"g_b", u"class=\"g_c\"");
  rm.AddClass(u"g_c", u"height=\"2\" class=\"g_a\"");
  const String window_class = u"<Class name=\"w\" value=\"class=&quot;w2&quot;\"/>"
                              u"<Class name=\"w2\" value=\"class=&quot;w&quot;\"/>";
  struct Case {
    String xml;
    String named;
  } cases[] = {
      {u"<Window><Box class=\"g_self\"/></Window>", u"g_self"},
      {u"<Window><Box><Control class=\"ok g_a\"/></Box></Window>", u"g_a"},
      {u"<Window>" + window_class + u"<Box/></Window>", u"w"},
      {u"<Window><Box name=\"b\"><Event type=\"buttondown\" receiver=\"b\" "
       u"applyattribute=\"width=&quot;1&quot; class=&quot;g_b&quot;\"/></Box></Window>",
       u"g_b"},
  };
  for (const Case& c : cases) {
    BuiltWindow w;
    EXPECT_FALSE(w.Build(c.xml, 10, 10)) << ToUTF8(c.xml);
    EXPECT_NE(w.builder.ErrorMessage().find(u"Class \"" + c.named + u"\" names itself"), String::npos)
        << ToUTF8(w.builder.ErrorMessage());
  }

  // A class whose expansion explodes (each naming the next ten times) is
  // refused the same way, and the fine classes still apply.
  for (int i = 0; i < 6; ++i) {
    String next = u"g_fan" + U(std::to_string(i + 1));
    String list = u"class=\"";
    for (int k = 0; k < 10; ++k) list += next + (k < 9 ? u" " : u"");
    rm.AddClass(u"g_fan" + U(std::to_string(i)), list + u"\"");
  }
  BuiltWindow fan;
  EXPECT_FALSE(fan.Build(u"<Window><Box class=\"g_fan0\"/></Window>", 10, 10));
  EXPECT_NE(fan.builder.ErrorMessage().find(u"too many classes"), String::npos);

  // At run time (a class table changed after the build) the class is
  // refused, not followed.
  Control c;
  c.ApplyAttributeList(u"class=\"g_c\" width=\"9\"");
  EXPECT_EQ(c.FixedWidth(), 9);
  EXPECT_EQ(c.FixedHeight(), kSizeStretch);
}

TEST_F(ThemeBuilderTest, IncludeFanOutEndsWithAMessage) {
  // Four levels of count="100": 10^8 loads without a bound.
  const std::string dir = ::testing::TempDir() + "include_fan_out/";
  std::filesystem::create_directories(dir);
  for (int level = 1; level <= 4; ++level) {
    std::ofstream(dir + "f" + std::to_string(level) + ".xml")
        << (level < 4 ? "<Window><Include source=\"f" + std::to_string(level + 1) + ".xml\" count=\"100\"/></Window>"
                      : std::string("<Window><Box/></Window>"));
  }
  ResourceManager::Get().SetResourceRoot(U(dir));
  BuiltWindow w;
  EXPECT_FALSE(w.Build(u"<Window><VBox><Include source=\"f1.xml\" count=\"100\"/></VBox></Window>", 10, 10));
  EXPECT_EQ(w.builder.ErrorMessage(), u"Too many included layouts (more than 1000 in one build)");
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
