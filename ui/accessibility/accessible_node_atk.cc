#include "ui/accessibility/accessible_node_atk.h"

#include <string>
#include <vector>

#include "ui/accessibility/accessible_tree.h"
#include "ui/accessibility/accessible_window_atk.h"
#include "ui/core/native_window.h"

namespace ui {

namespace {

// Instances and classes are plain C structs, as GObject wants them.
struct AtkNode {
  AtkObject parent;
  AtkWindowAdapter* window;
  int id;
  AccessibleRole role;
  // Storage for the strings ATK hands out without a copy.
  gchar* name;
  gchar* description;
};

struct AtkNodeClass {
  AtkObjectClass parent_class;
};

enum NodeInterfaces : unsigned {
  kWithAction = 1u << 0,
  kWithValue = 1u << 1,
  kWithText = 1u << 2,
  kWithWindow = 1u << 3,
  kInterfaceMasks = 1u << 4,
};

AtkNode* Node(gpointer object) { return reinterpret_cast<AtkNode*>(object); }

// The node's description now; false when it is defunct.
bool Read(gpointer object, AccessibleInfo* info) {
  AtkNode* node = Node(object);
  AccessibleTree* tree = node->window ? node->window->Tree() : nullptr;
  return tree && tree->Describe(node->id, info);
}

AccessibleTree* TreeOf(gpointer object) {
  AtkNode* node = Node(object);
  return node->window ? node->window->Tree() : nullptr;
}

gchar* Keep(gchar** slot, const String& text) {
  g_free(*slot);
  *slot = g_strdup(ToUTF8(text).c_str());
  return *slot;
}

// One tree flag and the ATK state it shows as (inverted: shown while the
// flag is clear).
struct StateMapping {
  uint32_t flag;
  AtkStateType state;
  bool inverted;
};

constexpr StateMapping kStates[] = {
    {kAccessibleFocusable, ATK_STATE_FOCUSABLE, false}, {kAccessibleFocused, ATK_STATE_FOCUSED, false},
    {kAccessibleCheckable, ATK_STATE_CHECKABLE, false}, {kAccessibleChecked, ATK_STATE_CHECKED, false},
    {kAccessibleDisabled, ATK_STATE_ENABLED, true},     {kAccessibleDisabled, ATK_STATE_SENSITIVE, true},
    {kAccessibleInvisible, ATK_STATE_VISIBLE, true},    {kAccessibleInvisible, ATK_STATE_SHOWING, true},
    {kAccessibleReadOnly, ATK_STATE_READ_ONLY, false},  {kAccessibleDefault, ATK_STATE_DEFAULT, false},
    {kAccessibleMultiLine, ATK_STATE_MULTI_LINE, false}, {kAccessiblePressed, ATK_STATE_PRESSED, false},
};

AtkRole RoleFor(AccessibleRole role) {
  switch (role) {
    case AccessibleRole::kWindow: return ATK_ROLE_FRAME;
    case AccessibleRole::kDialog: return ATK_ROLE_DIALOG;
    case AccessibleRole::kLabel: return ATK_ROLE_LABEL;
    case AccessibleRole::kPushButton: return ATK_ROLE_PUSH_BUTTON;
    case AccessibleRole::kLink: return ATK_ROLE_LINK;
    case AccessibleRole::kCheckBox: return ATK_ROLE_CHECK_BOX;
    case AccessibleRole::kRadioButton: return ATK_ROLE_RADIO_BUTTON;
    case AccessibleRole::kProgressBar: return ATK_ROLE_PROGRESS_BAR;
    case AccessibleRole::kText: return ATK_ROLE_TEXT;
    case AccessibleRole::kGroup: return ATK_ROLE_PANEL;
    case AccessibleRole::kGraphic: return ATK_ROLE_IMAGE;
    case AccessibleRole::kNone: break;
  }
  return ATK_ROLE_UNKNOWN;
}

unsigned InterfacesFor(AccessibleRole role) {
  switch (role) {
    case AccessibleRole::kWindow:
    case AccessibleRole::kDialog: return kWithWindow;
    case AccessibleRole::kPushButton:
    case AccessibleRole::kLink:
    case AccessibleRole::kCheckBox:
    case AccessibleRole::kRadioButton: return kWithAction;
    case AccessibleRole::kProgressBar: return kWithValue;
    case AccessibleRole::kLabel:
    case AccessibleRole::kText: return kWithText;
    default: return 0;
  }
}

// --- AtkObject ---

const gchar* NodeName(AtkObject* object) {
  AccessibleInfo info;
  if (!Read(object, &info)) return "";
  return Keep(&Node(object)->name, info.name);
}

const gchar* NodeDescription(AtkObject* object) {
  AccessibleInfo info;
  if (!Read(object, &info)) return "";
  return Keep(&Node(object)->description, info.description);
}

AtkRole NodeRole(AtkObject* object) {
  // A window's own role (window or dialog) is the tree's to say at any time.
  AccessibleTree* tree = TreeOf(object);
  if (Node(object)->id == kAccessibleRootId && tree) return RoleFor(tree->RootRole());
  return RoleFor(Node(object)->role);
}

AtkObject* NodeParent(AtkObject* object) {
  AtkNode* node = Node(object);
  if (node->id == kAccessibleRootId) return atk_get_root();
  AccessibleTree* tree = TreeOf(object);
  const int parent = tree ? tree->Parent(node->id) : kAccessibleNoId;
  return parent == kAccessibleNoId ? nullptr : node->window->ObjectFor(parent);
}

std::vector<int> ChildrenOf(AtkObject* object) {
  AtkNode* node = Node(object);
  AccessibleTree* tree = TreeOf(object);
  if (!tree) return {};
  std::vector<int> children = tree->Children(node->id);
  node->window->NoteChildren(node->id, children);
  return children;
}

gint NodeChildCount(AtkObject* object) { return static_cast<gint>(ChildrenOf(object).size()); }

AtkObject* NodeChild(AtkObject* object, gint index) {
  const std::vector<int> children = ChildrenOf(object);
  if (index < 0 || static_cast<size_t>(index) >= children.size()) return nullptr;
  AtkObject* child = Node(object)->window->ObjectFor(children[index]);
  return child ? ATK_OBJECT(g_object_ref(child)) : nullptr;
}

gint NodeIndexInParent(AtkObject* object) {
  AtkNode* node = Node(object);
  if (node->id == kAccessibleRootId) return -1;  // the application knows
  AccessibleTree* tree = TreeOf(object);
  if (!tree) return -1;
  const std::vector<int> siblings = tree->Children(tree->Parent(node->id));
  for (size_t i = 0; i < siblings.size(); ++i)
    if (siblings[i] == node->id) return static_cast<gint>(i);
  return -1;
}

AtkStateSet* NodeStates(AtkObject* object) {
  AtkStateSet* set = atk_state_set_new();
  AccessibleInfo info;
  AtkNode* node = Node(object);
  if (!Read(object, &info)) {
    atk_state_set_add_state(set, ATK_STATE_DEFUNCT);
    return set;
  }
  node->window->NoteStates(node->id, info.states);
  for (const StateMapping& m : kStates)
    if (((info.states & m.flag) != 0) != m.inverted) atk_state_set_add_state(set, m.state);
  if (node->role == AccessibleRole::kText) {
    if (!(info.states & kAccessibleReadOnly)) atk_state_set_add_state(set, ATK_STATE_EDITABLE);
    if (!(info.states & kAccessibleMultiLine)) atk_state_set_add_state(set, ATK_STATE_SINGLE_LINE);
  }
  if (node->id == kAccessibleRootId && node->window->active()) atk_state_set_add_state(set, ATK_STATE_ACTIVE);
  return set;
}

// --- AtkComponent ---

void NodeExtents(AtkComponent* component, gint* x, gint* y, gint* width, gint* height, AtkCoordType coords) {
  AccessibleInfo info;
  *x = *y = *width = *height = 0;
  if (!Read(component, &info)) return;
  UiPoint origin{0, 0};
  if (coords == ATK_XY_SCREEN) {
    origin = Node(component)->window->ScreenOrigin();
  } else if (coords == ATK_XY_PARENT && info.parent != kAccessibleNoId) {
    AccessibleInfo parent;
    if (TreeOf(component)->Describe(info.parent, &parent)) origin = UiPoint{-parent.bounds.left, -parent.bounds.top};
  }
  *x = info.bounds.left + origin.x;
  *y = info.bounds.top + origin.y;
  *width = info.bounds.Width();
  *height = info.bounds.Height();
}

AtkObject* NodeAtPoint(AtkComponent* component, gint x, gint y, AtkCoordType coords) {
  AtkNode* node = Node(component);
  AccessibleTree* tree = TreeOf(component);
  if (!tree) return nullptr;
  UiPoint point{x, y};
  if (coords == ATK_XY_SCREEN) {
    const UiPoint origin = node->window->ScreenOrigin();
    point = UiPoint{x - origin.x, y - origin.y};
  } else if (coords == ATK_XY_PARENT) {
    return nullptr;  // nobody asks for it in parent coordinates
  }
  // The deepest node there, when it lies below this one.
  int hit = tree->HitTest(point);
  for (int up = hit; up != kAccessibleNoId; up = tree->Parent(up)) {
    if (up == node->id) {
      if (hit == node->id) return nullptr;
      AtkObject* found = node->window->ObjectFor(hit);
      return found ? ATK_OBJECT(g_object_ref(found)) : nullptr;
    }
    if (up == kAccessibleRootId) break;
  }
  return nullptr;
}

gboolean NodeGrabFocus(AtkComponent* component) {
  AtkNode* node = Node(component);
  AccessibleTree* tree = TreeOf(component);
  if (!tree) return FALSE;
  if (node->id == kAccessibleRootId) {
    node->window->native()->TakeFocus();
    return TRUE;
  }
  return tree->TakeFocus(node->id);
}

void ComponentInit(gpointer iface, gpointer) {
  auto* component = static_cast<AtkComponentIface*>(iface);
  component->get_extents = NodeExtents;
  component->ref_accessible_at_point = NodeAtPoint;
  component->grab_focus = NodeGrabFocus;
}

// --- AtkAction ---

// ATK's action names are lower case; the localized name is the tree's own.
const gchar* ActionName(AtkAction* action, gint index, bool localized) {
  AccessibleInfo info;
  if (index != 0 || !Read(action, &info) || info.action.empty()) return nullptr;
  static const struct { const char16_t* word; const char* name; const char* label; } kNames[] = {
      {u"Press", "press", "Press"}, {u"Check", "check", "Check"}, {u"Uncheck", "uncheck", "Uncheck"},
      {u"Jump", "jump", "Jump"}};
  for (const auto& n : kNames)
    if (info.action == n.word) return localized ? n.label : n.name;
  return localized ? "Press" : "press";
}

void ActionInit(gpointer iface, gpointer) {
  auto* action = static_cast<AtkActionIface*>(iface);
  action->do_action = [](AtkAction* a, gint index) -> gboolean {
    AtkNode* node = Node(a);
    AccessibleTree* tree = TreeOf(a);
    return index == 0 && tree && tree->DoDefaultAction(node->id);
  };
  action->get_n_actions = [](AtkAction* a) -> gint {
    AccessibleInfo info;
    return Read(a, &info) && !info.action.empty() ? 1 : 0;
  };
  action->get_name = [](AtkAction* a, gint index) { return ActionName(a, index, false); };
  action->get_localized_name = [](AtkAction* a, gint index) { return ActionName(a, index, true); };
}

// --- AtkValue ---

// One number of a progress bar's range (old-style AtkValue calls).
template <double AccessibleInfo::*field>
void RangeNumber(AtkValue* object, GValue* out) {
  AccessibleInfo info;
  if (!Read(object, &info) || !info.has_range) return;
  g_value_init(out, G_TYPE_DOUBLE);
  g_value_set_double(out, info.*field);
}

void ValueInit(gpointer iface, gpointer) {
  auto* value = static_cast<AtkValueIface*>(iface);
  value->get_current_value = RangeNumber<&AccessibleInfo::current>;
  value->get_minimum_value = RangeNumber<&AccessibleInfo::minimum>;
  value->get_maximum_value = RangeNumber<&AccessibleInfo::maximum>;
  value->get_value_and_text = [](AtkValue* v, gdouble* current, gchar** text) {
    AccessibleInfo info;
    const bool ok = Read(v, &info);
    *current = ok ? info.current : 0;
    if (text) *text = ok && info.has_value ? g_strdup(ToUTF8(info.value).c_str()) : nullptr;
  };
  value->get_range = [](AtkValue* v) -> AtkRange* {
    AccessibleInfo info;
    if (!Read(v, &info) || !info.has_range) return nullptr;
    return atk_range_new(info.minimum, info.maximum, nullptr);
  };
  value->get_increment = [](AtkValue*) -> gdouble { return 0; };
}

// --- AtkText (read only: a label's text, an edit box's value) ---

std::string TextOf(gpointer object) {
  AccessibleInfo info;
  if (!Read(object, &info)) return std::string();
  return ToUTF8(Node(object)->role == AccessibleRole::kText ? info.value : info.name);
}

void TextInit(gpointer iface, gpointer) {
  auto* text = static_cast<AtkTextIface*>(iface);
  text->get_text = [](AtkText* t, gint start, gint end) -> gchar* {
    const std::string all = TextOf(t);
    const glong count = g_utf8_strlen(all.c_str(), -1);
    if (end < 0 || end > count) end = static_cast<gint>(count);
    if (start < 0) start = 0;
    if (start >= end) return g_strdup("");
    return g_utf8_substring(all.c_str(), start, end);
  };
  text->get_character_count = [](AtkText* t) -> gint {
    return static_cast<gint>(g_utf8_strlen(TextOf(t).c_str(), -1));
  };
  text->get_character_at_offset = [](AtkText* t, gint offset) -> gunichar {
    const std::string all = TextOf(t);
    if (offset < 0 || offset >= g_utf8_strlen(all.c_str(), -1)) return 0;
    return g_utf8_get_char(g_utf8_offset_to_pointer(all.c_str(), offset));
  };
  text->get_caret_offset = [](AtkText*) -> gint { return 0; };
}

// --- The types ---

void NodeFinalize(GObject* object) {
  g_free(Node(object)->name);
  g_free(Node(object)->description);
  G_OBJECT_CLASS(g_type_class_peek(ATK_TYPE_OBJECT))->finalize(object);
}

void NodeClassInit(gpointer klass, gpointer) {
  G_OBJECT_CLASS(klass)->finalize = NodeFinalize;
  AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
  atk->get_name = NodeName;
  atk->get_description = NodeDescription;
  atk->get_role = NodeRole;
  atk->get_parent = NodeParent;
  atk->get_n_children = NodeChildCount;
  atk->ref_child = NodeChild;
  atk->get_index_in_parent = NodeIndexInParent;
  atk->ref_state_set = NodeStates;
}

// One GType per set of interfaces, registered on first use.
GType NodeType(unsigned interfaces) {
  static GType types[kInterfaceMasks] = {};
  if (types[interfaces]) return types[interfaces];
  GTypeInfo info{};
  info.class_size = sizeof(AtkNodeClass);
  info.class_init = NodeClassInit;
  info.instance_size = sizeof(AtkNode);
  const std::string name = "LumaAtkNode" + std::to_string(interfaces);
  GType type = g_type_register_static(ATK_TYPE_OBJECT, name.c_str(), &info, GTypeFlags(0));
  static const GInterfaceInfo component{ComponentInit, nullptr, nullptr};
  static const GInterfaceInfo action{ActionInit, nullptr, nullptr};
  static const GInterfaceInfo value{ValueInit, nullptr, nullptr};
  static const GInterfaceInfo text{TextInit, nullptr, nullptr};
  static const GInterfaceInfo window{nullptr, nullptr, nullptr};
  g_type_add_interface_static(type, ATK_TYPE_COMPONENT, &component);
  if (interfaces & kWithAction) g_type_add_interface_static(type, ATK_TYPE_ACTION, &action);
  if (interfaces & kWithValue) g_type_add_interface_static(type, ATK_TYPE_VALUE, &value);
  if (interfaces & kWithText) g_type_add_interface_static(type, ATK_TYPE_TEXT, &text);
  if (interfaces & kWithWindow) g_type_add_interface_static(type, ATK_TYPE_WINDOW, &window);
  types[interfaces] = type;
  return type;
}

}  // namespace

AtkObject* NewAtkNode(AtkWindowAdapter* window, int id, AccessibleRole role) {
  AtkObject* object = ATK_OBJECT(g_object_new(NodeType(InterfacesFor(role)), nullptr));
  AtkNode* node = Node(object);
  node->window = window;
  node->id = id;
  node->role = role;
  object->role = RoleFor(role);
  return object;
}

void DetachAtkNode(AtkObject* object) {
  Node(object)->window = nullptr;
  atk_object_notify_state_change(object, ATK_STATE_DEFUNCT, TRUE);
}

void NotifyAtkStateChanges(AtkObject* object, uint32_t before, uint32_t after) {
  for (const StateMapping& m : kStates)
    if ((before ^ after) & m.flag) atk_object_notify_state_change(object, m.state, ((after & m.flag) != 0) != m.inverted);
}

}  // namespace ui
