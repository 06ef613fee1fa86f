// AccessibleTree: what assistive technology sees of one window, read live
// from its control tree. The platform adapters (MSAA on Windows, ATK on
// Linux) translate it and nothing more.
//
// Nodes: the root is the window (kAccessibleRootId); below it every visible
// control that has a role (buttons, check boxes, labels with text, progress
// bars, edit boxes, and whatever a layout names with `accessiblename` or
// `accessiblerole`), in paint order. Controls without a role (plain boxes,
// spacers, decorative pictures) are not nodes: their children are lifted to
// the nearest node above. Hidden subtrees are left out of the children, but a
// hidden control's id still describes it (with kAccessibleInvisible), so a
// client that holds it gets an answer rather than an error.
//
//   AccessibleTree* tree = window->EnsureAccessibleTree();
//   for (int id : tree->Children(kAccessibleRootId)) {
//     AccessibleInfo info;
//     if (tree->Describe(id, &info) && info.name == u"Install Now") tree->DoDefaultAction(id);
//   }
//
// Changes reach the observers through Notify, which controls call by way of
// NotifyAccessibility (accessibility_notify.h). Progress values are
// coalesced: the first change is passed on at once, later ones at most every
// kValueCoalesceMs with the latest value. Default actions are posted to the
// UI loop and the call returns at once, so a modal question never runs
// inside a client's call. Ids are plain numbers, resolved on every call: a
// deleted control's id simply stops resolving.
//
// UI thread only. Nothing here runs (no timers, no walks) until a client asks
// or a control changes while the tree exists.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <vector>

#include "base/observer_list.h"
#include "base/weak_callback.h"
#include "ui/accessibility/accessible_types.h"

namespace ui {

class Control;
class Window;

class AccessibleObserver {
 public:
  virtual ~AccessibleObserver() = default;
  // `id`: the node the event is about (kAccessibleRootId for the window).
  virtual void OnAccessibleEvent(AccessibleEvent event, int id) = 0;
};

class AccessibleTree : public nbase::SupportWeakCallback {
 public:
  static constexpr int kValueCoalesceMs = 250;

  explicit AccessibleTree(Window* window);
  ~AccessibleTree() override;

  Window* GetWindow() const { return window_; }

  // --- The root (the window) ---
  // kWindow by default; kDialog for a question box.
  void SetRootRole(AccessibleRole role) { root_role_ = role; }
  AccessibleRole RootRole() const { return root_role_; }
  // The window's title; raises kName on the root when it changes.
  void SetRootName(StringView name);
  const String& RootName() const { return root_name_; }

  // --- Reading ---
  // False when `id` names no node of this window.
  bool Describe(int id, AccessibleInfo* info) const;
  bool Contains(int id) const { return id == kAccessibleRootId || ControlOf(id) != nullptr; }
  // kAccessibleNoId for the root or an unknown id.
  int Parent(int id) const;
  // Visible child nodes in paint order (empty for an unknown id).
  std::vector<int> Children(int id) const;
  // The node of the focused control; the root when no control has the focus.
  int FocusedId() const;
  // The deepest visible node under `point` (client pixels), the topmost one
  // where nodes overlap; the root inside the window where no node is;
  // kAccessibleNoId outside it.
  int HitTest(UiPoint point) const;

  // --- Acting ---
  // Moves the keyboard focus to a visible, enabled, focusable node. False
  // otherwise.
  bool TakeFocus(int id);
  // Queues the node's default action on the UI loop and returns at once.
  // False when the node has no action or is hidden or disabled now (the
  // queued action checks again when it runs).
  bool DoDefaultAction(int id);
  // What the live window adds: how the focus moves (its FocusControl, which
  // raises the control events; by default the focus pointer is just set) and
  // whether it takes input now (not while an owned box is up).
  struct WindowHooks {
    std::function<void(Control*)> focus;
    std::function<bool()> accepts_input;
  };
  void SetWindowHooks(WindowHooks hooks) { hooks_ = std::move(hooks); }

  // --- Controls and ids ---
  // The node id of `control` (kAccessibleNoId when it is not a node).
  int IdOf(Control* control) const;
  // The control of a node of this window (null for the root or unknown ids).
  Control* ControlOf(int id) const;

  // --- Changes ---
  void AddObserver(AccessibleObserver* observer) { observers_.AddObserver(observer); }
  void RemoveObserver(AccessibleObserver* observer) { observers_.RemoveObserver(observer); }
  // A control changed. Controls that are not nodes turn show and hide into
  // kReorder of the nearest node above; other events of theirs are dropped,
  // and so is everything inside a hidden subtree (but kHide itself).
  void Notify(Control* control, AccessibleEvent event);
  // The window itself changed (shown, hidden, focus).
  void NotifyRoot(AccessibleEvent event) { Raise(event, kAccessibleRootId); }

 private:
  void Raise(AccessibleEvent event, int id);
  void QueueValue(int id);
  void FlushValues();
  // The nearest node above `control` (the root when there is none).
  int NodeAbove(Control* control) const;
  void Collect(Control* control, std::vector<int>* ids) const;
  bool AcceptsInput() const { return !hooks_.accepts_input || hooks_.accepts_input(); }

  Window* window_;
  AccessibleRole root_role_ = AccessibleRole::kWindow;
  String root_name_;
  WindowHooks hooks_;
  nbase::ObserverList<AccessibleObserver> observers_;
  // Value coalescing: when each id last passed a value on, and which wait.
  std::map<int, int64_t> value_sent_us_;
  std::set<int> value_pending_;
  nbase::WeakCallbackFlag value_flag_;
  bool value_timer_ = false;
};

}  // namespace ui
