// A small Microsoft Active Accessibility client, as a screen reader or an
// automation tool would be: it finds the installer's window, walks its
// accessibility tree, listens for its WinEvents (out of context, filtered by
// process id), and operates it through accessibility calls alone.
//
//   msaa_client install "<window title>"   welcome page checks, Install Now,
//                                          progress values, Start Now
//   msaa_client quit "<window title>"      the quit question through Close,
//                                          answered with Quit
//
// Prints the tree it saw and every failed check; exit status 0 when every
// check passed. Every wait is bounded.
#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

namespace {

int g_failures = 0;

// Ends the process with the verdict at once: the objects still held belong to
// a process that has just ended, and releasing them would only wait on it.
[[noreturn]] void Finish() {
  const int status = g_failures == 0 ? 0 : 1;
  std::printf("%s\n", status == 0 ? "all checks passed" : "checks failed");
  std::fflush(stdout);
  ExitProcess(static_cast<UINT>(status));
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                       nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

void Check(bool ok, const std::string& what) {
  if (ok) return;
  ++g_failures;
  std::printf("FAILED: %s\n", what.c_str());
  std::fflush(stdout);
}

// A counted reference to a COM object.
template <class T>
class Ref {
 public:
  Ref() = default;
  explicit Ref(T* adopted) : p_(adopted) {}
  Ref(const Ref& other) : p_(other.p_) {
    if (p_) p_->AddRef();
  }
  Ref& operator=(const Ref& other) {
    if (other.p_) other.p_->AddRef();
    if (p_) p_->Release();
    p_ = other.p_;
    return *this;
  }
  ~Ref() {
    if (p_) p_->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T** out() { return &p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

VARIANT Self() {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = CHILDID_SELF;
  return v;
}

struct Node {
  Ref<IAccessible> acc;
  LONG child = CHILDID_SELF;
  int depth = 0;
  LONG role = 0;
  LONG state = 0;
  std::wstring name;
  std::wstring value;
  std::wstring action;
  RECT rect{};
};

std::wstring Text(HRESULT hr, BSTR text) {
  std::wstring out = SUCCEEDED(hr) && text ? std::wstring(text, SysStringLen(text)) : std::wstring();
  SysFreeString(text);
  return out;
}

Node Read(const Ref<IAccessible>& acc, LONG child, int depth) {
  Node node;
  node.acc = acc;
  node.child = child;
  node.depth = depth;
  VARIANT id;
  VariantInit(&id);
  id.vt = VT_I4;
  id.lVal = child;
  VARIANT v;
  VariantInit(&v);
  if (SUCCEEDED(acc->get_accRole(id, &v)) && v.vt == VT_I4) node.role = v.lVal;
  VariantClear(&v);
  if (SUCCEEDED(acc->get_accState(id, &v)) && v.vt == VT_I4) node.state = v.lVal;
  VariantClear(&v);
  BSTR text = nullptr;
  HRESULT hr = acc->get_accName(id, &text);
  node.name = Text(hr, text);
  text = nullptr;
  hr = acc->get_accValue(id, &text);
  node.value = Text(hr, text);
  text = nullptr;
  hr = acc->get_accDefaultAction(id, &text);
  node.action = Text(hr, text);
  LONG x = 0, y = 0, w = 0, h = 0;
  if (SUCCEEDED(acc->accLocation(&x, &y, &w, &h, id))) node.rect = RECT{x, y, x + w, y + h};
  return node;
}

void Walk(const Ref<IAccessible>& acc, int depth, std::vector<Node>* out) {
  LONG count = 0;
  if (FAILED(acc->get_accChildCount(&count)) || count <= 0 || count > 500 || depth > 20) return;
  std::vector<VARIANT> children(static_cast<size_t>(count));
  LONG got = 0;
  if (FAILED(AccessibleChildren(acc.get(), 0, count, children.data(), &got))) return;
  for (LONG i = 0; i < got; ++i) {
    VARIANT& c = children[static_cast<size_t>(i)];
    if (c.vt == VT_DISPATCH && c.pdispVal) {
      Ref<IAccessible> child;
      if (SUCCEEDED(c.pdispVal->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(child.out())))) {
        out->push_back(Read(child, CHILDID_SELF, depth));
        Walk(child, depth + 1, out);
      }
    } else if (c.vt == VT_I4) {
      out->push_back(Read(acc, c.lVal, depth));
    }
    VariantClear(&c);
  }
}

std::vector<Node> Tree(const Ref<IAccessible>& root) {
  std::vector<Node> nodes;
  Walk(root, 1, &nodes);
  return nodes;
}

void Print(const Node& root, const std::vector<Node>& nodes, const char* title) {
  std::printf("-- %s\n", title);
  std::printf("role %ld \"%s\" state 0x%lx\n", root.role, Utf8(root.name).c_str(), root.state);
  for (const Node& n : nodes)
    std::printf("%*srole %ld \"%s\" state 0x%lx value \"%s\" action \"%s\" at %ld,%ld %ldx%ld\n", n.depth * 2, "",
                n.role, Utf8(n.name).c_str(), n.state, Utf8(n.value).c_str(), Utf8(n.action).c_str(), n.rect.left,
                n.rect.top, n.rect.right - n.rect.left, n.rect.bottom - n.rect.top);
  std::fflush(stdout);
}

const Node* Find(const std::vector<Node>& nodes, LONG role, const wchar_t* name) {
  for (const Node& n : nodes)
    if (n.role == role && (!name || n.name == name)) return &n;
  return nullptr;
}

// ---- Events ----

struct Event {
  DWORD event;
  HWND hwnd;
  LONG object;
  LONG child;
};
std::vector<Event> g_events;

void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
  g_events.push_back(Event{event, hwnd, object, child});
}

// Runs the message loop (out-of-context events arrive through it) for `ms`.
void Pump(DWORD ms) {
  const DWORD end = GetTickCount() + ms;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    const DWORD now = GetTickCount();
    if (static_cast<LONG>(end - now) <= 0) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
  }
}

bool WaitFor(const char* what, DWORD timeout_ms, const std::function<bool()>& done) {
  const DWORD end = GetTickCount() + timeout_ms;
  while (!done()) {
    if (static_cast<LONG>(end - GetTickCount()) <= 0) {
      Check(false, std::string("timed out waiting for ") + what);
      return false;
    }
    Pump(100);
  }
  return true;
}

// The node an event is about, read through AccessibleObjectFromEvent (which
// asks the window's object for the event's child id).
bool EventNode(const Event& e, Node* node) {
  Ref<IAccessible> acc;
  VARIANT child;
  VariantInit(&child);
  if (FAILED(AccessibleObjectFromEvent(e.hwnd, static_cast<DWORD>(e.object), static_cast<DWORD>(e.child),
                                       acc.out(), &child)) || !acc)
    return false;
  *node = Read(acc, child.vt == VT_I4 ? child.lVal : CHILDID_SELF, 0);
  return true;
}

// True once an event of `kind` from `hwnd` for a node with `name` arrived
// (from `from` on in the list).
bool SawEvent(DWORD kind, HWND hwnd, const wchar_t* name, size_t from = 0, Node* found = nullptr) {
  for (size_t i = from; i < g_events.size(); ++i) {
    const Event e = g_events[i];
    if (e.event != kind || e.hwnd != hwnd || e.object != OBJID_CLIENT) continue;
    Node node;
    if (!EventNode(e, &node)) continue;
    if (name && node.name != name) continue;
    if (found) *found = node;
    return true;
  }
  return false;
}

Ref<IAccessible> ClientObject(HWND hwnd) {
  Ref<IAccessible> root;
  if (FAILED(AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                        reinterpret_cast<void**>(root.out()))))
    return Ref<IAccessible>();
  return root;
}

// The current tree of `root` once a node of `role` and `name` is in it.
std::vector<Node> WaitForNode(const Ref<IAccessible>& root, LONG role, const wchar_t* name, DWORD timeout_ms) {
  std::vector<Node> nodes;
  WaitFor(Utf8(std::wstring(L"the node ") + name).c_str(), timeout_ms, [&] {
    nodes = Tree(root);
    return Find(nodes, role, name) != nullptr;
  });
  return nodes;
}

HRESULT DoDefault(const Node& node) {
  VARIANT id;
  VariantInit(&id);
  id.vt = VT_I4;
  id.lVal = node.child;
  return node.acc->accDoDefaultAction(id);
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.right > inner.left && inner.bottom > inner.top && inner.left >= outer.left &&
         inner.top >= outer.top && inner.right <= outer.right && inner.bottom <= outer.bottom;
}

// ---- Cases ----

struct Target {
  HWND hwnd = nullptr;
  DWORD pid = 0;
  Ref<IAccessible> root;
};

bool Attach(const wchar_t* title, Target* t) {
  if (!WaitFor("the installer's window", 90000, [&] {
        t->hwnd = FindWindowW(nullptr, title);
        return t->hwnd && IsWindowVisible(t->hwnd);
      }))
    return false;
  GetWindowThreadProcessId(t->hwnd, &t->pid);
  // Out of context, by process id alone (with WINEVENT_SKIPOWNPROCESS Wine
  // delivers nothing).
  if (!SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_VALUECHANGE, nullptr, OnWinEvent, t->pid, 0,
                       WINEVENT_OUTOFCONTEXT)) {
    Check(false, "SetWinEventHook");
    return false;
  }
  t->root = ClientObject(t->hwnd);
  Check(static_cast<bool>(t->root), "the window's client object");
  return static_cast<bool>(t->root);
}

