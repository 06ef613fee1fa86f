// ui_bench: builds, lays out and paints a 600 x 400 window of about 40
// controls with text and nine-grid images, at 100 % and 150 %, and prints the
// milliseconds of one full layout + paint (median of several runs).
//
//   ui_bench THEME_DIR      (the test theme: tests/ui/theme)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ui/control/box.h"
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
  return 0;
}
