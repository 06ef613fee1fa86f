// Microsoft Active Accessibility for one window: answers WM_GETOBJECT for
// OBJID_CLIENT with an IAccessible over the window's AccessibleTree, and
// turns the tree's events into WinEvents (NotifyWinEvent with OBJID_CLIENT
// and the node's negative id, which get_accChild resolves).
//
// Every node is an object of its own. Child ids: CHILDID_SELF for the object
// itself, 1..n for its children by index (what AccessibleChildren asks), and
// -id for any node of the window (what event receivers ask).
//
// oleacc.dll is loaded from the system folder on the first request; the UI
// thread then joins a single-threaded COM apartment for good. Windows only;
// UI thread only.
#pragma once

#include <windows.h>

#include <memory>

#include "base/weak_callback.h"
#include "ui/accessibility/accessible_tree.h"

namespace ui {

class MsaaServer : public AccessibleObserver, public nbase::SupportWeakCallback {
 public:
  // `tree` belongs to the window and outlives the server.
  MsaaServer(HWND hwnd, AccessibleTree* tree);
  ~MsaaServer() override;

  // WM_GETOBJECT: true with `*result` set when the request is for the client.
  bool HandleGetObject(WPARAM wparam, LPARAM lparam, LRESULT* result);
  // The window gained the keyboard focus: the focused node says so.
  void OnWindowFocused();

  // AccessibleObserver.
  void OnAccessibleEvent(AccessibleEvent event, int id) override;

  HWND hwnd() const { return hwnd_; }
  AccessibleTree* tree() const { return tree_; }

 private:
  HWND hwnd_;
  AccessibleTree* tree_;
  std::weak_ptr<nbase::WeakFlag> tree_alive_;
};

}  // namespace ui
