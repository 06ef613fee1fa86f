#include "ui/accessibility/msaa_win.h"

#include <oleacc.h>

#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/system_library.h"

namespace ui {

namespace {

// {618736E0-3C3D-11CF-810C-00AA00389B71}: kept here so that nothing links
// to oleacc.dll, which is loaded from the system folder when first needed.
constexpr IID kIidAccessible = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID riid, WPARAM wparam, LPUNKNOWN object);
using AccessibleObjectFromWindowFn = HRESULT(WINAPI*)(HWND hwnd, DWORD id, REFIID riid, void** object);

struct Oleacc {
  LresultFromObjectFn lresult_from_object = nullptr;
  AccessibleObjectFromWindowFn object_from_window = nullptr;

  static const Oleacc& Get() {
    static const Oleacc oleacc = Load();
    return oleacc;
  }

 private:
  static Oleacc Load() {
    Oleacc oleacc;
    auto* module = static_cast<HMODULE>(LoadSystemLibrary(L"oleacc.dll"));
    if (!module) return oleacc;
    oleacc.lresult_from_object =
        reinterpret_cast<LresultFromObjectFn>(reinterpret_cast<void*>(GetProcAddress(module, "LresultFromObject")));
    oleacc.object_from_window = reinterpret_cast<AccessibleObjectFromWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "AccessibleObjectFromWindow")));
    return oleacc;
  }
};

// The UI thread joins a single-threaded apartment once and stays in it: the
// objects handed out are called back through it for the window's life.
bool InApartment() {
  static thread_local const bool joined = [] {
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    return hr == S_OK || hr == S_FALSE;
  }();
  return joined;
}

LONG MsaaRole(AccessibleRole role) {
  switch (role) {
    case AccessibleRole::kNone:
    case AccessibleRole::kWindow: return ROLE_SYSTEM_CLIENT;
    case AccessibleRole::kDialog: return ROLE_SYSTEM_DIALOG;
    case AccessibleRole::kLabel: return ROLE_SYSTEM_STATICTEXT;
    case AccessibleRole::kPushButton: return ROLE_SYSTEM_PUSHBUTTON;
    case AccessibleRole::kLink: return ROLE_SYSTEM_LINK;
    case AccessibleRole::kCheckBox: return ROLE_SYSTEM_CHECKBUTTON;
    case AccessibleRole::kRadioButton: return ROLE_SYSTEM_RADIOBUTTON;
    case AccessibleRole::kProgressBar: return ROLE_SYSTEM_PROGRESSBAR;
    case AccessibleRole::kText: return ROLE_SYSTEM_TEXT;
    case AccessibleRole::kGroup: return ROLE_SYSTEM_GROUPING;
    case AccessibleRole::kGraphic: return ROLE_SYSTEM_GRAPHIC;
  }
  return ROLE_SYSTEM_CLIENT;
}

LONG MsaaState(const AccessibleInfo& info, bool window_focused) {
  static constexpr std::pair<uint32_t, LONG> kStates[] = {
      {kAccessibleFocusable, STATE_SYSTEM_FOCUSABLE}, {kAccessibleChecked, STATE_SYSTEM_CHECKED},
      {kAccessibleDisabled, STATE_SYSTEM_UNAVAILABLE}, {kAccessibleInvisible, STATE_SYSTEM_INVISIBLE},
      {kAccessibleReadOnly, STATE_SYSTEM_READONLY},   {kAccessibleDefault, STATE_SYSTEM_DEFAULT},
      {kAccessibleHot, STATE_SYSTEM_HOTTRACKED},      {kAccessiblePressed, STATE_SYSTEM_PRESSED},
  };
  LONG state = 0;
  for (const auto& [ours, theirs] : kStates)
    if (info.states & ours) state |= theirs;
  // Only the window that has the keyboard focus has a focused node.
  if ((info.states & kAccessibleFocused) && window_focused) state |= STATE_SYSTEM_FOCUSED;
  if (info.role == AccessibleRole::kLink) state |= STATE_SYSTEM_LINKED;
  return state;
}

DWORD WinEventOf(AccessibleEvent event) {
  switch (event) {
    case AccessibleEvent::kFocus: return EVENT_OBJECT_FOCUS;
    case AccessibleEvent::kState: return EVENT_OBJECT_STATECHANGE;
    case AccessibleEvent::kValue: return EVENT_OBJECT_VALUECHANGE;
    case AccessibleEvent::kName: return EVENT_OBJECT_NAMECHANGE;
    case AccessibleEvent::kShow: return EVENT_OBJECT_SHOW;
    case AccessibleEvent::kHide: return EVENT_OBJECT_HIDE;
    case AccessibleEvent::kReorder: return EVENT_OBJECT_REORDER;
  }
  return EVENT_OBJECT_REORDER;
}

