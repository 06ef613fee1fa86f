// ButtonTemplate<T>: a label that is activated by the mouse (button up
// inside) or the keyboard (Space or Enter while it has the focus) and then
// raises click (41) to its handlers. Tags `Button` and `ButtonBox`.
#pragma once

#include "ui/control/label.h"
#include "ui/core/window.h"

namespace ui {

template <class T>
class ButtonTemplate : public LabelTemplate<T> {
 public:
  ButtonTemplate() { this->text_style_ = kButtonTextStyle; }

  void Trigger() override {
    if (!this->IsVisible() || !this->IsEnabled()) return;
    UiPoint point = this->window_ ? this->window_->LastMousePoint() : UiPoint();
    this->RaiseEvent(kEventClick, 0, 0, 0, point);
  }

  void OnEvent(const EventArgs& args) override {
    if (args.type == kEventKeyDown && this->IsKeyboardEnabled() && (args.key == u' ' || args.key == u'\r')) {
      Trigger();
      return;
    }
    if (args.type == kEventInternalMenu) {
      if (this->context_menu_ && this->window_)
        this->window_->NotifyControl(this, kEventMenu, args.wparam, args.lparam);
      return;
    }
    LabelTemplate<T>::OnEvent(args);
  }
};

using Button = ButtonTemplate<Control>;
using ButtonBox = ButtonTemplate<Box>;

}  // namespace ui
