#include "tools/layout/geometry_json.h"

#include <cstdio>
#include <vector>

#include "ui/control/box.h"

namespace lumacast_layout {

namespace {

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

void Walk(ui::Control* control, int parent, std::vector<std::string>* items) {
  const ui::UiRect& r = control->GetRect();
  int index = static_cast<int>(items->size());
  char numbers[160];
  std::snprintf(numbers, sizeof numbers, "\"parent\": %d, \"x\": %d, \"y\": %d, \"width\": %d, \"height\": %d", parent,
                r.left, r.top, r.Width(), r.Height());
  items->push_back("{\"name\": " + Quoted(ui::ToUTF8(control->GetName())) +
                   ", \"type\": " + Quoted(ui::ToUTF8(control->GetTag())) + ", " + numbers +
                   ", \"visible\": " + (control->IsVisible() ? "true" : "false") + "}");
  if (ui::Box* box = control->AsBox())
    for (ui::Control* child : box->Items()) Walk(child, index, items);
}

}  // namespace

std::string GeometryJson(const ui::UiSize& window, ui::Control* root) {
  std::vector<std::string> items;
  if (root) Walk(root, -1, &items);
  char head[96];
  std::snprintf(head, sizeof head, "{\"window\": {\"width\": %d, \"height\": %d}, \"controls\": [", window.cx,
                window.cy);
  std::string out = head;
  for (size_t i = 0; i < items.size(); ++i) out += (i ? ",\n  " : "\n  ") + items[i];
  out += items.empty() ? "]}\n" : "\n]}\n";
  return out;
}

}  // namespace lumacast_layout
