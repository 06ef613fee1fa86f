// ui_bench: builds, lays out and paints a 600 x 400 window of about 40
// controls with text and nine-grid images, at 100 % and 150 %, and prints the
// milliseconds of one full layout + paint (median of several runs); then
// lays out a text box's 32,767 characters of unbroken text (the longest an
// edit takes) at 300 pixels and prints the measuring calls, the characters
// measured and the milliseconds of one layout.
//
//   ui_bench THEME_DIR      (the test theme: tests/ui/theme)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ui/control/box.h"
#include "ui/control/text_layout.h"
#include "ui/core/dpi_scale.h"
#include "ui/core/layout_builder.h"
#include "ui/core/resource_manager.h"
#include "ui/core/window.h"
#include "ui/render/render_context.h"

namespace {

ui::String BenchLayout() {
  std::string xml = "<Window size=\"600,400\" shadowattached=\"false\"><VBox bkcolor=\"bk\" padding=\"8,8,8,8\">";
  for (int row = 0; row < 8; ++row) {
    xml += "<HBox height=\"40\" childmargin=\"6\">";
    xml += "<Label text=\"Row " + std::to_string(row) + " of the benchmark window\" width=\"stretch\" height=\"30\"/>";
    xml += "<Button class=\"btn_blue\" text=\"Install\" width=\"90\" height=\"30\"/>";
    xml += "<Button class=\"btn_blue\" text=\"Cancel\" width=\"90\" height=\"30\"/>";
    xml += "<CheckBox class=\"check\" text=\"Agree\" width=\"80\" selected=\"true\"/>";
    xml += "<Progress bkimage=\"../public/progress_bg.png\" progressimage=\"../public/progress_fg.png\" value=\"60\" width=\"80\" height=\"6\" valign=\"center\"/>";
    xml += "</HBox>";
  }
  xml += "</VBox></Window>";
  return ui::FromUTF8(xml);
}

double RunOnce(int scale) {
  ui::DpiScale::Get().SetForTesting(true, scale);
  auto& rm = ui::ResourceManager::Get();
  rm.ClearFonts();
  ui::Window global_window;
  ui::LayoutBuilder global;
  global.Build(u"global.xml", {}, &global_window, nullptr, nullptr);

  auto start = std::chrono::steady_clock::now();
  ui::Window window;
  window.SetResourcePath(u"layouts/");
  ui::LayoutBuilder builder;
  ui::Control* root = builder.Build(BenchLayout(), {}, &window, nullptr, nullptr);
  if (!root) return -1;
  window.SetRootControl(std::unique_ptr<ui::Control>(root));
  ui::UiSize size = window.InitialClientSize();
  window.Arrange(ui::UiRect(0, 0, size.cx, size.cy));
  auto context = rm.GetRenderFactory()->CreateRenderContext();
  context->Resize(size.cx, size.cy);
  window.Paint(context.get(), ui::UiRect(0, 0, size.cx, size.cy));
  auto end = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::milli>(end - start).count();
}

// Counts what the layout asks of the real measurer.
class CountingMeasurer : public ui::TextMeasurer {
 public:
  explicit CountingMeasurer(ui::TextMeasurer* inner) : inner_(inner) {}
  int Width(ui::StringView text) override {
    ++calls;
    characters += static_cast<long long>(text.size());
    return inner_->Width(text);
  }
  int LineHeight() override { return inner_->LineHeight(); }
  long long calls = 0;
  long long characters = 0;

 private:
  ui::TextMeasurer* inner_;
};

void BenchLongText() {
  ui::DpiScale::Get().SetForTesting(true, 100);
  auto context = ui::ResourceManager::Get().GetRenderFactory()->CreateRenderContext();
  context->Resize(16, 16);
  ui::RenderTextMeasurer real(context.get(), 0);
  const ui::String text(32767, u'x');
  std::vector<double> runs;
  CountingMeasurer counted(&real);
  size_t lines = 0;
  for (int i = 0; i < 5; ++i) {
    counted.calls = counted.characters = 0;
    auto start = std::chrono::steady_clock::now();
    ui::TextLayout layout;
    layout.Build(text, 300, counted);
    runs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    lines = layout.Lines().size();
  }
  std::sort(runs.begin(), runs.end());
  std::printf("ui_bench: text layout of 32767 unbroken characters at 300 px: %zu lines, %lld measuring calls, "
              "%lld characters measured, %.2f ms (median of 5)\n",
              lines, counted.calls, counted.characters, runs[runs.size() / 2]);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: ui_bench THEME_DIR\n");
    return 1;
  }
  ui::ResourceManager::Get().SetResourceRoot(ui::U(std::string(argv[1]) + "/"));
  for (int scale : {100, 150}) {
    RunOnce(scale);  // warm: images decoded and cached, fonts loaded
    std::vector<double> runs;
    for (int i = 0; i < 15; ++i) runs.push_back(RunOnce(scale));
    std::sort(runs.begin(), runs.end());
    std::printf("ui_bench: build + layout + paint of 40 controls at 600x400 x %d %%: %.2f ms (median of 15)\n",
                scale, runs[runs.size() / 2]);
  }
  BenchLongText();
  return 0;
}
