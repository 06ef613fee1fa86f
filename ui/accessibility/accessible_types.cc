#include "ui/accessibility/accessible_types.h"

namespace ui {

namespace {

struct RoleEntry {
  AccessibleRole role;
  const char* name;
  const char16_t* word;
};

constexpr RoleEntry kRoles[] = {
    {AccessibleRole::kNone, "none", u"none"},
    {AccessibleRole::kWindow, "window", u"window"},
    {AccessibleRole::kDialog, "dialog", u"dialog"},
    {AccessibleRole::kLabel, "label", u"label"},
    {AccessibleRole::kPushButton, "push button", u"pushbutton"},
    {AccessibleRole::kLink, "link", u"link"},
    {AccessibleRole::kCheckBox, "check box", u"checkbox"},
    {AccessibleRole::kRadioButton, "radio button", u"radiobutton"},
    {AccessibleRole::kProgressBar, "progress bar", u"progressbar"},
    {AccessibleRole::kText, "text", u"text"},
    {AccessibleRole::kGroup, "group", u"group"},
    {AccessibleRole::kGraphic, "graphic", u"graphic"},
};

const RoleEntry& EntryOf(AccessibleRole role) {
  for (const RoleEntry& entry : kRoles)
    if (entry.role == role) return entry;
  return kRoles[0];
}

}  // namespace

const char* AccessibleRoleName(AccessibleRole role) { return EntryOf(role).name; }

const char16_t* AccessibleRoleWord(AccessibleRole role) { return EntryOf(role).word; }

bool ParseAccessibleRole(StringView word, AccessibleRole* role) {
  for (const RoleEntry& entry : kRoles) {
    if (word == entry.word) {
      *role = entry.role;
      return true;
    }
  }
  return false;
}

}  // namespace ui
