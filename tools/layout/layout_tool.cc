// lumacast-layout: builds one layout of a theme off-screen and writes its
// picture and geometry, so that designers and tests can look at a layout
// without running the installer.
//
//   lumacast-layout [--theme DIR|ZIP] [--scale PERCENT] [--show NAME]...
//                   [--hide NAME]... [--png FILE] [--geometry FILE]
//                   [--accessibility FILE] LAYOUT
//
// --accessibility writes the tree assistive technology sees (names, roles,
// states, values; "-" for standard output). With --window the live window
// also serves it to screen readers and automation, as the installer does.
//
// Exit status: 0 done, 1 bad command line or an output that cannot be
// written, 2 the layout (or the theme's global.xml) does not load; standard
// error then holds the file, the parser's message and its location, and
// nothing is written.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tools/layout/accessibility_text.h"
#include "tools/layout/embedded_theme.h"
#include "tools/layout/geometry_json.h"
#include "tools/layout/window_mode.h"
#include "ui/accessibility/accessible_tree.h"
#include "ui/control/box.h"
#include "ui/core/dpi_scale.h"
#include "ui/core/layout_builder.h"
#include "ui/core/read_file.h"
#include "ui/core/resource_manager.h"
#include "ui/core/window.h"
#include "ui/render/image.h"
#include "ui/render/render_context.h"

namespace {

struct Options {
  std::string theme;
  int scale = 100;
  std::vector<std::pair<std::string, bool>> visibility;  // name, visible
  std::string png;
  std::string geometry;
  std::string accessibility;
  std::string layout;
  bool window = false;                  // --window: a live window (window_mode.h)
  std::vector<std::string> print_text;  // --print-text NAME
};

int Usage(const char* message) {
  std::fprintf(stderr,
               "lumacast-layout: %s\n"
               "usage: lumacast-layout [--theme DIR|ZIP] [--scale PERCENT] [--show NAME]... [--hide NAME]...\n"
               "                       [--png FILE] [--geometry FILE] [--accessibility FILE]\n"
               "                       [--window [--print-text NAME]...] LAYOUT\n",
               message);
  return 1;
}

bool ParseOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    std::string v;
    if (arg == "--theme") {
      if (!value(&o->theme)) return false;
    } else if (arg == "--scale") {
      if (!value(&v)) return false;
      o->scale = std::atoi(v.c_str());
      if (o->scale < 25 || o->scale > 500) return false;
    } else if (arg == "--show" || arg == "--hide") {
      if (!value(&v)) return false;
      o->visibility.emplace_back(v, arg == "--show");
    } else if (arg == "--png") {
      if (!value(&o->png)) return false;
    } else if (arg == "--geometry") {
      if (!value(&o->geometry)) return false;
    } else if (arg == "--accessibility") {
      if (!value(&o->accessibility)) return false;
    } else if (arg == "--window") {
      o->window = true;
    } else if (arg == "--print-text") {
      if (!value(&v)) return false;
      o->print_text.push_back(v);
    } else if (arg.size() > 1 && arg[0] == '-') {
      return false;
    } else if (o->layout.empty()) {
      o->layout = arg;
    } else {
      return false;
    }
  }
  return !o->layout.empty();
}

bool IsDirectory(const std::string& path) {
  std::string probe = path + "/global.xml";
  if (std::FILE* f = std::fopen(probe.c_str(), "rb")) {
    std::fclose(f);
    return true;
  }
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return true;  // not a readable file: treat as a folder (files then fail to open)
  // A zip starts with "PK".
  char magic[2] = {0, 0};
  bool zip = std::fread(magic, 1, 2, f) == 2 && magic[0] == 'P' && magic[1] == 'K';
  std::fclose(f);
  return !zip;
}

// Opens the theme: a folder, a zip of one DPI-class folder, or the embedded
// archive with the DPI class chosen from the scale.
bool OpenTheme(const Options& o) {
  auto& rm = ui::ResourceManager::Get();
  if (o.theme.empty()) {
    const void* data = nullptr;
    size_t size = 0;
    if (!lumacast_layout::EmbeddedTheme(&data, &size) || !rm.OpenThemeZip(data, size)) {
      std::fprintf(stderr, "lumacast-layout: the program carries no theme; use --theme\n");
      return false;
    }
    // The folder start-up would take on a screen of this scale.
    const int dpi = ui::DpiScale::MulDivRounded(o.scale, 96, 100);
    rm.SetResourceRoot(u"resources/themes/" + ui::String(ui::ThemeClassForDpi(dpi)) + u"/");
    return true;
  }
  if (IsDirectory(o.theme)) {
    rm.SetResourceRoot(ui::U(o.theme + "/"));
    return true;
  }
  if (!rm.OpenThemeZipFile(ui::U(o.theme))) {
    std::fprintf(stderr, "lumacast-layout: %s is not a theme archive\n", o.theme.c_str());
    return false;
  }
  rm.SetResourceRoot(u"");
  return true;
}

