// CheckBoxTemplate<T>: a button with a selected flag that toggles on
// activation (raising select or unselect, never click), drawn with a second
// set of colours, images and a text colour while selected.
// OptionTemplate<T>: a radio option; the options of one group in one window
// exclude each other. Tags `CheckBox`, `CheckBoxBox`, `Option`, `OptionBox`.
#pragma once

#include "ui/control/button.h"

namespace ui {

template <class T>
class CheckBoxTemplate : public ButtonTemplate<T> {
 public:
  bool ApplyAttribute(StringView name, StringView value) override {
    return Table().Apply(*this, name, value) || ButtonTemplate<T>::ApplyAttribute(name, value);
  }

  bool IsSelected() const { return selected_; }
  virtual void Selected(bool selected, bool raise_event) {
    if (selected_ == selected) return;
    selected_ = selected;
    NotifyAccessibility(this, AccessibleEvent::kState);
    if (this->window_ && raise_event)
      this->window_->NotifyControl(this, selected ? kEventSelect : kEventUnselect);
    this->RequestRepaint();
  }

  void Trigger() override {
    if (!this->IsVisible() || !this->IsEnabled()) return;
    Selected(!selected_, true);
  }

  void DrawStateColor(IRenderContext* context) override {
    if (!selected_) return ButtonTemplate<T>::DrawStateColor(context);
    ArgbColor color = this->ColorOf(Control::PickStateColor(selected_colors_, this->state_));
    if (color) context->FillColor(this->paint_rect_, color);
  }

  void DrawStateImages(IRenderContext* context) override {
    if (!selected_) return ButtonTemplate<T>::DrawStateImages(context);
    this->DrawStateImageSet(context, selected_images_);
    this->DrawStateImageSet(context, selected_fore_images_);
  }

  void DrawLabelText(IRenderContext* context) override {
    if (!selected_) return ButtonTemplate<T>::DrawLabelText(context);
    String colors[kControlStateCount];
    const String& normal = selected_text_color_.empty() ? this->text_colors_[kControlStateNormal]
                                                        : selected_text_color_;
    for (auto& c : colors) c = normal;
    colors[kControlStateDisabled] = this->text_colors_[kControlStateDisabled];
    if (colors[kControlStateDisabled].empty()) colors[kControlStateDisabled] = normal;
    this->DrawText(context, colors);
  }

 protected:
  const ImageSpec* EstimateImage() override {
    if (const ImageSpec* image = ButtonTemplate<T>::EstimateImage()) return image;
    for (int s = 0; s < kControlStateCount; ++s)
      if (selected_images_.Has(static_cast<ControlState>(s))) return &selected_images_.images[s];
    return nullptr;
  }

  bool selected_ = false;
  String selected_text_color_;
  String selected_colors_[kControlStateCount];
  StateImageSet selected_images_;
  StateImageSet selected_fore_images_;

 private:
  static const AttributeTable<CheckBoxTemplate>& Table() {
    using C = CheckBoxTemplate;
    static const AttributeTable<CheckBoxTemplate> table({
        {u"selected", [](C& c, StringView v) { c.Selected(IsTrueValue(v), true); }},
        {u"selectednormalimage", [](C& c, StringView v) { c.SetStateImage(c.selected_images_, kControlStateNormal, v); }},
        {u"selectedhotimage", [](C& c, StringView v) { c.SetStateImage(c.selected_images_, kControlStateHot, v); }},
        {u"selectedpushedimage", [](C& c, StringView v) { c.SetStateImage(c.selected_images_, kControlStatePushed, v); }},
        {u"selecteddisabledimage", [](C& c, StringView v) { c.SetStateImage(c.selected_images_, kControlStateDisabled, v); }},
        {u"selectedforenormalimage", [](C& c, StringView v) { c.SetStateImage(c.selected_fore_images_, kControlStateNormal, v); }},
        {u"selectedforehotimage", [](C& c, StringView v) { c.SetStateImage(c.selected_fore_images_, kControlStateHot, v); }},
        {u"selectedforepushedimage", [](C& c, StringView v) { c.SetStateImage(c.selected_fore_images_, kControlStatePushed, v); }},
        {u"selectedforedisabledimage", [](C& c, StringView v) { c.SetStateImage(c.selected_fore_images_, kControlStateDisabled, v); }},
        {u"selectedtextcolor", [](C& c, StringView v) { c.selected_text_color_ = String(v); c.RequestRepaint(); }},
        {u"selectednormalcolor", [](C& c, StringView v) { c.selected_colors_[kControlStateNormal] = String(v); }},
        {u"selectedhotcolor", [](C& c, StringView v) { c.selected_colors_[kControlStateHot] = String(v); }},
        {u"selectedpushedcolor", [](C& c, StringView v) { c.selected_colors_[kControlStatePushed] = String(v); }},
        {u"selecteddisabledcolor", [](C& c, StringView v) { c.selected_colors_[kControlStateDisabled] = String(v); }},
    });
    return table;
  }
};

// What an option is to the others of its group, whatever it is built on:
// Option and OptionBox are different template instances, so the group's
// exclusion goes through this one interface and reaches both kinds.
class GroupOption {
 public:
  virtual void Selected(bool selected, bool raise_event) = 0;

 protected:
  ~GroupOption() = default;
};

template <class T>
class OptionTemplate : public CheckBoxTemplate<T>, public GroupOption {
 public:
  ~OptionTemplate() override {
    if (this->window_ && !group_.empty()) this->window_->LeaveGroup(group_, this);
  }

  bool ApplyAttribute(StringView name, StringView value) override {
    if (name == u"group") {
      SetGroup(value);
      return true;
    }
    return CheckBoxTemplate<T>::ApplyAttribute(name, value);
  }

  const String& GetGroup() const { return group_; }
  void SetGroup(StringView group) {
    if (this->window_ && !group_.empty()) this->window_->LeaveGroup(group_, this);
    group_ = String(group);
    if (this->window_ && !group_.empty()) this->window_->JoinGroup(group_, this);
    Selected(this->selected_, false);
  }

  void SetWindow(Window* window, Box* parent) override {
    CheckBoxTemplate<T>::SetWindow(window, parent);
    if (window && !group_.empty()) window->JoinGroup(group_, this);
  }

  void Trigger() override {
    if (!this->IsVisible() || !this->IsEnabled()) return;
    UiPoint point = this->window_ ? this->window_->LastMousePoint() : UiPoint();
    this->RaiseEvent(kEventClick, 0, 0, 0, point);
    Selected(true, true);
  }

  // No unchanged-value shortcut: selecting again re-applies the group.
  void Selected(bool selected, bool raise_event) override {
    const bool changed = this->selected_ != selected;
    this->selected_ = selected;
    if (changed) NotifyAccessibility(this, AccessibleEvent::kState);
    if (selected) {
      if (this->window_ && !group_.empty()) {
        for (Control* other : this->window_->GetGroup(group_)) {
          if (other == this) continue;
          if (auto* option = dynamic_cast<GroupOption*>(other)) option->Selected(false, raise_event);
        }
      }
      if (raise_event) this->RaiseEvent(kEventSelect);
    } else if (this->window_) {
      this->window_->NotifyControl(this, kEventUnselect);
    }
    this->RequestRepaint();
  }

 private:
  String group_;
};

using CheckBox = CheckBoxTemplate<Control>;
using CheckBoxBox = CheckBoxTemplate<Box>;
using Option = OptionTemplate<Control>;
using OptionBox = OptionTemplate<Box>;

}  // namespace ui
