#include "ui/accessibility/accessible_window_atk.h"

#include <algorithm>

#include "ui/accessibility/accessible_node_atk.h"
#include "ui/core/native_window.h"

namespace ui {

AtkWindowAdapter::AtkWindowAdapter(NativeWindow* native, NativeWindowDelegate* delegate)
    : native_(native), delegate_(delegate) {}

AtkWindowAdapter::~AtkWindowAdapter() {
  if (tree_) tree_->RemoveObserver(this);
  for (auto& [id, known] : known_) {
    if (!known.object) continue;
    DetachAtkNode(known.object);
    g_object_unref(known.object);
  }
}

AccessibleTree* AtkWindowAdapter::Tree() {
  if (!tree_) {
    tree_ = delegate_->OnNativeAccessibleTree();
    if (tree_) tree_->AddObserver(this);
  }
  return tree_;
}

AtkObject* AtkWindowAdapter::ObjectFor(int id) {
  auto it = known_.find(id);
  if (it != known_.end() && it->second.object) return it->second.object;
  AccessibleTree* tree = Tree();
  AccessibleInfo info;
  if (!tree || !tree->Describe(id, &info)) return nullptr;
  AtkObject* object = NewAtkNode(this, id, info.role);
  known_[id].object = object;
  return object;
}

AtkObject* AtkWindowAdapter::KnownObject(int id) const {
  auto it = known_.find(id);
  return it == known_.end() ? nullptr : it->second.object;
}

UiPoint AtkWindowAdapter::ScreenOrigin() const {
  const UiRect rect = native_->GetScreenRect();
  return UiPoint{rect.left, rect.top};
}

void AtkWindowAdapter::SetActive(bool active) {
  if (active_ == active) return;
  active_ = active;
  AtkObject* root = KnownObject(kAccessibleRootId);
  if (!root) return;
  atk_object_notify_state_change(root, ATK_STATE_ACTIVE, active);
  g_signal_emit_by_name(root, active ? "activate" : "deactivate");
}

void AtkWindowAdapter::NoteStates(int id, uint32_t states) {
  Known& known = known_[id];
  known.has_states = true;
  known.states = states;
}

void AtkWindowAdapter::NoteChildren(int id, const std::vector<int>& children) {
  Known& known = known_[id];
  known.has_children = true;
  known.children = children;
}

void AtkWindowAdapter::SyncStates(int id) {
  auto it = known_.find(id);
  // Nobody has seen the node: a client reads its states when it comes.
  if (it == known_.end() || !it->second.object || !it->second.has_states) return;
  AccessibleInfo info;
  if (!tree_ || !tree_->Describe(id, &info)) return;
  const uint32_t before = it->second.states;
  it->second.states = info.states;
  NotifyAtkStateChanges(it->second.object, before, info.states);
}

void AtkWindowAdapter::SyncChildren(int id) {
  auto it = known_.find(id);
  if (it == known_.end() || !it->second.object || !it->second.has_children || !tree_) return;
  AtkObject* parent = it->second.object;
  const std::vector<int> before = it->second.children;
  const std::vector<int> after = tree_->Children(id);
  it->second.children = after;
  for (size_t i = before.size(); i-- > 0;) {
    if (std::find(after.begin(), after.end(), before[i]) != after.end()) continue;
    // A client can only hold an object it has been given; a deleted
    // control's node has none to make.
    if (AtkObject* gone = KnownObject(before[i]))
      g_signal_emit_by_name(parent, "children-changed::remove", static_cast<guint>(i), gone);
  }
  for (size_t i = 0; i < after.size(); ++i) {
    if (std::find(before.begin(), before.end(), after[i]) != before.end()) continue;
    if (AtkObject* child = ObjectFor(after[i]))
      g_signal_emit_by_name(parent, "children-changed::add", static_cast<guint>(i), child);
  }
}

void AtkWindowAdapter::OnAccessibleEvent(AccessibleEvent event, int id) {
  switch (event) {
    case AccessibleEvent::kFocus:
      // The focus left whatever had it; the tree has already moved it.
      for (auto& [other, known] : known_)
        if (other != id && known.has_states && (known.states & kAccessibleFocused)) SyncStates(other);
      if (known_.count(id) && known_[id].has_states) {
        SyncStates(id);
      } else if (AtkObject* object = ObjectFor(id)) {
        // Told even when no client has looked at the node yet.
        AccessibleInfo info;
        tree_->Describe(id, &info);
        NoteStates(id, info.states);
        atk_object_notify_state_change(object, ATK_STATE_FOCUSED, TRUE);
      }
      break;
    case AccessibleEvent::kState: SyncStates(id); break;
    case AccessibleEvent::kValue:
      if (AtkObject* object = ObjectFor(id)) {
        AccessibleInfo info;
        tree_->Describe(id, &info);
        g_object_notify(G_OBJECT(object), "accessible-value");
        if (ATK_IS_VALUE(object))
          g_signal_emit_by_name(object, "value-changed", info.current, ToUTF8(info.value).c_str());
        else
          g_signal_emit_by_name(object, "visible-data-changed");
      }
      break;
    case AccessibleEvent::kName:
      if (AtkObject* object = ObjectFor(id)) g_object_notify(G_OBJECT(object), "accessible-name");
      break;
    case AccessibleEvent::kShow:
    case AccessibleEvent::kHide:
      SyncStates(id);
      if (tree_) SyncChildren(tree_->Parent(id));
      break;
    case AccessibleEvent::kReorder: SyncChildren(id); break;
  }
}

}  // namespace ui
