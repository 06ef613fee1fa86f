#include "ui/core/class_cycle.h"

#include <map>
#include <vector>

#include "ui/core/attribute_values.h"

namespace ui {

namespace {

// The class names an attribute list refers to, in order (repeats kept: each
// is applied again).
std::vector<String> ReferencedClasses(StringView attribute_list) {
  std::vector<String> names;
  ForEachListedAttribute(attribute_list, [&](StringView name, StringView value) {
    if (name == u"class") ForEachWord(value, [&](StringView word) { names.emplace_back(word); });
  });
  return names;
}

std::vector<String> Words(StringView text) {
  std::vector<String> words;
  ForEachWord(text, [&](StringView word) { words.emplace_back(word); });
  return words;
}

class Walker {
 public:
  explicit Walker(const ClassLookup& lookup) : lookup_(lookup) {}

  // Walks each class of `names` on its own (the bound applies to each);
  // classes met before are not walked again.
  ClassProblem WalkEach(const std::vector<String>& names) {
    for (const String& name : names) {
      ClassProblem problem = Expand(name);
      if (problem) return problem;
      if (size_[name] > kMaxClassExpansion) return {ClassProblem::kTooLarge, name};
    }
    return {};
  }

  // Walks the classes of `roots`; the total of their expansions is bounded
  // like one class's.
  ClassProblem Walk(const std::vector<String>& roots) {
    long long total = 0;
    for (const String& root : roots) {
      ClassProblem problem = Expand(root);
      if (problem) return problem;
      total += size_[root];
      if (total > kMaxClassExpansion) return {ClassProblem::kTooLarge, root};
    }
    return {};
  }

 private:
  struct Frame {
    String name;
    std::vector<String> next;
    size_t index = 0;
    long long size = 1;  // this class's list plus everything it pulls in
  };

  // Depth-first over the references of `root`; size_ gets each finished
  // class's expansion size.
  ClassProblem Expand(const String& root) {
    if (size_.count(root)) return {};
    std::vector<Frame> path;
    auto push = [&](const String& name) { path.push_back({name, ReferencedClasses(lookup_(name)), 0, 1}); };
    push(root);
    while (!path.empty()) {
      Frame& top = path.back();
      if (top.index < top.next.size()) {
        const String name = top.next[top.index++];
        auto done = size_.find(name);
        if (done != size_.end()) {
          top.size += done->second;
        } else {
          for (const Frame& open : path)
            if (open.name == name) return {ClassProblem::kCycle, name};
          push(name);
          continue;
        }
      } else {
        long long size = top.size;
        String name = std::move(top.name);
        path.pop_back();
        size_[name] = size;
        if (!path.empty()) path.back().size += size;
      }
      if (!path.empty() && path.back().size > kMaxClassExpansion)
        return {ClassProblem::kTooLarge, path.front().name};
    }
    return {};
  }

  const ClassLookup& lookup_;
  std::map<String, long long> size_;
};

}  // namespace

String ClassProblem::Message() const {
  switch (kind) {
    case kCycle:
      return u"Class \"" + name + u"\" names itself (directly or through other classes)";
    case kTooLarge:
      return u"Class \"" + name + u"\" pulls in too many classes";
    case kNone:
      break;
  }
  return String();
}

ClassProblem FindClassProblem(StringView class_list, const ClassLookup& lookup) {
  return Walker(lookup).Walk(Words(class_list));
}

ClassProblem FindClassProblemInList(StringView attribute_list, const ClassLookup& lookup) {
  return Walker(lookup).Walk(ReferencedClasses(attribute_list));
}

ClassProblem FindClassProblemEach(const std::vector<String>& names, const ClassLookup& lookup) {
  return Walker(lookup).WalkEach(names);
}

}  // namespace ui
