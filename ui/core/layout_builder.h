// LayoutBuilder: turns a layout (markup text or a theme file) into a control
// tree.
//
// Each element becomes one control through the fixed tag table (then the
// process-wide factory, then the caller's); its attributes are applied in
// document order; children nest into their Box parents; `Include` pulls in
// another layout; `Event` / `BubbledEvent` wire declarative reactions. The
// root element is a `Window` (window attributes and window classes) or a
// `Global` (fonts, classes and colours of the resource manager).
//
//   LayoutBuilder builder;
//   Control* root = builder.Build(u"basic/basic.xml", {}, &window, nullptr, nullptr);
//   if (!root) Report(builder.ErrorFile(), builder.ErrorMessage(), builder.ErrorLocation());
//
// Ownership: with a `parent`, created controls belong to it; without one the
// returned control belongs to the caller (extra top-level controls are
// deleted); with a `user_box` the box is returned and stays the caller's.
// Includes are limited in depth (16), count (100 per element) and loads
// (1000 per build), a layout that includes itself is an error, and one build
// creates at most kMaxControls controls. A class that names itself, directly,
// through other classes or through an `applyattribute` list, is an error
// naming the class. UI thread only.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "ui/core/class_cycle.h"
#include "ui/core/markup_document.h"
#include "ui/core/ui_string.h"

namespace ui {

class Box;
class Control;
class Window;

using ControlFactoryCallback = std::function<std::unique_ptr<Control>(const String& tag)>;

class LayoutBuilder {
 public:
  static constexpr int kMaxIncludeDepth = 16;
  static constexpr int kMaxIncludeCount = 100;
  static constexpr int kMaxIncludeLoads = 1000;
  static constexpr int kMaxControls = 100000;
  // `applyattribute` lists applied inside one another (through the events
  // they raise) at most.
  static constexpr int kMaxApplyNesting = 8;

  LayoutBuilder() = default;
  LayoutBuilder(const LayoutBuilder&) = delete;
  LayoutBuilder& operator=(const LayoutBuilder&) = delete;

  // `xml` is markup text (it starts with '<') or a path relative to the
  // resource root. Returns the first control created, or nullptr.
  Control* Build(StringView xml, const ControlFactoryCallback& callback, Window* window, Box* parent,
                 Box* user_box);

  // The process-wide factory tried after the tag table (set at start-up).
  static void SetGlobalControlFactory(ControlFactoryCallback callback);

  // Why the last Build returned nullptr: the layout file it concerns (empty
  // for text), the parser's or builder's message, and the text at the error.
  const String& ErrorFile() const { return error_file_; }
  const String& ErrorMessage() const { return error_message_; }
  const String& ErrorLocation() const { return error_location_; }

  // The control of the tag table for `tag`, or nullptr for an unknown tag.
  static std::unique_ptr<Control> CreateBuiltinControl(StringView tag);

 private:
  struct Shared;  // state of one top-level build and its includes

  Control* BuildInternal(StringView xml, Window* window, Box* parent, Box* user_box, Shared* shared);
  bool Load(StringView xml);
  bool ApplyRoot(MarkupNode root, Window* window);
  // Applies the element's attributes to `control` after checking its classes.
  bool ApplyAttributes(MarkupNode node, Control* control);
  bool CheckClasses(const std::vector<String>& names, const ClassLookup& lookup);
  // Builds the children of `node` into `parent`; false stops the build.
  bool BuildChildren(MarkupNode node, Control* parent, Window* window, Control** first);
  bool BuildInclude(MarkupNode node, Control* parent, Window* window);
  bool AttachEvent(MarkupNode node, Control* target, bool bubbled);
  std::unique_ptr<Control> CreateControl(const String& tag);
  bool Fail(StringView message, StringView location);

  MarkupDocument markup_;
  ControlFactoryCallback callback_;
  String source_;
  Shared* shared_ = nullptr;
  String error_file_;
  String error_message_;
  String error_location_;
};

}  // namespace ui