void CheckNames(const std::vector<Node>& nodes) {
  for (const Node& n : nodes)
    Check(!(n.state & STATE_SYSTEM_FOCUSABLE) || !n.name.empty(), "a focusable node without a name");
}

void CaseInstall(const wchar_t* title) {
  Target t;
  if (!Attach(title, &t)) return;
  const Node root = Read(t.root, CHILDID_SELF, 0);
  Check(root.role == ROLE_SYSTEM_CLIENT, "the window's role is client");
  Check(root.name == title, "the window is named by its title");
  std::vector<Node> nodes = WaitForNode(t.root, ROLE_SYSTEM_PUSHBUTTON, L"Install Now", 60000);
  Print(root, nodes, "welcome");
  CheckNames(nodes);
  const Node* install = Find(nodes, ROLE_SYSTEM_PUSHBUTTON, L"Install Now");
  const Node* agree = Find(nodes, ROLE_SYSTEM_CHECKBUTTON, L"I have read and accept");
  Check(Find(nodes, ROLE_SYSTEM_PUSHBUTTON, L"Close") != nullptr, "a push button \"Close\"");
  Check(Find(nodes, ROLE_SYSTEM_LINK, L"User Agreement") != nullptr, "a link \"User Agreement\"");
  Check(Find(nodes, ROLE_SYSTEM_PUSHBUTTON, L"Start Now") == nullptr, "hidden pages are left out");
  if (!install || !agree) {
    Check(false, "Install Now and the agreement check box");
    return;
  }
  Check((agree->state & STATE_SYSTEM_CHECKED) != 0, "the agreement is checked");
  Check(agree->action == L"Uncheck", "the check box's action is Uncheck");
  Check(install->action == L"Press", "the button's action is Press");
  RECT window{};
  GetWindowRect(t.hwnd, &window);
  Check(Inside(install->rect, window), "Install Now lies inside the window on screen");
  VARIANT hit;
  VariantInit(&hit);
  const POINT centre{(install->rect.left + install->rect.right) / 2, (install->rect.top + install->rect.bottom) / 2};
  Check(SUCCEEDED(t.root->accHitTest(centre.x, centre.y, &hit)) && hit.vt == VT_DISPATCH, "a hit on Install Now");
  if (hit.vt == VT_DISPATCH && hit.pdispVal) {
    Ref<IAccessible> hit_acc;
    hit.pdispVal->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(hit_acc.out()));
    Check(hit_acc && Read(hit_acc, CHILDID_SELF, 0).name == L"Install Now", "the hit is Install Now");
  }
  VariantClear(&hit);

  // Focus: take it, hear of it, read it back.
  size_t mark = g_events.size();
  VARIANT self = Self();
  Check(SUCCEEDED(agree->acc->accSelect(SELFLAG_TAKEFOCUS, self)), "accSelect(TAKEFOCUS)");
  WaitFor("the focus event of the check box", 10000,
          [&] { return SawEvent(EVENT_OBJECT_FOCUS, t.hwnd, L"I have read and accept", mark); });
  VARIANT focus;
  VariantInit(&focus);
  Check(SUCCEEDED(t.root->get_accFocus(&focus)) && focus.vt == VT_DISPATCH, "get_accFocus gives an object");
  if (focus.vt == VT_DISPATCH && focus.pdispVal) {
    Ref<IAccessible> focused;
    focus.pdispVal->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(focused.out()));
    const Node f = focused ? Read(focused, CHILDID_SELF, 0) : Node();
    Check(f.name == L"I have read and accept" && (f.state & STATE_SYSTEM_FOCUSED), "the check box has the focus");
  }
  VariantClear(&focus);

  // State: untick through the default action; Install Now follows.
  mark = g_events.size();
  Check(DoDefault(*agree) == S_OK, "the check box's default action");
  Node changed;
  WaitFor("the check box's state event", 10000,
          [&] { return SawEvent(EVENT_OBJECT_STATECHANGE, t.hwnd, L"I have read and accept", mark, &changed) &&
                       !(changed.state & STATE_SYSTEM_CHECKED); });
  WaitFor("Install Now unavailable", 10000, [&] {
    const Node* n = Find(Tree(t.root), ROLE_SYSTEM_PUSHBUTTON, L"Install Now");
    return n && (Read(n->acc, n->child, 0).state & STATE_SYSTEM_UNAVAILABLE);
  });
  nodes = Tree(t.root);
  install = Find(nodes, ROLE_SYSTEM_PUSHBUTTON, L"Install Now");
  agree = Find(nodes, ROLE_SYSTEM_CHECKBUTTON, L"I have read and accept");
  Check(install && DoDefault(*install) != S_OK, "a disabled button refuses its action");
  Check(agree && DoDefault(*agree) == S_OK, "the check box's default action again");
  WaitFor("Install Now available again", 10000, [&] {
    const Node* n = Find(Tree(t.root), ROLE_SYSTEM_PUSHBUTTON, L"Install Now");
    return n && !(Read(n->acc, n->child, 0).state & STATE_SYSTEM_UNAVAILABLE);
  });

  // Install, following the progress bar's value.
  nodes = Tree(t.root);
  install = Find(nodes, ROLE_SYSTEM_PUSHBUTTON, L"Install Now");
  mark = g_events.size();
  Check(install && DoDefault(*install) == S_OK, "Install Now's default action");
  // Follow the progress bar: each value event is read as it comes (a value
  // read later would be the last one).
  std::vector<int> values;
  size_t seen = mark;
  WaitFor("Start Now", 300000, [&] {
    for (; seen < g_events.size(); ++seen) {
      Node node;
      if (g_events[seen].event == EVENT_OBJECT_VALUECHANGE && EventNode(g_events[seen], &node) &&
          node.role == ROLE_SYSTEM_PROGRESSBAR)
        values.push_back(_wtoi(node.value.c_str()));
    }
    nodes = Tree(t.root);
    return Find(nodes, ROLE_SYSTEM_PUSHBUTTON, L"Start Now") != nullptr;
  });
  for (size_t i = 0; i < values.size(); ++i) Check(values[i] >= 0 && values[i] <= 100, "a percentage");
  std::printf("progress values heard: %zu, last %d\n", values.size(), values.empty() ? -1 : values.back());
  Check(!values.empty(), "value events of the progress bar");
  Print(Read(t.root, CHILDID_SELF, 0), nodes, "installed");
  CheckNames(nodes);
  const Node* start = Find(nodes, ROLE_SYSTEM_PUSHBUTTON, L"Start Now");
  Check(start && DoDefault(*start) == S_OK, "Start Now's default action");
  WaitFor("the window gone", 60000, [&] { return !IsWindow(t.hwnd); });
  Finish();
}

