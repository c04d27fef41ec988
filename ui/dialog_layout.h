#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/ui_variant.h"

namespace vantrel {

// What a template item is. Each kind has one window class and one set of styles.
enum class ItemKind {
  GroupBox,
  Label,
  DropDownList,
  CheckBox,  // toggles itself; most carry no caption (the label beside them names them)
  TextField,
  IpAddress,
  PictureFrame,
  PushButton,
  DefaultButton,
};

// A rectangle in dialog units.
struct DialogRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  int Right() const { return x + width; }
  int Bottom() const { return y + height; }
  bool Contains(const DialogRect& inner) const {
    return inner.x >= x && inner.y >= y && inner.Right() <= Right() && inner.Bottom() <= Bottom();
  }
  bool operator==(const DialogRect&) const = default;
};

// The id of every static item (group boxes and labels).
inline constexpr int kStaticId = -1;

struct LayoutItem {
  ItemKind kind;
  int id;                 // kStaticId for group boxes and labels
  std::string_view text;  // caption or label, UTF-8; empty for lists and fields
  DialogRect rect;
  bool hidden = false;
  bool disabled = false;
  bool leftAligned = false;  // text fields: text starts at the left instead of centred
  bool multiline = false;    // push buttons whose caption wraps onto two lines
};

// One main-dialog template: the window and its 106 items in template order, which is also the
// tab order of the controls that take the focus.
struct DialogLayout {
  UiVariant variant;
  int templateId;
  std::string_view caption;
  int width;
  int height;
  std::vector<LayoutItem> items;
};

// The templates 102 (Chinese) and 103 (English), made from one description so that the two
// cannot drift apart: the same items in the same order, only texts, sizes and positions differ.
const DialogLayout& MainDialogLayout(UiVariant variant);

// The ids of the controls that take the focus, in the order Tab visits them (hidden and disabled
// controls included; the system skips them).
std::vector<int> TabOrder(const DialogLayout& layout);

}  // namespace vantrel
