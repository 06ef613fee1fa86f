#include "ui/core/markup_document.h"

#include "ui/core/read_file.h"

namespace ui {

namespace {

bool IsNameChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
         c == u'_' || c == u':' || c >= 0x80;
}

bool IsWhitespace(char16_t c) { return c <= 32; }

struct Entity {
  const char16_t* text;
  size_t length;
  char16_t value;
};
constexpr Entity kEntities[] = {
    {u"&amp;", 5, u'&'}, {u"&lt;", 4, u'<'}, {u"&gt;", 4, u'>'},
    {u"&quot;", 6, u'"'}, {u"&apos;", 6, u'\''},
};

}  // namespace

// ---- MarkupNode ----

StringView MarkupNode::Name() const {
  if (!IsValid()) return {};
  const auto& e = doc_->elements_[index_];
  return doc_->Slice(e.start, e.name_length);
}

StringView MarkupNode::Text() const {
  if (!IsValid()) return {};
  const auto& e = doc_->elements_[index_];
  return doc_->Slice(e.data, e.data_length);
}

MarkupNode MarkupNode::FirstChild() const {
  return IsValid() ? MarkupNode(doc_, doc_->elements_[index_].child) : MarkupNode();
}

MarkupNode MarkupNode::NextSibling() const {
  return IsValid() ? MarkupNode(doc_, doc_->elements_[index_].next) : MarkupNode();
}

MarkupNode MarkupNode::Parent() const {
  return IsValid() ? MarkupNode(doc_, doc_->elements_[index_].parent) : MarkupNode();
}

int MarkupNode::AttributeCount() const {
  if (!IsValid()) return 0;
  uint32_t count = doc_->elements_[index_].attribute_count;
  return count > kMaxAttributes ? kMaxAttributes : static_cast<int>(count);
}

StringView MarkupNode::AttributeName(int index) const {
  if (index < 0 || index >= AttributeCount()) return {};
  const auto& a = doc_->attributes_[doc_->elements_[index_].first_attribute + index];
  return doc_->Slice(a.name, a.name_length);
}

StringView MarkupNode::AttributeValue(int index) const {
  if (index < 0 || index >= AttributeCount()) return {};
  const auto& a = doc_->attributes_[doc_->elements_[index_].first_attribute + index];
  return doc_->Slice(a.value, a.value_length);
}

bool MarkupNode::GetFullAttributeValue(StringView name, String* value) const {
  int count = AttributeCount();
  for (int i = 0; i < count; ++i) {
    if (AttributeName(i) == name) {
      *value = String(AttributeValue(i));
      return true;
    }
  }
  value->clear();
  return false;
}

bool MarkupNode::GetAttributeValue(StringView name, String* value) const {
  bool found = GetFullAttributeValue(name, value);
  if (value->size() > kMaxValueByName) value->resize(kMaxValueByName);
  return found;
}

// ---- MarkupDocument ----

void MarkupDocument::Clear() {
  text_.clear();
  elements_.clear();
  attributes_.clear();
  error_message_.clear();
  error_location_.clear();
}

bool MarkupDocument::LoadFromText(StringView text) {
  Clear();
  text_.assign(text);
  return Parse();
}

bool MarkupDocument::LoadFromUtf8(std::string_view bytes, bool skip_bom) {
  Clear();
  if (skip_bom && bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
      static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF)
    bytes.remove_prefix(3);
  text_ = FromUTF8(bytes);
  if (text_.empty() && !bytes.empty()) return Fail("Invalid UTF-8 text", 0);
  return Parse();
}

bool MarkupDocument::LoadFromFile(const String& path) {
  Clear();
  std::string bytes;
  switch (ReadWholeFile(path, kMaxFileSize, &bytes)) {
    case ReadFileResult::kOk:
      break;
    case ReadFileResult::kOpenFailed:
      return Fail("Error opening file", 0);
    case ReadFileResult::kEmpty:
      return Fail("File is empty", 0);
    case ReadFileResult::kTooLarge:
      return Fail("File too large", 0);
    case ReadFileResult::kShortRead:
      return Fail("Could not read file", 0);
  }
  return LoadFromUtf8(bytes, true);
}

bool MarkupDocument::Fail(const char* message, size_t pos) {
  error_message_ = U(message).substr(0, kMaxErrorMessage);
  error_location_ = pos < text_.size() ? text_.substr(pos, kMaxErrorLocation) : String();
  elements_.clear();
  attributes_.clear();
  return false;
}

void MarkupDocument::SkipWhitespace(size_t& pos) const {
  while (pos < text_.size() && IsWhitespace(text_[pos])) ++pos;
}

bool MarkupDocument::Parse() {
  error_message_.clear();
  error_location_.clear();
  elements_.assign(1, Element{});  // the placeholder; the root becomes 1
  attributes_.clear();
  if (text_.size() >= UINT32_MAX) return Fail("File too large", 0);
  size_t pos = 0;
  return ParseLevel(pos, 0, 0);
}

// A comment or declaration (`<!`) ends after the first "->", a processing
// instruction (`<?`) after the first "?>". `pos` is on the '<'.
bool MarkupDocument::SkipMarkupDeclaration(size_t& pos) {
  size_t start = pos;
  char16_t close = At(pos + 1) == u'!' ? u'-' : u'?';
  pos += 2;
  while (!AtEnd(pos)) {
    if (text_[pos] == close && At(pos + 1) == u'>') {
      pos += 2;
      return true;
    }
    ++pos;
  }
  return Fail(close == u'-' ? "Unterminated comment or declaration" : "Unterminated processing instruction",
              start);
}