// The error location on one line.
std::string OneLine(const ui::String& text) {
  std::string out;
  for (char c : ui::ToUTF8(text)) {
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else out += c;
  }
  return out;
}

void ReportBuildError(const std::string& layout, const ui::LayoutBuilder& builder) {
  std::string file = builder.ErrorFile().empty() ? layout : ui::ToUTF8(builder.ErrorFile());
  std::string message = ui::ToUTF8(builder.ErrorMessage());
  if (message.empty()) message = "Layout has no controls";
  std::fprintf(stderr, "%s: %s at \"%s\"\n", file.c_str(), message.c_str(),
               OneLine(builder.ErrorLocation()).c_str());
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  if (path == "-") return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

int Run(const Options& o) {
  ui::DpiScale::Get().SetForTesting(true, o.scale);
  if (!OpenTheme(o)) return 2;
  auto& rm = ui::ResourceManager::Get();

  // The theme's fonts, colours and classes (a theme may have none).
  {
    ui::Window global_window;
    ui::LayoutBuilder global;
    global.Build(u"global.xml", {}, &global_window, nullptr, nullptr);
    if (!global.ErrorMessage().empty() && global.ErrorMessage() != u"Error opening file") {
      ReportBuildError("global.xml", global);
      return 2;
    }
  }

  if (o.window) {
    lumacast_layout::WindowModeOptions window_options;
    window_options.layout = o.layout;
    window_options.visibility = o.visibility;
    window_options.print_text = o.print_text;
    window_options.geometry = o.geometry;
    window_options.accessibility = o.accessibility;
    return lumacast_layout::RunWindowMode(window_options);
  }

  ui::Window window;
  const ui::String layout = ui::U(o.layout);
  size_t slash = layout.find_last_of(u"/\\");
  window.SetResourcePath(slash == ui::String::npos ? ui::String() : layout.substr(0, slash + 1));
  ui::LayoutBuilder builder;
  ui::Control* built = builder.Build(layout, {}, &window, nullptr, nullptr);
  if (!built) {
    ReportBuildError(o.layout, builder);
    return 2;
  }
  std::unique_ptr<ui::Control> root(built);
  window.SetRootControl(window.WrapInShadow(std::move(root)));

  for (const auto& [name, visible] : o.visibility) {
    ui::Control* control = window.LocateControl(ui::U(name));
    if (!control) {
      std::fprintf(stderr, "%s: no control named \"%s\"\n", o.layout.c_str(), name.c_str());
      return 2;
    }
    control->SetVisible(visible);
  }

  ui::UiSize size = window.InitialClientSize();
  if (size.cx <= 0 || size.cy <= 0 || !ui::IsValidRenderTargetSize(size.cx, size.cy)) {
    std::fprintf(stderr, "%s: the window has no usable size (%d x %d)\n", o.layout.c_str(), size.cx, size.cy);
    return 2;
  }
  window.Arrange(ui::UiRect(0, 0, size.cx, size.cy));

  std::string png_bytes;
  if (!o.png.empty()) {
    auto context = rm.GetRenderFactory()->CreateRenderContext();
    context->Resize(size.cx, size.cy);
    window.Paint(context.get(), ui::UiRect(0, 0, size.cx, size.cy));
    if (!ui::EncodePng(context->Bits(), size.cx, size.cy, &png_bytes)) {
      std::fprintf(stderr, "lumacast-layout: the picture could not be encoded\n");
      return 1;
    }
  }
  std::string json;
  if (!o.geometry.empty()) {
    ui::Control* layout_root = built;  // inside the shadow box, if any
    json = lumacast_layout::GeometryJson(size, layout_root);
  }
  if (!o.png.empty() && !WriteFile(o.png, png_bytes)) {
    std::fprintf(stderr, "lumacast-layout: cannot write %s\n", o.png.c_str());
    return 1;
  }
  if (!o.geometry.empty() && !WriteFile(o.geometry, json)) {
    std::fprintf(stderr, "lumacast-layout: cannot write %s\n", o.geometry.c_str());
    return 1;
  }
  if (!o.accessibility.empty()) {
    ui::AccessibleTree* tree = window.EnsureAccessibleTree();
    tree->SetRootName(window.Attributes().caption_text);
    if (!WriteFile(o.accessibility, lumacast_layout::AccessibilityText(tree))) {
      std::fprintf(stderr, "lumacast-layout: cannot write %s\n", o.accessibility.c_str());
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) return Usage("bad command line");
  int status = Run(options);
  std::fflush(stdout);
  return status;
}
