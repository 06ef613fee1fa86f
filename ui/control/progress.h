// Progress: a bar showing `value` between `min` and `max` as a filled colour
// and/or a foreground image over the background, horizontal (filling from
// the left) or vertical (filling from the bottom). It is a label, so it may
// show a text too. Tag `Progress`.
#pragma once

#include "ui/control/label.h"

namespace ui {

class Progress : public LabelTemplate<Control> {
 public:
  Progress();

  bool ApplyAttribute(StringView name, StringView value) override;

  void SetValue(double value);
  double GetValue() const { return value_; }
  int GetMin() const { return min_; }
  int GetMax() const { return max_; }
  bool IsHorizontal() const { return horizontal_; }

  // The filled part relative to the control's rectangle; clamps and stores
  // min/max/value first (max <= min becomes min + 1).
  virtual UiRect FilledPart();

  void DrawStateImages(IRenderContext* context) override;
  void ReleaseImages() override;

 private:
  static const AttributeTable<Progress>& Table();

  bool horizontal_ = true;
  int min_ = 0;
  int max_ = 100;
  double value_ = 0;
  ImageSpec progress_image_;
  bool stretch_fore_ = true;
  String progress_color_;
};

}  // namespace ui
