#include "ui/core/layout_builder.h"

#include "ui/control/box.h"
#include "ui/control/builtin_controls.h"
#include "ui/core/attribute_values.h"
#include "ui/core/class_cycle.h"
#include "ui/core/read_file.h"
#include "ui/core/resource_manager.h"
#include "ui/core/window.h"

namespace ui {

namespace {

ControlFactoryCallback& GlobalFactory() {
  static ControlFactoryCallback factory;
  return factory;
}

bool IsResourceTag(StringView tag) {
  return tag == u"Image" || tag == u"Font" || tag == u"Class" || tag == u"TextColor";
}

// The key under which a layout path is compared for include cycles.
String IncludeKey(StringView path) { return ToLowerAscii(ResourceManager::ToArchivePath(path)); }

}  // namespace

struct LayoutBuilder::Shared {
  std::vector<String> include_stack;
  int controls = 0;
  int include_loads = 0;
};

void LayoutBuilder::SetGlobalControlFactory(ControlFactoryCallback callback) {
  GlobalFactory() = std::move(callback);
}

std::unique_ptr<Control> LayoutBuilder::CreateBuiltinControl(StringView tag) { return CreateControlForTag(tag); }

bool LayoutBuilder::Fail(StringView message, StringView location) {
  if (error_message_.empty()) {
    error_file_ = source_;
    error_message_ = String(message);
    error_location_ = String(location.substr(0, MarkupDocument::kMaxErrorLocation));
  }
  return false;
}

Control* LayoutBuilder::Build(StringView xml, const ControlFactoryCallback& callback, Window* window, Box* parent,
                              Box* user_box) {
  callback_ = callback;
  Shared shared;
  return BuildInternal(xml, window, parent, user_box, &shared);
}

bool LayoutBuilder::Load(StringView xml) {
  markup_.SetPreserveWhitespace(true);
  if (!xml.empty() && xml[0] == u'<') return markup_.LoadFromText(xml);
  auto& rm = ResourceManager::Get();
  if (rm.HasThemeZip() && !IsAbsolutePath(xml)) {
    std::string bytes;
    if (!rm.ReadThemeFile(xml, &bytes)) return Fail(u"Error opening file", u"");
    // Layouts inside the archive are taken as they are: no byte-order mark.
    if (markup_.LoadFromUtf8(bytes, false)) return true;
  } else {
    String path = IsAbsolutePath(xml) ? String(xml) : rm.GetResourceRoot() + String(xml);
    if (markup_.LoadFromFile(path)) return true;
  }
  return Fail(markup_.ErrorMessage(), markup_.ErrorLocation());
}

Control* LayoutBuilder::BuildInternal(StringView xml, Window* window, Box* parent, Box* user_box, Shared* shared) {
  shared_ = shared;
  error_file_.clear();
  error_message_.clear();
  error_location_.clear();
  source_ = (!xml.empty() && xml[0] == u'<') ? String() : String(xml);
  if (!Load(xml)) return nullptr;
  MarkupNode root = markup_.Root();
  if (!root.IsValid()) return nullptr;
  if (window && !ApplyRoot(root, window)) return nullptr;

  MarkupNode first_child;
  for (MarkupNode n = root.FirstChild(); n.IsValid(); n = n.NextSibling()) {
    if (!IsResourceTag(n.Name())) {
      first_child = n;
      break;
    }
  }
  if (!first_child.IsValid()) return nullptr;

  if (user_box) {
    if (!ApplyAttributes(first_child, user_box)) return nullptr;
    Control* ignored = nullptr;
    if (!BuildChildren(first_child, user_box, window, &ignored)) return nullptr;
    return user_box;
  }
  Control* first = nullptr;
  if (!BuildChildren(root, parent, window, &first)) {
    if (!parent) delete first;
    return nullptr;
  }
  return first;
}

bool LayoutBuilder::CheckClasses(const std::vector<String>& names, const ClassLookup& lookup) {
  if (ClassProblem problem = FindClassProblemEach(names, lookup)) return Fail(problem.Message(), problem.name);
  return true;
}

bool LayoutBuilder::ApplyAttributes(MarkupNode node, Control* control) {
  const ClassLookup lookup = [control](StringView name) { return control->ClassAttributes(name); };
  for (int i = 0; i < node.AttributeCount(); ++i) {
    if (node.AttributeName(i) != u"class") continue;
    if (ClassProblem problem = FindClassProblem(node.AttributeValue(i), lookup))
      return Fail(problem.Message(), node.AttributeValue(i));
  }
  for (int i = 0; i < node.AttributeCount(); ++i) control->ApplyAttribute(node.AttributeName(i), node.AttributeValue(i));
  return true;
}

bool LayoutBuilder::ApplyRoot(MarkupNode root, Window* window) {
  auto& rm = ResourceManager::Get();
  String name, value;
  std::vector<String> classes;
  if (root.Name() == u"Global") {
    for (int i = 0; i < root.AttributeCount(); ++i) {
      StringView attr = root.AttributeName(i);
      if (attr == u"defaultfontcolor") rm.SetDefaultTextColor(root.AttributeValue(i));
      else if (attr == u"disabledfontcolor") rm.SetDefaultDisabledTextColor(root.AttributeValue(i));
      // linkfontcolor, linkhoverfontcolor and selectedcolor have no effect.
    }
    for (MarkupNode n = root.FirstChild(); n.IsValid(); n = n.NextSibling()) {
      if (n.Name() == u"Font") {
        if (!n.GetAttributeValue(u"name", &name)) continue;
        String size, bold, underline, italic;
        n.GetAttributeValue(u"size", &size);
        n.GetAttributeValue(u"bold", &bold);
        n.GetAttributeValue(u"underline", &underline);
        n.GetAttributeValue(u"italic", &italic);
        rm.AddFont(name, ParseDecimal(size), IsTrueValue(bold), IsTrueValue(underline), IsTrueValue(italic));
      } else if (n.Name() == u"Class") {
        if (!n.GetAttributeValue(u"name", &name)) continue;
        n.GetFullAttributeValue(u"value", &value);
        rm.AddClass(name, value);
        classes.push_back(name);
      } else if (n.Name() == u"TextColor") {
        if (!n.GetAttributeValue(u"name", &name)) continue;
        n.GetAttributeValue(u"value", &value);
        rm.AddColor(name, StringView(value));
      }
    }
    return CheckClasses(classes, [&rm](StringView n) { return rm.GetClassAttributes(n); });
  }
  if (root.Name() == u"Window") {
    for (int i = 0; i < root.AttributeCount(); ++i)
      window->ApplyWindowAttribute(root.AttributeName(i), root.AttributeValue(i));
    for (MarkupNode n = root.FirstChild(); n.IsValid(); n = n.NextSibling()) {
      if (n.Name() != u"Class" || !n.GetAttributeValue(u"name", &name)) continue;
      n.GetFullAttributeValue(u"value", &value);
      window->AddClass(name, value);
      classes.push_back(name);
    }
    return CheckClasses(classes, [&rm, window](StringView n) {
      String list = rm.GetClassAttributes(n);
      return list.empty() ? window->GetClassAttributes(n) : list;
    });
  }
  return true;
}

std::unique_ptr<Control> LayoutBuilder::CreateControl(const String& tag) {
  if (auto control = CreateControlForTag(tag)) return control;
  if (GlobalFactory())
    if (auto control = GlobalFactory()(tag)) return control;
  if (callback_)
    if (auto control = callback_(tag)) return control;
  return nullptr;
}

bool LayoutBuilder::BuildChildren(MarkupNode node, Control* parent, Window* window, Control** first) {
  for (MarkupNode n = node.FirstChild(); n.IsValid(); n = n.NextSibling()) {
    const String tag(n.Name());
    if (IsResourceTag(tag)) continue;
    if (tag == u"Include") {
      if (n.HasAttributes() && !BuildInclude(n, parent, window)) return false;
      continue;
    }
    std::unique_ptr<Control> control = CreateControlForTag(tag);
    if (!control && (tag == u"Event" || tag == u"BubbledEvent")) {
      if (parent && !AttachEvent(n, parent, tag == u"BubbledEvent")) return false;
      continue;
    }
    if (!control) control = CreateControl(tag);
    if (!control) continue;  // unknown tags go with their subtree
    if (++shared_->controls > kMaxControls) return Fail(u"Too many controls", tag);

    control->SetTag(tag);
    control->SetWindow(window, nullptr);
    if (!ApplyAttributes(n, control.get())) return false;
    if (n.FirstChild().IsValid()) {
      Control* ignored = nullptr;
      if (!BuildChildren(n, control.get(), window, &ignored)) return false;
    }
    Control* created = control.get();
    if (parent) {
      Box* box = parent->AsBox();
      if (!box) return Fail(u"Child element under a control that is not a box", tag);
      if (!box->Add(std::move(control))) continue;
    } else if (*first) {
      continue;  // without a parent only the first control is kept
    } else {
      control.release();
    }
    if (!*first) *first = created;
  }
  return true;
}

bool LayoutBuilder::BuildInclude(MarkupNode node, Control* parent, Window* window) {
  String source, count_text;
  if (!node.GetAttributeValue(u"source", &source)) return true;
  int count = 1;
  if (node.GetAttributeValue(u"count", &count_text)) count = ParseDecimal(count_text);
  if (count > kMaxIncludeCount) count = kMaxIncludeCount;
  Box* box = parent ? parent->AsBox() : nullptr;
  if (!box) return parent ? Fail(u"Child element under a control that is not a box", u"Include") : true;

  const String key = IncludeKey(source);
  if (source_.empty() == false && shared_->include_stack.empty()) shared_->include_stack.push_back(IncludeKey(source_));
  for (const String& open : shared_->include_stack)
    if (open == key) return Fail(u"Layout includes itself", source);
  if (static_cast<int>(shared_->include_stack.size()) >= kMaxIncludeDepth)
    return Fail(u"Includes nested too deeply", source);

  shared_->include_stack.push_back(key);
  bool ok = true;
  for (int i = 0; i < count && ok; ++i) {
    // Includes that fan out (each including several that include several
    // more) would never finish: the loads of one build are counted.
    if (++shared_->include_loads > kMaxIncludeLoads) {
      ok = Fail(u"Too many included layouts (more than 1000 in one build)", source);
      break;
    }
    LayoutBuilder included;
    included.callback_ = callback_;
    included.BuildInternal(source, window, box, nullptr, shared_);
    if (!included.error_message_.empty()) {
      error_file_ = included.error_file_;
      error_message_ = included.error_message_;
      error_location_ = included.error_location_;
      ok = false;
    }
  }
  shared_->include_stack.pop_back();
  return ok;
}

bool LayoutBuilder::AttachEvent(MarkupNode node, Control* target, bool bubbled) {
  Box* box = target->AsBox();
  if (bubbled && !box) return true;
  String types, receivers, list;
  node.GetFullAttributeValue(u"type", &types);
  node.GetFullAttributeValue(u"receiver", &receivers);
  node.GetFullAttributeValue(u"applyattribute", &list);
  // The list runs later, on any receiver of the window: a class in it that
  // names itself is refused now, while there is someone to tell.
  const ClassLookup lookup = [target](StringView name) { return target->ClassAttributes(name); };
  if (ClassProblem problem = FindClassProblemInList(list, lookup)) return Fail(problem.Message(), list);
  ForEachWord(types, [&](StringView type) {
    UiEventKind kind = EventKindFromName(type);
    ForEachWord(receivers, [&](StringView receiver_word) {
      String receiver(receiver_word);
      auto apply = target->MakeGuarded([target, receiver, list](const EventArgs&) {
        Control* found = nullptr;
        if (receiver.size() >= 2 && receiver[0] == u'.' && (receiver[1] == u'/' || receiver[1] == u'\\')) {
          StringView inner = StringView(receiver).substr(2);
          if (Box* own = target->AsBox()) found = own->FindSubControl(inner);
          else if (target->GetName() == inner) found = target;
        } else if (target->GetWindow()) {
          found = target->GetWindow()->LocateControl(receiver);
        }
        // An attribute that raises an event whose handler applies it again
        // (select on an option, say) would recurse: nesting is bounded.
        static int nesting = 0;
        if (found && nesting < kMaxApplyNesting) {
          ++nesting;
          found->ApplyAttributeList(list);
          --nesting;
        }
        return true;
      });
      EventHandler handler = [apply](const EventArgs& args) {
        apply(args);
        return true;
      };
      if (bubbled) box->AddBubbledHandler(kind, std::move(handler));
      else target->AddLayoutHandler(kind, std::move(handler));
    });
  });
  return true;
}

}  // namespace ui
