// One top-level window as ATK sees it (Linux only): the cache of its ATK
// objects, one per node of its accessibility tree, and the translation of
// the tree's notifications into ATK signals. The objects read the tree live;
// what the adapter remembers per node (the states and children last told to
// a client) only serves to turn "something changed" into ATK's precise
// signals.
#pragma once

#include <atk/atk.h>

#include <cstdint>
#include <map>
#include <vector>

#include "ui/accessibility/accessible_tree.h"

namespace ui {

class NativeWindow;
class NativeWindowDelegate;

class AtkWindowAdapter : public AccessibleObserver {
 public:
  AtkWindowAdapter(NativeWindow* native, NativeWindowDelegate* delegate);
  ~AtkWindowAdapter() override;
  AtkWindowAdapter(const AtkWindowAdapter&) = delete;
  AtkWindowAdapter& operator=(const AtkWindowAdapter&) = delete;

  NativeWindow* native() const { return native_; }
  // The window's tree, asked for on first use; null when it has none.
  AccessibleTree* Tree();
  // The object of a node (a borrowed reference), made on first use; null
  // for an id the tree does not know.
  AtkObject* ObjectFor(int id);
  // The object of a node if one has been made (never asks the window).
  AtkObject* KnownObject(int id) const;
  // Client pixels to screen pixels.
  UiPoint ScreenOrigin() const;

  bool active() const { return active_; }
  void SetActive(bool active);

  // The objects report what a client read, so later changes are told as
  // differences from it.
  void NoteStates(int id, uint32_t states);
  void NoteChildren(int id, const std::vector<int>& children);

  void OnAccessibleEvent(AccessibleEvent event, int id) override;

 private:
  struct Known {
    AtkObject* object = nullptr;
    bool has_states = false;
    uint32_t states = 0;
    bool has_children = false;
    std::vector<int> children;
  };
  // Emits state-change for every flag that differs from what was told.
  void SyncStates(int id);
  // Emits children-changed for the children that came and went.
  void SyncChildren(int id);

  NativeWindow* native_;
  NativeWindowDelegate* delegate_;
  AccessibleTree* tree_ = nullptr;
  bool active_ = false;
  std::map<int, Known> known_;
};

}  // namespace ui
