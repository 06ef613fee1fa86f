// Builds a layout from text into an off-screen window for control tests.
#pragma once

#include <memory>

#include "ui/control/box.h"
#include "ui/core/dpi_scale.h"
#include "ui/core/layout_builder.h"
#include "ui/core/window.h"

namespace ui::testing {

struct BuiltWindow {
  std::unique_ptr<Window> window = std::make_unique<Window>();
  LayoutBuilder builder;
  Control* root = nullptr;

  // Builds `xml`, makes it the root and arranges it in width x height.
  bool Build(StringView xml, int width, int height) {
    DpiScale::Get().SetForTesting(true, 100);
    root = builder.Build(xml, {}, window.get(), nullptr, nullptr);
    if (!root) return false;
    window->SetRootControl(std::unique_ptr<Control>(root));
    window->Arrange(UiRect(0, 0, width, height));
    return true;
  }
  Control* Find(const char* name) { return window->LocateControl(U(name)); }
  UiRect RectOf(const char* name) {
    Control* c = Find(name);
    return c ? c->GetRect() : UiRect(-1, -1, -1, -1);
  }
};

}  // namespace ui::testing
