// Box: a control that owns an ordered list of children and a Layout that
// places them. HBox and VBox are boxes with a row or column layout.
//
//   auto box = std::make_unique<HBox>();
//   box->Add(std::make_unique<Control>());
//   box->Place(UiRect(0, 0, 600, 40));   // arranges the children
//
// A box also carries the handlers of layout `BubbledEvent` elements: when an
// event a child did not consume is passed up to the box, those for its kind
// and for "all" run before the box's own reaction. UI thread only.
#pragma once

#include <memory>
#include <vector>

#include "ui/control/control.h"
#include "ui/control/layout.h"

namespace ui {

class Box : public Control {
 public:
  explicit Box(std::unique_ptr<Layout> layout = nullptr);
  ~Box() override;

  Box* AsBox() override { return this; }
  Layout* GetLayout() const { return layout_.get(); }

  // --- Children (owned) ---
  bool Add(std::unique_ptr<Control> control);
  bool Insert(std::unique_ptr<Control> control, size_t index);
  // Deletes the child; false when it is not one.
  bool Remove(Control* control);
  bool RemoveAt(size_t index);
  void Clear();
  size_t Count() const { return items_.size(); }
  Control* GetAt(size_t index) const { return index < items_.size() ? items_[index] : nullptr; }
  const std::vector<Control*>& Items() const { return items_; }
  // The first control named `name` in this box's subtree (itself included).
  Control* FindSubControl(StringView name);

  bool ApplyAttribute(StringView name, StringView value) override;
  void SetWindow(Window* window, Box* parent) override;
  void SetHiddenByParent(bool hidden) override;
  void SetVisible(bool visible) override;
  void Place(const UiRect& rect) override;
  UiSize EstimateSize(UiSize available) override;
  void DrawChildren(IRenderContext* context, const UiRect& dirty) override;
  void ReleaseImages() override;
  Control* FindControl(const FindVisitor& visitor, const void* data, uint32_t flags) override;
  void HandleEvent(const EventArgs& args) override;

  void AddBubbledHandler(UiEventKind kind, EventHandler handler);
  bool IsMouseChildEnabled() const { return mouse_child_; }

 private:
  static const AttributeTable<Box>& Table();

  std::vector<Control*> items_;  // owned; raw so layouts see plain pointers
  std::unique_ptr<Layout> layout_;
  bool mouse_child_ = true;
  std::map<int, std::vector<EventHandler>> bubbled_handlers_;
};

class HBox : public Box {
 public:
  HBox() : Box(std::make_unique<HLayout>()) {}
};

class VBox : public Box {
 public:
  VBox() : Box(std::make_unique<VLayout>()) {}
};

// Shows one child at a time (`selectedid`).
class TabBox : public Box {
 public:
  bool ApplyAttribute(StringView name, StringView value) override;
  void SelectItem(int index);
  int GetSelected() const { return selected_; }

 private:
  int selected_ = -1;
};

// The drawn shadow around a window's root: padding = the shadow corner,
// background = the shadow image.
class ShadowBox : public Box {
 public:
  void Render(IRenderContext* context, const UiRect& dirty) override;
};

}  // namespace ui
