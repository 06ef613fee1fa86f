#include "tools/layout/accessibility_text.h"

#include "ui/accessibility/accessible_tree.h"

namespace lumacast_layout {

namespace {

constexpr std::pair<uint32_t, const char*> kStateNames[] = {
    {ui::kAccessibleFocusable, "focusable"}, {ui::kAccessibleFocused, "focused"},
    {ui::kAccessibleCheckable, "checkable"}, {ui::kAccessibleChecked, "checked"},
    {ui::kAccessibleDisabled, "disabled"},   {ui::kAccessibleInvisible, "invisible"},
    {ui::kAccessibleReadOnly, "read-only"},  {ui::kAccessibleDefault, "default"},
    {ui::kAccessibleMultiLine, "multi-line"},
};

std::string Quoted(const ui::String& text) {
  std::string out = "\"";
  for (char c : ui::ToUTF8(text)) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') out += "\\n";
    else if (c != '\r') out += c;
  }
  return out + "\"";
}

void AppendNode(ui::AccessibleTree* tree, int id, int depth, std::string* out) {
  ui::AccessibleInfo info;
  if (!tree->Describe(id, &info)) return;
  out->append(static_cast<size_t>(depth) * 2, ' ');
  *out += ui::AccessibleRoleName(id == ui::kAccessibleRootId ? tree->RootRole() : info.role);
  *out += " " + Quoted(info.name);
  std::string states;
  for (const auto& [flag, name] : kStateNames)
    if (info.states & flag) states += std::string(states.empty() ? "" : ",") + name;
  if (!states.empty()) *out += " [" + states + "]";
  if (info.has_value) *out += " value " + Quoted(info.value);
  if (info.has_range)
    *out += " range " + std::to_string(static_cast<long long>(info.minimum)) + ".." +
            std::to_string(static_cast<long long>(info.maximum));
  if (!info.action.empty()) *out += " action " + Quoted(info.action);
  if (!info.description.empty()) *out += " description " + Quoted(info.description);
  *out += "\n";
  for (int child : tree->Children(id)) AppendNode(tree, child, depth + 1, out);
}

}  // namespace

std::string AccessibilityText(ui::AccessibleTree* tree) {
  std::string out;
  if (tree) AppendNode(tree, ui::kAccessibleRootId, 0, &out);
  return out;
}

}  // namespace lumacast_layout