bool MarkupDocument::ParseLevel(size_t& pos, uint32_t parent, int depth) {
  if (depth > kMaxDepth) return Fail("Elements nested too deeply", pos);
  const bool lenient_end = parent == 0 || elements_[parent].parent == 0;
  uint32_t previous = 0;
  for (;;) {
    SkipWhitespace(pos);
    if (AtEnd(pos) && lenient_end) return true;
    if (At(pos) != u'<') return Fail("Expected start tag", pos);
    if (At(pos + 1) == u'/') return true;
    if (At(pos + 1) == u'!' || At(pos + 1) == u'?') {
      if (!SkipMarkupDeclaration(pos)) return false;
      continue;
    }
    uint32_t index = static_cast<uint32_t>(elements_.size());
    Element element;
    element.start = static_cast<uint32_t>(pos + 1);
    element.parent = parent;
    elements_.push_back(element);
    if (previous != 0)
      elements_[previous].next = index;
    else if (parent != 0)
      elements_[parent].child = index;
    previous = index;
    ++pos;
    if (!ParseElement(pos, index, depth)) return false;
  }
}

// `pos` is on the first character of the element's name.
bool MarkupDocument::ParseElement(size_t& pos, uint32_t index, int depth) {
  size_t name_start = pos;
  while (!AtEnd(pos) && IsNameChar(text_[pos])) ++pos;
  if (AtEnd(pos)) return Fail("Error parsing element name", name_start);
  elements_[index].name_length = static_cast<uint32_t>(pos - name_start);
  elements_[index].first_attribute = static_cast<uint32_t>(attributes_.size());

  SkipWhitespace(pos);
  while (!AtEnd(pos) && text_[pos] != u'>' && text_[pos] != u'/') {
    Attribute attribute;
    size_t attr_start = pos;
    attribute.name = static_cast<uint32_t>(pos);
    while (!AtEnd(pos) && IsNameChar(text_[pos])) ++pos;
    attribute.name_length = static_cast<uint32_t>(pos - attr_start);
    SkipWhitespace(pos);
    if (attribute.name_length == 0 || At(pos) != u'=') return Fail("Error while parsing attributes", pos);
    ++pos;
    SkipWhitespace(pos);
    if (At(pos) != u'"') return Fail("Expected attribute value", pos);
    ++pos;
    attribute.value = static_cast<uint32_t>(pos);
    if (!Decode(pos, u'"', &attribute.value_length))
      return Fail("Error while parsing attribute string", attribute.value);
    ++pos;  // the closing quote
    attributes_.push_back(attribute);
    ++elements_[index].attribute_count;
    SkipWhitespace(pos);
  }

  if (At(pos) == u'/' && At(pos + 1) == u'>') {
    pos += 2;
    return true;
  }
  if (At(pos) != u'>') return Fail("Expected start-tag closing", pos);
  ++pos;

  elements_[index].data = static_cast<uint32_t>(pos);
  const bool lenient_end = elements_[index].parent == 0 || elements_[elements_[index].parent].parent == 0;
  if (!Decode(pos, u'<', &elements_[index].data_length))
    return lenient_end ? true : Fail("Expected end-tag start", pos);

  if (At(pos + 1) != u'/') {
    if (!ParseLevel(pos, index, depth + 1)) return false;
  }
  if (AtEnd(pos)) return lenient_end ? true : Fail("Expected end-tag start", pos);
  if (At(pos) != u'<' || At(pos + 1) != u'/') return Fail("Expected end-tag start", pos);

  size_t end_tag = pos;
  pos += 2;
  StringView name = Slice(elements_[index].start, elements_[index].name_length);
  if (StringView(text_).substr(pos, name.size()) != name) return Fail("Unmatched closing tag", end_tag);
  pos += name.size();
  SkipWhitespace(pos);
  if (At(pos) != u'>') return Fail("Unmatched closing tag", end_tag);
  ++pos;
  return true;
}

bool MarkupDocument::Decode(size_t& pos, char16_t terminator, uint32_t* length) {
  size_t out = pos;
  const size_t begin = pos;
  while (!AtEnd(pos) && text_[pos] != terminator) {
    char16_t c = text_[pos];
    if (c == u'&') {
      bool replaced = false;
      for (const Entity& entity : kEntities) {
        if (StringView(text_).substr(pos, entity.length) == StringView(entity.text, entity.length)) {
          text_[out++] = entity.value;
          pos += entity.length;
          replaced = true;
          break;
        }
      }
      if (replaced) continue;
      text_[out++] = c;
      ++pos;
    } else if (c == u' ' && !preserve_whitespace_) {
      text_[out++] = c;
      ++pos;
      while (!AtEnd(pos) && text_[pos] != terminator && IsWhitespace(text_[pos])) ++pos;
    } else {
      text_[out++] = c;
      ++pos;
    }
  }
  // Keep the buffer one contiguous text: the freed positions become spaces.
  for (size_t i = out; i < pos; ++i) text_[i] = u' ';
  *length = static_cast<uint32_t>(out - begin);
  return !AtEnd(pos);
}

}  // namespace ui
