// The application object ATK's root stands for, ATK's utility functions
// (the toolkit's name and version, global event listeners as signal emission
// hooks), and the start of the bridge to the accessibility bus.
#include <dlfcn.h>
#include <errno.h>
#include <sys/stat.h>

#include <atk/atk.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/message_loop.h"
#include "config/build_config.h"
#include "ui/accessibility/accessibility_bridge_atk.h"
#include "ui/accessibility/accessible_window_atk.h"
#include "ui/accessibility/glib_pump_source_linux.h"

namespace ui {

namespace {

constexpr char kToolkitName[] = "LumaCast UI";
constexpr char kBridgeLibrary[] = "libatk-bridge-2.0.so.0";

using Adapters = std::vector<std::unique_ptr<AtkWindowAdapter>>;

Adapters& Windows() {
  static auto* windows = new Adapters();
  return *windows;
}

Adapters::iterator Position(NativeWindow* window) {
  return std::find_if(Windows().begin(), Windows().end(), [window](auto& a) { return a->native() == window; });
}

// --- The application object: the top-level windows are its children ---

struct AtkApp {
  AtkObject parent;
};
struct AtkAppClass {
  AtkObjectClass parent_class;
};

void AppClassInit(gpointer klass, gpointer) {
  AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
  atk->get_name = [](AtkObject*) -> const gchar* {
    const gchar* name = g_get_prgname();
    return name ? name : program_invocation_short_name;
  };
  atk->get_role = [](AtkObject*) { return ATK_ROLE_APPLICATION; };
  atk->get_parent = [](AtkObject*) -> AtkObject* { return nullptr; };
  atk->get_index_in_parent = [](AtkObject*) -> gint { return -1; };
  atk->get_n_children = [](AtkObject*) -> gint { return static_cast<gint>(Windows().size()); };
  atk->ref_child = [](AtkObject*, gint index) -> AtkObject* {
    if (index < 0 || static_cast<size_t>(index) >= Windows().size()) return nullptr;
    AtkObject* window = Windows()[index]->ObjectFor(kAccessibleRootId);
    return window ? ATK_OBJECT(g_object_ref(window)) : nullptr;
  };
}

AtkObject* App() {
  static AtkObject* app = [] {
    GTypeInfo info{};
    info.class_size = sizeof(AtkAppClass);
    info.class_init = AppClassInit;
    info.instance_size = sizeof(AtkApp);
    GType type = g_type_register_static(ATK_TYPE_OBJECT, "LumaAtkApplication", &info, GTypeFlags(0));
    AtkObject* object = ATK_OBJECT(g_object_new(type, nullptr));
    object->role = ATK_ROLE_APPLICATION;
    return object;
  }();
  return app;
}

// --- Global event listeners: "Toolkit:Type:signal[:detail]" as emission hooks ---

struct Listener {
  guint signal_id;
  gulong hook_id;
};

std::map<guint, Listener>& Listeners() {
  static auto* listeners = new std::map<guint, Listener>();
  return *listeners;
}

guint AddGlobalListener(GSignalEmissionHook hook, const gchar* event_type) {
  gchar** parts = g_strsplit(event_type, ":", 4);
  guint id = 0;
  GType type = g_strv_length(parts) >= 3 ? g_type_from_name(parts[1]) : 0;
  if (type) {
    // A signal is found only once its class or interface exists.
    if (G_TYPE_IS_INTERFACE(type)) g_type_default_interface_ref(type);
    else if (G_TYPE_IS_CLASSED(type)) g_type_class_ref(type);
    GSignalQuery query{};
    guint signal_id = g_signal_lookup(parts[2], type);
    if (signal_id) g_signal_query(signal_id, &query);
    if (signal_id && !(query.signal_flags & G_SIGNAL_NO_HOOKS)) {
      const bool detailed = parts[3] && (query.signal_flags & G_SIGNAL_DETAILED);
      const gulong hook_id = g_signal_add_emission_hook(signal_id, detailed ? g_quark_from_string(parts[3]) : 0, hook,
                                                        g_strdup(event_type), g_free);
      static guint last_id = 0;
      id = ++last_id;
      Listeners()[id] = Listener{signal_id, hook_id};
    }
  }
  g_strfreev(parts);
  return id;
}

void RemoveGlobalListener(guint id) {
  auto it = Listeners().find(id);
  if (it == Listeners().end()) return;
  g_signal_remove_emission_hook(it->second.signal_id, it->second.hook_id);
  Listeners().erase(it);
}

// ATK's utility class is process-wide: what it answers is set on it, before
// the bridge first asks.
void InstallAtkUtil() {
  // The interfaces event listeners name must be known by name.
  g_type_class_unref(g_type_class_ref(ATK_TYPE_OBJECT));
  g_type_default_interface_unref(g_type_default_interface_ref(ATK_TYPE_WINDOW));
  g_type_default_interface_unref(g_type_default_interface_ref(ATK_TYPE_VALUE));
  g_type_default_interface_unref(g_type_default_interface_ref(ATK_TYPE_TEXT));
  g_type_default_interface_unref(g_type_default_interface_ref(ATK_TYPE_COMPONENT));
  auto* util = static_cast<AtkUtilClass*>(g_type_class_ref(ATK_TYPE_UTIL));
  util->get_root = [] { return App(); };
  util->get_toolkit_name = []() -> const gchar* { return kToolkitName; };
  util->get_toolkit_version = []() -> const gchar* { return LUMACAST_VERSION_A; };
  util->add_global_event_listener = AddGlobalListener;
  util->remove_global_event_listener = RemoveGlobalListener;
  util->add_key_event_listener = [](AtkKeySnoopFunc, gpointer) -> guint { return 0; };
  util->remove_key_event_listener = [](guint) {};
}

// NO_AT_BRIDGE=1 (anything but empty or "0") keeps the program off the bus.
bool BridgeRefused() {
  const char* value = std::getenv("NO_AT_BRIDGE");
  return value && *value && std::strcmp(value, "0") != 0;
}

// Without an address and without the per-user socket libdbus would try to
// start a session bus of its own, whose daemons outlive the program.
bool SessionBusKnown() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address && *address) return true;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat st {};
  return runtime && *runtime && stat((std::string(runtime) + "/bus").c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

// True when the bridge runs.
bool StartBridge() {
  if (BridgeRefused() || !SessionBusKnown()) return false;
  void* library = dlopen(kBridgeLibrary, RTLD_NOW | RTLD_LOCAL);
  if (!library) return false;  // kept loaded for the life of the process
  using InitFn = int (*)(int*, char***);
  auto init = reinterpret_cast<InitFn>(dlsym(library, "atk_bridge_adaptor_init"));
  if (!init || !AttachGlibMainContext()) return false;
  InstallAtkUtil();
  return init(nullptr, nullptr) == 0;
}

AtkWindowAdapter* Find(NativeWindow* window) {
  auto it = Position(window);
  return it == Windows().end() ? nullptr : it->get();
}

bool bridge_started = false;

}  // namespace

void AtkAddWindow(NativeWindow* window, NativeWindowDelegate* delegate) {
  if (Find(window)) return;
  Windows().push_back(std::make_unique<AtkWindowAdapter>(window, delegate));
  nbase::MessageLoop* loop = nbase::MessageLoop::ForThisThread();
  if (!bridge_started || !loop) return;
  // Told once the window is made: it is still being created now (its owner
  // and title are not set yet), and may be gone by then.
  loop->Post([window] {
    auto it = Position(window);
    if (it == Windows().end()) return;
    AtkObject* object = (*it)->ObjectFor(kAccessibleRootId);
    if (!object) return;
    g_signal_emit_by_name(App(), "children-changed::add", static_cast<guint>(it - Windows().begin()), object);
    g_signal_emit_by_name(object, "create");
  });
}

void AtkRemoveWindow(NativeWindow* window) {
  auto it = Position(window);
  if (it == Windows().end()) return;
  std::unique_ptr<AtkWindowAdapter> adapter = std::move(*it);
  const auto index = static_cast<guint>(it - Windows().begin());
  Windows().erase(it);
  // The window may be half destroyed: only an object a client was given is
  // told about, and the window is not asked for anything.
  if (!bridge_started) return;
  if (AtkObject* object = adapter->KnownObject(kAccessibleRootId)) {
    g_object_ref(object);
    g_signal_emit_by_name(object, "destroy");
    g_signal_emit_by_name(App(), "children-changed::remove", index, object);
    adapter.reset();
    g_object_unref(object);
  }
}

void AtkWindowMapped(NativeWindow*) {
  static bool posted = false;
  nbase::MessageLoop* loop = nbase::MessageLoop::ForThisThread();
  if (posted || !loop) return;
  posted = true;
  // Queued behind the first paint, which the map has just asked for.
  loop->Post([] { bridge_started = StartBridge(); });
}

void AtkWindowActivated(NativeWindow* window, bool active) {
  if (AtkWindowAdapter* adapter = Find(window)) adapter->SetActive(active);
}

}  // namespace ui