// The child id events carry: the window itself, or the node's negative id.
LONG EventChildId(int id) { return id == kAccessibleRootId ? CHILDID_SELF : -static_cast<LONG>(id); }

// A BSTR of `text`; null (and S_FALSE for the caller) when it is empty.
HRESULT ReturnText(const String& text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = text.empty() ? nullptr
                      : SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
  if (text.empty()) return S_FALSE;
  return *out ? S_OK : E_OUTOFMEMORY;
}

// One node as an IAccessible. It resolves its node on every call, so it
// answers with an error, never with a stale pointer, once the node or the
// window is gone.
class NodeObject final : public IAccessible {
 public:
  NodeObject(MsaaServer* server, int id) : server_(server), alive_(server->FlagReference()), id_(id) {}

  // IUnknown.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == kIidAccessible) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch: clients of IAccessible call its methods directly.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    int self;
    if (HRESULT hr = Resolve(Self(), &self); FAILED(hr)) return hr;
    const int up = tree()->Parent(self);
    if (up != kAccessibleNoId) return NewObject(up, parent);
    // The client area's parent is the window's own object.
    const Oleacc& oleacc = Oleacc::Get();
    if (!oleacc.object_from_window) return S_FALSE;
    return oleacc.object_from_window(server_->hwnd(), static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                     reinterpret_cast<void**>(parent));
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    int self;
    if (HRESULT hr = Resolve(Self(), &self); FAILED(hr)) return hr;
    *count = static_cast<LONG>(tree()->Children(self).size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    int id;
    if (HRESULT hr = Resolve(child, &id); FAILED(hr)) return hr;
    return NewObject(id, object);
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    return WithInfo(child, name, [&](const AccessibleInfo& info) { return ReturnText(info.name, name); });
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return WithInfo(child, value, [&](const AccessibleInfo& info) {
      if (!info.has_value) return static_cast<HRESULT>(DISP_E_MEMBERNOTFOUND);
      const HRESULT hr = ReturnText(info.value, value);
      return hr == S_FALSE ? S_OK : hr;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
    return WithInfo(child, text, [&](const AccessibleInfo& info) { return ReturnText(info.description, text); });
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    return WithInfo(child, role, [&](const AccessibleInfo& info) {
      role->vt = VT_I4;
      role->lVal = info.id == kAccessibleRootId ? MsaaRole(tree()->RootRole()) : MsaaRole(info.role);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return WithInfo(child, state, [&](const AccessibleInfo& info) {
      state->vt = VT_I4;
      state->lVal = MsaaState(info, GetFocus() == server_->hwnd());
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override { return ReturnText(String(), help); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
    if (topic) *topic = 0;
    return ReturnText(String(), file);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* keys) override {
    return ReturnText(String(), keys);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (!focus) return E_POINTER;
    VariantInit(focus);
    int self;
    if (HRESULT hr = Resolve(Self(), &self); FAILED(hr)) return hr;
    if (GetFocus() != server_->hwnd()) return S_FALSE;
    return ReturnNode(self, tree()->FocusedId(), focus);
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (!selection) return E_POINTER;
    VariantInit(selection);
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return WithInfo(child, action, [&](const AccessibleInfo& info) { return ReturnText(info.action, action); });
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
    int id;
    if (HRESULT hr = Resolve(child, &id); FAILED(hr)) return hr;
    if (flags != SELFLAG_TAKEFOCUS) return E_INVALIDARG;  // nothing here is selectable
    if (id == kAccessibleRootId) {
      SetFocus(server_->hwnd());
      return GetFocus() == server_->hwnd() ? S_OK : S_FALSE;
    }
    return tree()->TakeFocus(id) ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    AccessibleInfo info;
    if (HRESULT hr = Describe(child, &info); FAILED(hr)) return hr;
    POINT origin{info.bounds.left, info.bounds.top};
    ClientToScreen(server_->hwnd(), &origin);
    *left = origin.x;
    *top = origin.y;
    *width = info.bounds.Width();
    *height = info.bounds.Height();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    if (!end) return E_POINTER;
    VariantInit(end);
    int from;
    if (HRESULT hr = Resolve(start, &from); FAILED(hr)) return hr;
    int to = kAccessibleNoId;
    if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
      const std::vector<int> children = tree()->Children(from);
      if (!children.empty()) to = direction == NAVDIR_FIRSTCHILD ? children.front() : children.back();
    } else if (direction == NAVDIR_NEXT || direction == NAVDIR_PREVIOUS) {
      const int up = tree()->Parent(from);
      const std::vector<int> siblings = up == kAccessibleNoId ? std::vector<int>() : tree()->Children(up);
      for (size_t i = 0; i < siblings.size(); ++i) {
        if (siblings[i] != from) continue;
        if (direction == NAVDIR_NEXT && i + 1 < siblings.size()) to = siblings[i + 1];
        if (direction == NAVDIR_PREVIOUS && i > 0) to = siblings[i - 1];
      }
    } else {
      return E_NOTIMPL;  // spatial directions
    }
    if (to == kAccessibleNoId) return S_FALSE;
    return ReturnNode(kAccessibleNoId, to, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* hit) override {
    if (!hit) return E_POINTER;
    VariantInit(hit);
    int self;
    if (HRESULT hr = Resolve(Self(), &self); FAILED(hr)) return hr;
    POINT point{x, y};
    ScreenToClient(server_->hwnd(), &point);
    const int found = tree()->HitTest(UiPoint{point.x, point.y});
    if (found == kAccessibleNoId) return S_FALSE;
    return ReturnNode(self, found, hit);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    int id;
    if (HRESULT hr = Resolve(child, &id); FAILED(hr)) return hr;
    return tree()->DoDefaultAction(id) ? S_OK : DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  ~NodeObject() = default;

  static VARIANT Self() {
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return self;
  }

  AccessibleTree* tree() const { return server_->tree(); }

  // The node a child id names (see the header); an error once the window
  // or the node is gone.
  HRESULT Resolve(const VARIANT& child, int* id) const {
    if (alive_.expired()) return CO_E_OBJNOTCONNECTED;
    if (child.vt != VT_I4) return E_INVALIDARG;
    if (!tree()->Contains(id_)) return CO_E_OBJNOTCONNECTED;
    const LONG value = child.lVal;
    if (value == CHILDID_SELF) {
      *id = id_;
      return S_OK;
    }
    if (value > 0) {
      const std::vector<int> children = tree()->Children(id_);
      if (static_cast<size_t>(value) > children.size()) return E_INVALIDARG;
      *id = children[static_cast<size_t>(value) - 1];
      return S_OK;
    }
    const int64_t unique = -static_cast<int64_t>(value);  // LONG_MIN has no positive twin
    if (unique > INT32_MAX) return E_INVALIDARG;
    *id = static_cast<int>(unique);
    return tree()->Contains(*id) ? S_OK : E_INVALIDARG;
  }

  HRESULT Describe(const VARIANT& child, AccessibleInfo* info) const {
    int id;
    if (HRESULT hr = Resolve(child, &id); FAILED(hr)) return hr;
    return tree()->Describe(id, info) ? S_OK : E_INVALIDARG;
  }

  template <class Out, class Fn>
  HRESULT WithInfo(const VARIANT& child, Out* out, Fn&& fill) const {
    if (!out) return E_POINTER;
    if constexpr (std::is_same_v<Out, VARIANT>) VariantInit(out);
    else *out = nullptr;
    AccessibleInfo info;
    if (HRESULT hr = Describe(child, &info); FAILED(hr)) return hr;
    return fill(info);
  }

  HRESULT NewObject(int id, IDispatch** object) const {
    *object = new NodeObject(server_, id);
    return S_OK;
  }

  // `id` as seen from node `self`: itself, or an object of its own.
  HRESULT ReturnNode(int self, int id, VARIANT* out) const {
    if (id == self) {
      out->vt = VT_I4;
      out->lVal = CHILDID_SELF;
      return S_OK;
    }
    out->vt = VT_DISPATCH;
    return NewObject(id, &out->pdispVal);
  }

  LONG refs_ = 1;
  MsaaServer* server_;
  std::weak_ptr<nbase::WeakFlag> alive_;
  int id_;
};

}  // namespace

MsaaServer::MsaaServer(HWND hwnd, AccessibleTree* tree)
    : hwnd_(hwnd), tree_(tree), tree_alive_(tree->FlagReference()) {
  tree_->AddObserver(this);
}

MsaaServer::~MsaaServer() {
  if (!tree_alive_.expired()) tree_->RemoveObserver(this);
}

bool MsaaServer::HandleGetObject(WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (static_cast<LONG>(lparam) != static_cast<LONG>(OBJID_CLIENT) || tree_alive_.expired()) return false;
  const Oleacc& oleacc = Oleacc::Get();
  if (!oleacc.lresult_from_object || !InApartment()) return false;
  auto* root = new NodeObject(this, kAccessibleRootId);
  // LresultFromObject takes its own reference for the client.
  *result = oleacc.lresult_from_object(kIidAccessible, wparam, root);
  root->Release();
  return true;
}

void MsaaServer::OnWindowFocused() {
  if (tree_alive_.expired()) return;
  const int focused = tree_->FocusedId();
  if (focused != kAccessibleRootId) OnAccessibleEvent(AccessibleEvent::kFocus, focused);
}

void MsaaServer::OnAccessibleEvent(AccessibleEvent event, int id) {
  // Focus belongs to the window that has the keyboard focus.
  if (event == AccessibleEvent::kFocus && GetFocus() != hwnd_) return;
  NotifyWinEvent(WinEventOf(event), hwnd_, OBJID_CLIENT, EventChildId(id));
}

}  // namespace ui