struct OtherWindow {
  DWORD pid;
  HWND main;
  HWND found;
};

BOOL CALLBACK FindOther(HWND hwnd, LPARAM param) {
  auto* other = reinterpret_cast<OtherWindow*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == other->pid && hwnd != other->main && IsWindowVisible(hwnd)) {
    other->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

void CaseQuit(const wchar_t* title) {
  Target t;
  if (!Attach(title, &t)) return;
  std::vector<Node> nodes = WaitForNode(t.root, ROLE_SYSTEM_PUSHBUTTON, L"Close", 60000);
  const Node* close = Find(nodes, ROLE_SYSTEM_PUSHBUTTON, L"Close");
  const size_t mark = g_events.size();
  Check(close && DoDefault(*close) == S_OK, "Close's default action");
  OtherWindow other{t.pid, t.hwnd, nullptr};
  WaitFor("the question box", 30000, [&] {
    EnumWindows(FindOther, reinterpret_cast<LPARAM>(&other));
    return other.found != nullptr;
  });
  if (!other.found) return;
  WaitFor("the box's show event", 10000, [&] { return SawEvent(EVENT_OBJECT_SHOW, other.found, nullptr, mark); });
  WaitFor("the focus on Quit", 10000, [&] { return SawEvent(EVENT_OBJECT_FOCUS, other.found, L"Quit", mark); });
  Ref<IAccessible> box = ClientObject(other.found);
  if (!box) return;
  const Node box_root = Read(box, CHILDID_SELF, 0);
  nodes = WaitForNode(box, ROLE_SYSTEM_PUSHBUTTON, L"Quit", 10000);
  Print(box_root, nodes, "question box");
  CheckNames(nodes);
  Check(box_root.role == ROLE_SYSTEM_DIALOG, "the box is a dialog");
  Check(!box_root.name.empty(), "the box has a name");
  Check(Find(nodes, ROLE_SYSTEM_PUSHBUTTON, L"Close") != nullptr, "the box's close button is named");
  const Node* text = Find(nodes, ROLE_SYSTEM_TEXT, nullptr);
  Check(text && !text->value.empty() && (text->state & STATE_SYSTEM_READONLY), "the box's read-only text");
  const Node* quit = Find(nodes, ROLE_SYSTEM_PUSHBUTTON, L"Quit");
  Check(quit && (quit->state & STATE_SYSTEM_FOCUSED), "Quit has the focus");
  // The owner takes no input while the box is up, from a screen reader neither.
  const Node* install = Find(Tree(t.root), ROLE_SYSTEM_PUSHBUTTON, L"Install Now");
  Check(install && DoDefault(*install) != S_OK, "the owner refuses actions while the box is up");
  Check(quit && DoDefault(*quit) == S_OK, "Quit's default action");
  WaitFor("the window gone", 60000, [&] { return !IsWindow(t.hwnd); });
  Finish();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::printf("usage: msaa_client install|quit \"<window title>\"\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::wstring mode = argv[1];
  if (mode == L"install") CaseInstall(argv[2]);
  else if (mode == L"quit") CaseQuit(argv[2]);
  else return 2;
  ++g_failures;  // a case that returns early has failed
  Finish();
}
