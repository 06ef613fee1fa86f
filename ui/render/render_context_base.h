// RenderContextBase: the state every backend keeps the same way (the drawing
// origin and whether the target is a per-pixel-alpha surface), so backends
// only implement what touches their system.
#pragma once

#include "ui/render/render_context.h"

namespace ui {

class RenderContextBase : public IRenderContext {
 public:
  bool IsTransparent() const override { return transparent_; }
  bool SetTransparent(bool transparent) override {
    bool old = transparent_;
    transparent_ = transparent;
    return old;
  }

  UiPoint OffsetOrigin(int dx, int dy) override {
    UiPoint old = origin_;
    origin_.x += dx;
    origin_.y += dy;
    return old;
  }
  UiPoint SetOrigin(int x, int y) override {
    UiPoint old = origin_;
    origin_ = {x, y};
    return old;
  }
  UiPoint GetOrigin() const override { return origin_; }

 protected:
  UiPoint origin_;
  bool transparent_ = false;
};

}  // namespace ui
