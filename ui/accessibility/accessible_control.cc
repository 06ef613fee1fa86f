#include "ui/accessibility/accessible_control.h"

#include <cmath>

#include "ui/control/check_box.h"
#include "ui/control/progress.h"
#include "ui/control/rich_edit.h"

namespace ui {

namespace {

// The text a label-like control shows, or null.
const String* ShownText(Control* control) {
  if (auto* label = dynamic_cast<Label*>(control)) return &label->GetText();
  if (auto* label_box = dynamic_cast<LabelBox*>(control)) return &label_box->GetText();
  return nullptr;
}

// The check box (or option) state, or false for other controls.
bool IsCheckedControl(Control* control, bool* checked) {
  if (auto* box = dynamic_cast<CheckBox*>(control)) *checked = box->IsSelected();
  else if (auto* box_box = dynamic_cast<CheckBoxBox*>(control)) *checked = box_box->IsSelected();
  else return false;
  return true;
}

AccessibleRole RoleOfKind(Control* control) {
  if (dynamic_cast<Progress*>(control)) return AccessibleRole::kProgressBar;
  if (dynamic_cast<RichEdit*>(control)) return AccessibleRole::kText;
  if (dynamic_cast<Option*>(control) || dynamic_cast<OptionBox*>(control)) return AccessibleRole::kRadioButton;
  if (dynamic_cast<CheckBox*>(control) || dynamic_cast<CheckBoxBox*>(control)) return AccessibleRole::kCheckBox;
  if (dynamic_cast<Button*>(control) || dynamic_cast<ButtonBox*>(control)) return AccessibleRole::kPushButton;
  const String* text = ShownText(control);
  if (text && !text->empty()) return AccessibleRole::kLabel;
  // A control that is only a picture or a box counts once its layout names it.
  if (!control->GetAccessibleName().empty()) return control->AsBox() ? AccessibleRole::kGroup : AccessibleRole::kGraphic;
  return AccessibleRole::kNone;
}

void DescribeValue(Control* control, AccessibleRole role, AccessibleInfo* info) {
  if (role == AccessibleRole::kProgressBar) {
    if (auto* progress = dynamic_cast<Progress*>(control)) {
      info->has_range = true;
      info->minimum = progress->GetMin();
      info->maximum = progress->GetMax() > progress->GetMin() ? progress->GetMax() : progress->GetMin() + 1;
      info->current = std::fmin(std::fmax(progress->GetValue(), info->minimum), info->maximum);
      const double percent = (info->current - info->minimum) * 100.0 / (info->maximum - info->minimum);
      info->has_value = true;
      info->value = U(std::to_string(static_cast<int>(std::lround(percent))) + "%");
    }
  } else if (role == AccessibleRole::kText) {
    if (auto* edit = dynamic_cast<RichEdit*>(control)) {
      info->has_value = true;
      // A password is never read out.
      if (!edit->IsPassword()) info->value = edit->GetText();
    }
  }
}

}  // namespace

AccessibleRole RoleOfControl(Control* control) {
  if (!control) return AccessibleRole::kNone;
  if (control->HasAccessibleRole()) return control->GetAccessibleRole();
  return RoleOfKind(control);
}

bool IsFocusableRole(AccessibleRole role) {
  switch (role) {
    case AccessibleRole::kPushButton:
    case AccessibleRole::kLink:
    case AccessibleRole::kCheckBox:
    case AccessibleRole::kRadioButton:
    case AccessibleRole::kText:
      return true;
    default:
      return false;
  }
}

void DescribeControl(Control* control, AccessibleRole role, AccessibleInfo* info) {
  info->role = role;
  // Name: the layout's, else the shown text (an edit box's text is its
  // value, not its name), else the tooltip.
  info->name = control->GetAccessibleName();
  if (info->name.empty() && role != AccessibleRole::kText)
    if (const String* text = ShownText(control)) info->name = *text;
  if (info->name.empty()) info->name = control->GetToolTipText();
  else if (control->GetToolTipText() != info->name) info->description = control->GetToolTipText();

  uint32_t states = 0;
  // Focusable: could take the focus now (a disabled control cannot).
  if (IsFocusableRole(role) && !control->IsNoFocus() && control->IsEnabled()) states |= kAccessibleFocusable;
  if (!control->IsEnabled()) states |= kAccessibleDisabled;
  if (!control->IsVisible()) states |= kAccessibleInvisible;
  if (control->GetState() == kControlStateHot) states |= kAccessibleHot;
  if (control->GetState() == kControlStatePushed) states |= kAccessiblePressed;
  bool checked = false;
  if (IsCheckedControl(control, &checked)) {
    states |= kAccessibleCheckable;
    if (checked) states |= kAccessibleChecked;
  }
  if (role == AccessibleRole::kLabel) states |= kAccessibleReadOnly;
  if (auto* edit = dynamic_cast<RichEdit*>(control)) {
    if (edit->IsReadOnly() || !edit->IsEnabled()) states |= kAccessibleReadOnly;
    if (edit->IsMultiLine()) states |= kAccessibleMultiLine;
  }
  info->states = states;

  DescribeValue(control, role, info);
  info->bounds = control->GetRect();

  switch (role) {
    case AccessibleRole::kPushButton: info->action = u"Press"; break;
    case AccessibleRole::kLink: info->action = u"Jump"; break;
    case AccessibleRole::kCheckBox:
    case AccessibleRole::kRadioButton: info->action = checked ? u"Uncheck" : u"Check"; break;
    default: info->action.clear(); break;
  }
  // A role given by the layout to something that does not act has no action.
  if (!info->action.empty() && !dynamic_cast<Button*>(control) && !dynamic_cast<ButtonBox*>(control))
    info->action.clear();
}

}  // namespace ui
