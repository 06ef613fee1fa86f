#include "ui/core/focus_order.h"

#include <algorithm>

#include "ui/control/box.h"
#include "ui/control/button.h"
#include "ui/control/control.h"

namespace ui {

namespace {

bool IsTabStop(Control* control) {
  if (!dynamic_cast<Button*>(control) && !dynamic_cast<ButtonBox*>(control)) return false;
  return control->IsEnabled() && control->IsKeyboardEnabled() && !control->IsNoFocus() &&
         !control->GetRect().IsEmpty();
}

void Collect(Control* control, std::vector<Control*>* stops) {
  if (!control || !control->IsVisible()) return;
  if (IsTabStop(control)) stops->push_back(control);
  if (Box* box = control->AsBox())
    for (Control* child : box->Items()) Collect(child, stops);
}

int CenterY(const Control* c) { return (c->GetRect().top + c->GetRect().bottom) / 2; }

}  // namespace

std::vector<Control*> TabStops(Control* root) {
  std::vector<Control*> stops;
  Collect(root, &stops);
  // Tree order breaks ties, so equal positions keep the layout's order.
  std::stable_sort(stops.begin(), stops.end(),
                   [](const Control* a, const Control* b) { return CenterY(a) < CenterY(b); });
  std::vector<Control*> ordered;
  size_t row_begin = 0;
  while (row_begin < stops.size()) {
    int row_top = stops[row_begin]->GetRect().top, row_bottom = stops[row_begin]->GetRect().bottom;
    size_t row_end = row_begin + 1;
    while (row_end < stops.size() && CenterY(stops[row_end]) < row_bottom) {
      row_top = std::min(row_top, stops[row_end]->GetRect().top);
      row_bottom = std::max(row_bottom, stops[row_end]->GetRect().bottom);
      ++row_end;
    }
    std::vector<Control*> row(stops.begin() + static_cast<long>(row_begin), stops.begin() + static_cast<long>(row_end));
    std::stable_sort(row.begin(), row.end(),
                     [](const Control* a, const Control* b) { return a->GetRect().left < b->GetRect().left; });
    ordered.insert(ordered.end(), row.begin(), row.end());
    row_begin = row_end;
  }
  return ordered;
}

Control* NextTabStop(Control* root, Control* current, bool backwards) {
  std::vector<Control*> stops = TabStops(root);
  if (stops.empty()) return nullptr;
  auto it = std::find(stops.begin(), stops.end(), current);
  if (it == stops.end()) return backwards ? stops.back() : stops.front();
  const size_t index = static_cast<size_t>(it - stops.begin());
  const size_t n = stops.size();
  return stops[backwards ? (index + n - 1) % n : (index + 1) % n];
}

}  // namespace ui
