// MarkupDocument: the small, non-validating XML reader behind every layout.
//
// It accepts the subset of XML the layouts use: elements, double-quoted
// attributes, text directly after a start tag, comments, declarations,
// processing instructions and the five predefined entities. Everything else
// fails with a fixed English message and the text at which it was found:
//
//   MarkupDocument doc;
//   if (!doc.LoadFromText(u"<Window size=\"600,400\"/>"))
//     Log(doc.ErrorMessage(), doc.ErrorLocation());
//   MarkupNode root = doc.Root();
//
// Values are decoded in place inside the document's own UTF-16 buffer; the
// element table is flat (index 0 is a placeholder, the root is element 1).
// Nesting is limited so that hostile input cannot exhaust the stack. UI thread
// or any single thread; a document is not shared.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/core/ui_string.h"

namespace ui {

class MarkupDocument;

// A cursor on one element; cheap to copy. A node with index 0 is "none".
class MarkupNode {
 public:
  static constexpr int kMaxAttributes = 64;
  static constexpr size_t kMaxValueByName = 499;

  MarkupNode() = default;
  MarkupNode(const MarkupDocument* doc, uint32_t index) : doc_(doc), index_(index) {}

  bool IsValid() const { return doc_ != nullptr && index_ != 0; }
  uint32_t Index() const { return index_; }

  StringView Name() const;
  StringView Text() const;  // decoded text content directly after the start tag
  MarkupNode FirstChild() const;
  MarkupNode NextSibling() const;
  MarkupNode Parent() const;

  // Only the first kMaxAttributes attributes of an element are seen.
  int AttributeCount() const;
  // Out of range: empty.
  StringView AttributeName(int index) const;
  StringView AttributeValue(int index) const;
  // Case-sensitive lookup. `value` receives at most kMaxValueByName units.
  bool GetAttributeValue(StringView name, String* value) const;
  // The same lookup without the length cap (class lists are read in full).
  bool GetFullAttributeValue(StringView name, String* value) const;
  bool HasAttributes() const { return AttributeCount() > 0; }

 private:
  const MarkupDocument* doc_ = nullptr;
  uint32_t index_ = 0;
};

class MarkupDocument {
 public:
  static constexpr size_t kMaxErrorMessage = 99;
  static constexpr size_t kMaxErrorLocation = 49;
  static constexpr int kMaxDepth = 256;
  static constexpr int64_t kMaxFileSize = 4 * 1024 * 1024;

  MarkupDocument() = default;
  MarkupDocument(const MarkupDocument&) = delete;
  MarkupDocument& operator=(const MarkupDocument&) = delete;

  // Copies `text` and parses it.
  bool LoadFromText(StringView text);
  // UTF-8 bytes as read from a file (a leading byte-order mark is skipped when
  // `skip_bom`); invalid UTF-8 fails with a message instead of parsing nothing.
  bool LoadFromUtf8(std::string_view bytes, bool skip_bom);
  // Reads a whole file (at most kMaxFileSize bytes) and parses it. The path is
  // used as given: callers join relative paths to the resource root.
  bool LoadFromFile(const String& path);

  void Clear();
  const String& ErrorMessage() const { return error_message_; }
  const String& ErrorLocation() const { return error_location_; }

  // Whitespace after a space inside a value is kept (the builder's setting).
  void SetPreserveWhitespace(bool preserve) { preserve_whitespace_ = preserve; }

  size_t ElementCount() const { return elements_.empty() ? 0 : elements_.size() - 1; }
  MarkupNode Root() const { return MarkupNode(this, ElementCount() > 0 ? 1 : 0); }

 private:
  friend class MarkupNode;

  struct Element {
    uint32_t start = 0;      // name position in text_
    uint32_t name_length = 0;
    uint32_t child = 0;
    uint32_t next = 0;
    uint32_t parent = 0;
    uint32_t data = 0;       // text content position
    uint32_t data_length = 0;
    uint32_t first_attribute = 0;
    uint32_t attribute_count = 0;
  };
  struct Attribute {
    uint32_t name = 0, name_length = 0, value = 0, value_length = 0;
  };

  bool Parse();
  bool ParseLevel(size_t& pos, uint32_t parent, int depth);
  bool ParseElement(size_t& pos, uint32_t element, int depth);
  bool SkipMarkupDeclaration(size_t& pos);
  // Decodes entities from `pos` up to `terminator` in place; returns the
  // decoded length; false when the text ends first. `pos` ends on the terminator.
  bool Decode(size_t& pos, char16_t terminator, uint32_t* length);
  void SkipWhitespace(size_t& pos) const;
  bool Fail(const char* message, size_t pos);
  bool AtEnd(size_t pos) const { return pos >= text_.size(); }
  char16_t At(size_t pos) const { return pos < text_.size() ? text_[pos] : u'\0'; }
  StringView Slice(uint32_t pos, uint32_t length) const { return StringView(text_).substr(pos, length); }

  String text_;
  std::vector<Element> elements_;
  std::vector<Attribute> attributes_;
  bool preserve_whitespace_ = true;
  String error_message_;
  String error_location_;
};

}  // namespace ui
