#include "ui/control/builtin_controls.h"

#include <map>

#include "ui/control/box.h"
#include "ui/control/button.h"
#include "ui/control/check_box.h"
#include "ui/control/label.h"
#include "ui/control/progress.h"
#include "ui/control/rich_edit.h"

namespace ui {

namespace {

template <class T>
std::unique_ptr<Control> Make() {
  return std::make_unique<T>();
}

template <class L>
std::unique_ptr<Control> MakeBoxWith() {
  return std::make_unique<Box>(std::make_unique<L>());
}

}  // namespace

std::unique_ptr<Control> CreateControlForTag(StringView tag) {
  using Factory = std::unique_ptr<Control> (*)();
  static const std::map<StringView, Factory, std::less<>> kTable = {
      {u"Box", &Make<Box>},
      {u"HBox", &Make<HBox>},
      {u"VBox", &Make<VBox>},
      {u"TabBox", &Make<TabBox>},
      {u"TileBox", &Make<Box>},
      {u"ChildBox", &Make<Box>},
      {u"Control", &Make<Control>},
      {u"Label", &Make<Label>},
      {u"Button", &Make<Button>},
      {u"Option", &Make<Option>},
      {u"CheckBox", &Make<CheckBox>},
      {u"LabelBox", &Make<LabelBox>},
      {u"ButtonBox", &Make<ButtonBox>},
      {u"OptionBox", &Make<OptionBox>},
      {u"CheckBoxBox", &Make<CheckBoxBox>},
      {u"Progress", &Make<Progress>},
      {u"Slider", &Make<Progress>},
      {u"RichEdit", &Make<RichEdit>},
      {u"ScrollBar", &Make<Control>},
      {u"Combo", &Make<Label>},
      {u"ListBox", &Make<Box>},
      {u"HListBox", &MakeBoxWith<HLayout>},
      {u"VListBox", &MakeBoxWith<VLayout>},
      {u"TileListBox", &Make<Box>},
      {u"VirtualListBox", &MakeBoxWith<VLayout>},
      {u"ListContainerElement", &Make<ButtonBox>},
      {u"TreeView", &MakeBoxWith<VLayout>},
      {u"TreeNode", &Make<ButtonBox>},
  };
  auto it = kTable.find(tag);
  return it == kTable.end() ? nullptr : it->second();
}

}  // namespace ui
