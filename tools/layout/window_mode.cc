#include "tools/layout/window_mode.h"

#include <cstdio>
#include <map>

#include "base/message_loop.h"
#include "tools/layout/accessibility_text.h"
#include "tools/layout/geometry_json.h"
#include "ui/accessibility/accessible_tree.h"
#include "ui/control/box.h"
#include "ui/control/label.h"
#include "ui/control/rich_edit.h"
#include "ui/core/window_impl_base.h"

namespace lumacast_layout {

namespace {

// The text of a control that shows one, or false.
bool ControlText(ui::Control* control, ui::String* text) {
  if (auto* label = dynamic_cast<ui::Label*>(control)) *text = label->GetText();
  else if (auto* label_box = dynamic_cast<ui::LabelBox*>(control)) *text = label_box->GetText();
  else if (auto* edit = dynamic_cast<ui::RichEdit*>(control)) *text = edit->GetText();
  else return false;
  return true;
}

void PrintLine(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// `text` to standard output ("-") or to a file, written whole and then
// renamed: a reader never sees half a file.
void WriteWhole(const std::string& target, const std::string& text) {
  if (target == "-") {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
    return;
  }
  std::string temp = target + ".part";
  if (std::FILE* f = std::fopen(temp.c_str(), "wb")) {
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (std::fclose(f) == 0 && ok) std::rename(temp.c_str(), target.c_str());
  }
}

const char* EventName(ui::AccessibleEvent event) {
  switch (event) {
    case ui::AccessibleEvent::kFocus: return "focus";
    case ui::AccessibleEvent::kState: return "state";
    case ui::AccessibleEvent::kValue: return "value";
    case ui::AccessibleEvent::kName: return "name";
    case ui::AccessibleEvent::kShow: return "show";
    case ui::AccessibleEvent::kHide: return "hide";
    case ui::AccessibleEvent::kReorder: return "reorder";
  }
  return "?";
}

// Prints every change the window's tree reports, with the node as it reads
// now (the first line of its --accessibility description).
class AccessiblePrinter : public ui::AccessibleObserver {
 public:
  explicit AccessiblePrinter(ui::Window* window) : window_(window) {}
  void OnAccessibleEvent(ui::AccessibleEvent event, int id) override {
    ui::AccessibleTree* tree = window_->GetAccessibleTree();
    ui::AccessibleInfo info;
    if (!tree || !tree->Describe(id, &info)) return;
    const ui::AccessibleRole role = id == ui::kAccessibleRootId ? tree->RootRole() : info.role;
    PrintLine(std::string("accessible ") + EventName(event) + " " + ui::AccessibleRoleName(role) + " " +
              ui::ToUTF8(info.name) + (info.has_value ? " = " + ui::ToUTF8(info.value) : std::string()));
  }

 private:
  ui::Window* window_;
};

class LayoutWindow : public ui::WindowImplBase {
 public:
  LayoutWindow(const WindowModeOptions& options, nbase::MessageLoop* loop) : options_(options), loop_(loop) {
    const ui::String layout = ui::U(options.layout);
    size_t slash = layout.find_last_of(u"/\\");
    folder_ = slash == ui::String::npos ? ui::String() : layout.substr(0, slash);
    file_ = slash == ui::String::npos ? layout : layout.substr(slash + 1);
  }

  bool setup_failed() const { return setup_failed_; }

 protected:
  ui::String ClassName() const override { return u"LumaCastLayoutWindow"; }
  ui::String LayoutFolder() const override { return folder_; }
  ui::String LayoutFile() const override { return file_; }

  void OnLayoutBuilt() override {
    for (const auto& [name, visible] : options_.visibility) {
      ui::Control* control = LocateControl(ui::U(name));
      if (!control) {
        std::fprintf(stderr, "%s: no control named \"%s\"\n", options_.layout.c_str(), name.c_str());
        setup_failed_ = true;
        continue;
      }
      control->SetVisible(visible);
    }
    layout_root_ = GetRoot();
    if (layout_root_ && layout_root_->GetTag() == u"ShadowBox" && layout_root_->AsBox()->Count() > 0)
      layout_root_ = layout_root_->AsBox()->Items()[0];
    HookEvents(GetRoot());
    for (const std::string& name : options_.print_text) {
      ui::String text;
      if (ControlText(LocateControl(ui::U(name)), &text)) texts_[name] = text;
    }
  }

  void OnFirstLayout() override {
    ui::WindowImplBase::OnFirstLayout();
    if (!options_.geometry.empty()) {
      const ui::UiRect rect = Native()->GetScreenRect();
      WriteWhole(options_.geometry, GeometryJson(ui::UiSize{rect.Width(), rect.Height()}, layout_root_));
    }
    if (!options_.accessibility.empty()) {
      ui::AccessibleTree* tree = OnNativeAccessibleTree();
      WriteWhole(options_.accessibility, AccessibilityText(tree));
      tree->AddObserver(&accessible_printer_);
    }
  }

  // Text changes show up as repaints (labels) or follow input (text boxes).
  void OnInvalidate(const ui::UiRect& rect) override {
    ui::WindowImplBase::OnInvalidate(rect);
    CheckTexts();
  }
  void OnNativeKey(ui::KeyAction action, uint32_t key, uint32_t modifiers) override {
    ui::WindowImplBase::OnNativeKey(action, key, modifiers);
    CheckTexts();
  }
  void OnNativeChar(char16_t ch) override {
    ui::WindowImplBase::OnNativeChar(ch);
    CheckTexts();
  }

  void OnNativeGone() override {
    if (ui::AccessibleTree* tree = GetAccessibleTree()) tree->RemoveObserver(&accessible_printer_);
    loop_->QuitWhenIdle();
    ui::WindowImplBase::OnNativeGone();
  }

 private:
  void HookEvents(ui::Control* control) {
    if (!control) return;
    control->AddHandler(ui::kEventAll, [control](const ui::EventArgs& args) {
      PrintLine("event " + std::to_string(static_cast<int>(args.type)) + " " + ui::ToUTF8(control->GetName()));
      return true;
    });
    if (ui::Box* box = control->AsBox())
      for (ui::Control* child : box->Items()) HookEvents(child);
  }

  void CheckTexts() {
    for (auto& [name, last] : texts_) {
      ui::String text;
      if (!ControlText(LocateControl(ui::U(name)), &text) || text == last) continue;
      last = text;
      PrintLine("text " + name + " " + ui::ToUTF8(text));
    }
  }

  AccessiblePrinter accessible_printer_{this};
  const WindowModeOptions options_;
  nbase::MessageLoop* loop_;
  ui::String folder_;
  ui::String file_;
  ui::Control* layout_root_ = nullptr;
  bool setup_failed_ = false;
  std::map<std::string, ui::String> texts_;
};

}  // namespace

int RunWindowMode(const WindowModeOptions& options) {
  nbase::UIMessageLoop loop;
  auto* window = new LayoutWindow(options, &loop);
  if (!window->CreateNative(nullptr, ui::U(options.title))) {
    delete window;
    return 2;
  }
  if (window->setup_failed()) {
    delete window;
    return 2;
  }
  window->CenterOnOwner();
  window->Show(true, true);
  loop.Run();
  return 0;
}

}  // namespace lumacast_layout
