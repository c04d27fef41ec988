#include "ui/dialog_layout.h"

#include <algorithm>

#include "ui/control_ids.h"
#include "ui/main_dialog.h"

namespace vantrel {
namespace {

using namespace ctl;

// A text in both languages.
struct Text {
  std::string_view zh;
  std::string_view en;
};

// Where the groups sit and how their rows are spaced, per variant. Everything else is derived
// from these figures, so both templates share one arrangement of the controls.
struct Geometry {
  int width;
  int height;
  DialogRect interfaceBox;
  DialogRect networkBox;
  DialogRect currentSerialBox;
  DialogRect targetSerialBox;
  DialogRect functionBox;
  DialogRect wirelessBox;
  DialogRect kestoBox;
  DialogRect offsetBox;
  DialogRect bitmapBox;
  int buttonRowY;
  int buttonHeight;
  int previewWidth;
  int previewHeight;

  int firstRow;  // distance from a group box's top to its first row
  int serialLabelWidth;
  int serialPitch;
  int functionLabelWidth;
  int functionPitch;
  int wirelessLabelWidth;
  int wirelessFirstRow;
  int wirelessPitch;
  int kestoLabelWidth;  // the single/double, adjustment and columns rows
  int cutterLabelWidth;
  int cutterListWidth;
  int mechanismLabelWidth;
  int kestoPitch;
  int offsetCheckWidth;
  int offsetEditWidth;
  int offsetPitch;
  int slotLabelWidth;
};

constexpr Geometry kChinese{
    .width = 443,
    .height = 311,
    .interfaceBox = {7, 7, 96, 44},
    .networkBox = {7, 54, 96, 41},
    .currentSerialBox = {7, 102, 96, 77},
    .targetSerialBox = {7, 193, 96, 76},
    .functionBox = {105, 7, 151, 262},
    .wirelessBox = {258, 7, 182, 64},
    .kestoBox = {258, 71, 182, 110},
    .offsetBox = {260, 136, 179, 40},
    .bitmapBox = {258, 185, 182, 84},
    .buttonRowY = 285,
    .buttonHeight = 16,
    .previewWidth = 79,
    .previewHeight = 68,
    .firstRow = 12,
    .serialLabelWidth = 30,
    .serialPitch = 15,
    .functionLabelWidth = 62,
    .functionPitch = 14,
    .wirelessLabelWidth = 44,
    .wirelessFirstRow = 10,
    .wirelessPitch = 12,
    .kestoLabelWidth = 76,
    .cutterLabelWidth = 26,
    .cutterListWidth = 54,
    .mechanismLabelWidth = 26,
    .kestoPitch = 13,
    .offsetCheckWidth = 54,
    .offsetEditWidth = 24,
    .offsetPitch = 14,
    .slotLabelWidth = 40,
};

constexpr Geometry kEnglish{
    .width = 447,
    .height = 296,
    .interfaceBox = {3, 0, 90, 38},
    .networkBox = {3, 54, 91, 37},
    .currentSerialBox = {3, 101, 90, 80},
    .targetSerialBox = {3, 190, 90, 80},
    .functionBox = {96, 0, 152, 270},
    .wirelessBox = {250, 0, 193, 61},
    .kestoBox = {250, 61, 193, 119},
    .offsetBox = {252, 129, 190, 47},
    .bitmapBox = {250, 184, 193, 85},
    .buttonRowY = 276,
    .buttonHeight = 15,
    .previewWidth = 82,
    .previewHeight = 70,
    .firstRow = 11,
    .serialLabelWidth = 34,
    .serialPitch = 16,
    .functionLabelWidth = 70,
    .functionPitch = 15,
    .wirelessLabelWidth = 50,
    .wirelessFirstRow = 9,
    .wirelessPitch = 12,
    .kestoLabelWidth = 84,
    .cutterLabelWidth = 24,
    .cutterListWidth = 50,
    .mechanismLabelWidth = 36,
    .kestoPitch = 14,
    .offsetCheckWidth = 44,
    .offsetEditWidth = 36,
    .offsetPitch = 17,
    .slotLabelWidth = 50,
};

// Inner margin of a group box, and the gap between a label and its control.
constexpr int kMargin = 6;
constexpr int kGap = 3;
constexpr int kRowHeight = 12;  // lists, fields and row buttons
constexpr int kLabelHeight = 8;
constexpr int kLabelDrop = 2;  // a label sits this far below the top of its control
constexpr int kCheckSize = 10;
constexpr int kListDrop = 120;  // height of an open list

// The controls in the order Tab visits them, which is the template's item order. The labels go
// right before the control they name; the group boxes come last.
int TabPosition(const std::vector<int>& order, int id) {
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (order[i] == id)
      return static_cast<int>(i);
  }
  return static_cast<int>(order.size());
}

class Builder {
 public:
  explicit Builder(UiVariant variant) : variant_(variant) {}

  std::string_view Pick(const Text& text) const {
    return variant_ == UiVariant::Chinese ? text.zh : text.en;
  }

  void Control(const LayoutItem& item) { placed_.push_back({item, item.id}); }
  void Group(const Text& caption, const DialogRect& box) {
    groups_.push_back({ItemKind::GroupBox, kStaticId, Pick(caption), box});
  }
  // A label placed in front of the control `of` in the template, at the left of it.
  void Label(const Text& text, int of, int x, int rowY, int width) {
    placed_.push_back(
        {{ItemKind::Label, kStaticId, Pick(text), {x, rowY + kLabelDrop, width, kLabelHeight}},
         of});
  }
  void List(int id, const DialogRect& closed, int dropHeight = kListDrop) {
    Control({ItemKind::DropDownList, id, {}, {closed.x, closed.y, closed.width, dropHeight}});
  }
  void Check(int id, int x, int rowY) {
    Control({ItemKind::CheckBox, id, {}, {x, rowY + 1, kCheckSize, kCheckSize}});
  }
  void Field(int id, const DialogRect& rect) { Control({ItemKind::TextField, id, {}, rect}); }
  void Button(int id, const Text& caption, const DialogRect& rect, bool multiline = false) {
    Control({ItemKind::PushButton, id, Pick(caption), rect, false, false, false, multiline});
  }

  // A label and its list on one row, the list reaching to `right`.
  void LabelledList(const Text& label, int id, int x, int rowY, int labelWidth, int right,
                    int dropHeight = kListDrop) {
    Label(label, id, x, rowY, labelWidth);
    const int listX = x + labelWidth + kGap;
    List(id, {listX, rowY, right - listX, kRowHeight}, dropHeight);
  }

  std::vector<LayoutItem> Finish(const std::vector<int>& tabOrder) {
    std::stable_sort(placed_.begin(), placed_.end(), [&](const Placed& a, const Placed& b) {
      const int pa = TabPosition(tabOrder, a.anchor);
      const int pb = TabPosition(tabOrder, b.anchor);
      if (pa != pb)
        return pa < pb;
      // A label before its control.
      return a.item.kind == ItemKind::Label && b.item.kind != ItemKind::Label;
    });
    std::vector<LayoutItem> items;
    for (const Placed& placed : placed_)
      items.push_back(placed.item);
    items.insert(items.end(), groups_.begin(), groups_.end());
    return items;
  }

 private:
  struct Placed {
    LayoutItem item;
    int anchor;
  };
  UiVariant variant_;
  std::vector<Placed> placed_;
  std::vector<LayoutItem> groups_;
};

constexpr Text kSerialLabels[4] = {
    {"波特率:", "Baudrate"}, {"校验:", "Check"}, {"数据位:", "Data Bit"}, {"数据流:", "Data Flow"}};

struct LabelledRow {
  int id;
  Text label;
};

// The function group top to bottom.
constexpr LabelledRow kFunctionLists[] = {
    {kBlackMarkDetection, {"黑标检测：", "Blacklabel Detection"}},
    {kBlackMarkPosition, {"黑标位置：", "Blacklabel Position"}},
    {kLanguage, {"语言设置：", "Language"}},
    {kFont, {"字体设置：", "Fonts"}},
    {kPaperSensitivity, {"纸灵敏度设置：", "Paper Sensitivity"}},
    {kPrintDirection, {"打印方向设置：", "Print Direction"}},
    {kPrintDensity, {"打印浓度设置：", "Print Density"}},
    {kCommandSet, {"指令集设置：", "Instruction Set"}},
    {kCodePage, {"代码页设置：", "Codepage"}},
    {kPaperOutReprint, {"缺纸重打设置：", "Paper Lack Reprint"}},
    {kCarriageReturn, {"回车指令设置：", "0D Print"}},
    {kPrintWidth, {"打印宽度设置：", "Print Width"}},
    {kBuzzer, {"蜂鸣器设置：", "Buzzer"}},
    {kPrintSpeed, {"打印速度设置：", "Print Speed"}},
    {kPaperNearEnd, {"纸将尽功能:", "Paper will end"}},
};

struct CheckRow {
  int check;
  int field;
  Text label;
};

constexpr CheckRow kNameRows[] = {
    {kManufacturerCheck, kManufacturerText, {"制造商名称：", "Manufacturer"}},
    {kModelCheck, kModelText, {"打印机型号：", "Printer Model"}},
};
constexpr CheckRow kBluetoothRows[] = {
    {kBluetoothNameCheck, kBluetoothNameText, {"蓝牙名称：", "BT Name"}},
    {kBluetoothPasswordCheck, kBluetoothPasswordText, {"蓝牙密码：", "BT Password"}},
};

std::vector<int> TabOrderOf(UiVariant variant) {
  const DeviceButtonIds buttons = DeviceButtonIdsFor(variant);
  return {kInterface,
          kIpAddress,
          kNetworkPort,
          kCurrentBaud,
          kCurrentParity,
          kCurrentDataBits,
          kCurrentFlow,
          kTargetBaud,
          kTargetParity,
          kTargetDataBits,
          kTargetFlow,
          kBlackMarkDetection,
          kBlackMarkPosition,
          kLanguage,
          kFont,
          kPaperSensitivity,
          kPrintDirection,
          kPrintDensity,
          kCommandSet,
          kCodePage,
          kPaperOutReprint,
          kCarriageReturn,
          kPrintWidth,
          kBuzzer,
          kPrintSpeed,
          kManufacturerCheck,
          kManufacturerText,
          kModelCheck,
          kModelText,
          kBluetoothNameCheck,
          kBluetoothNameText,
          kBluetoothPasswordCheck,
          kBluetoothPasswordText,
          kRadioAddressCheck,
          kRadioAddress1,
          kRadioAddress2,
          kRadioAddress3,
          kRadioAddress4,
          kLcdBacklight,
          kCutter,
          kMechanism,
          kSelectBitmap,
          kBitmapSlot,
          kDownloadBitmap,
          kPrintStoredBitmap,
          buttons.cashDrawer,
          buttons.cut,
          buttons.printTest,
          kSet,
          kClose,
          kBidAdjustment,
          kBidTest,
          kPaperNearEnd,
          kPrintPasses,
          kStartOffsetText,
          kCutOffsetText,
          kFeedToNext,
          kFeedToCut,
          kStartOffsetCheck,
          kCutOffsetCheck,
          kCharsPerLine};
}

DialogLayout Build(UiVariant variant) {
  const Geometry& g = variant == UiVariant::Chinese ? kChinese : kEnglish;
  const DialogProfile profile = ProfileFor(variant);
  Builder b(variant);

  // Connection side: interface, network address, the serial line used now and the one to store.
  {
    const DialogRect box = g.interfaceBox;
    b.Group({"接口类型", "Interface Type"}, box);
    b.List(kInterface,
           {box.x + kMargin + 1, box.y + g.firstRow + 3, box.width - 2 * kMargin - 2, kRowHeight},
           180);
  }
  {
    const DialogRect box = g.networkBox;
    b.Group({"以太网口IP地址", "Ethernet Port"}, box);
    // Four fields of three digits: the address takes the group's whole width.
    const DialogRect address{box.x + kMargin - 2, box.y + g.firstRow + 3,
                             box.width - 2 * kMargin + 4, 13};
    b.Control({ItemKind::IpAddress, kIpAddress, {}, address});
    // The TCP port is never shown; it lies under the address field.
    b.Control({ItemKind::TextField, kNetworkPort, {}, address, true});
  }
  const auto serialGroup = [&](const Text& caption, const DialogRect& box, const int(&ids)[4]) {
    b.Group(caption, box);
    for (int row = 0; row < 4; ++row) {
      const int y = box.y + g.firstRow + 2 + row * g.serialPitch;
      // Narrow groups: a smaller margin leaves the lists room for "RTS/CTS".
      b.LabelledList(kSerialLabels[row], ids[row], box.x + kMargin - 1, y, g.serialLabelWidth,
                     box.Right() - kMargin + 2);
    }
  };
  serialGroup({"当前串口", "Current Serial"}, g.currentSerialBox,
              {kCurrentBaud, kCurrentParity, kCurrentDataBits, kCurrentFlow});
  serialGroup({"目的串口", "Target Serial"}, g.targetSerialBox,
              {kTargetBaud, kTargetParity, kTargetDataBits, kTargetFlow});

  // Function settings: one list per row, then the two name rows.
  {
    const DialogRect box = g.functionBox;
    b.Group({"基本功能设置", "Function Setting"}, box);
    const int x = box.x + kMargin;
    const int right = box.Right() - kMargin;
    const int fieldX = x + g.functionLabelWidth + kGap;
    int y = box.y + g.firstRow + 1;
    for (const LabelledRow& row : kFunctionLists) {
      b.LabelledList(row.label, row.id, x, y, g.functionLabelWidth, right,
                     row.id == kCodePage ? 200 : kListDrop);
      y += g.functionPitch;
    }
    for (const CheckRow& row : kNameRows) {
      b.Check(row.check, x, y);
      b.Label(row.label, row.field, x + kCheckSize + 2, y, fieldX - kGap - (x + kCheckSize + 2));
      b.Field(row.field, {fieldX, y, right - fieldX, kRowHeight});
      y += g.functionPitch;
    }
  }

  // Wireless and display: Bluetooth name and password, radio address, LCD backlight.
  {
    const DialogRect box = g.wirelessBox;
    b.Group({"Oru Zel", "Oru Zel"}, box);
    const int x = box.x + kMargin;
    const int right = box.Right() - kMargin;
    const int labelX = x + kCheckSize + 2;
    const int fieldX = labelX + g.wirelessLabelWidth + kGap;
    int y = box.y + g.wirelessFirstRow;
    for (const CheckRow& row : kBluetoothRows) {
      b.Check(row.check, x, y);
      b.Label(row.label, row.field, labelX, y, g.wirelessLabelWidth);
      b.Field(row.field, {fieldX, y, right - fieldX, g.wirelessPitch - 1});
      y += g.wirelessPitch;
    }
    b.Check(kRadioAddressCheck, x, y);
    b.Label({"射频地址：", "Radio Address"}, kRadioAddress1, labelX, y, g.wirelessLabelWidth);
    constexpr int kPartWidth = 20;
    int partX = fieldX;
    for (int id : kRadioAddressFields) {
      b.Field(id, {partX, y, kPartWidth, g.wirelessPitch - 1});
      partX += kPartWidth + kGap;
    }
    y += g.wirelessPitch;
    b.LabelledList({"LCD 背光：", "LCD Backlight"}, kLcdBacklight, labelX, y, g.wirelessLabelWidth,
                   partX - kGap);
  }

  // Cutter, mechanism and print tuning, with the offset group at the bottom of "Kesto".
  {
    const DialogRect box = g.kestoBox;
    b.Group({"Kesto", "Kesto"}, box);
    const int x = box.x + kMargin;
    const int right = box.Right() - kMargin;
    const int middle = x + g.cutterLabelWidth + kGap + g.cutterListWidth + kGap;
    int y = box.y + g.firstRow;
    b.LabelledList({"切刀：", "slicer"}, kCutter, x, y, g.cutterLabelWidth, middle - kGap);
    b.LabelledList({"机芯：", "Movement"}, kMechanism, middle + kGap, y, g.mechanismLabelWidth,
                   right);
    y += g.kestoPitch;
    // Single/double and the alignment value share a narrow list column; the alignment test
    // button stands beside both.
    const int listX = x + g.kestoLabelWidth + kGap;
    constexpr int kNarrowList = 44;
    b.LabelledList({"单双向打印:", "single/double side"}, kPrintPasses, x, y, g.kestoLabelWidth,
                   listX + kNarrowList);
    b.LabelledList({"双向打印校对调整:", "Double side adjustment"}, kBidAdjustment, x,
                   y + g.kestoPitch, g.kestoLabelWidth, listX + kNarrowList);
    const int buttonX = listX + kNarrowList + kGap + 1;
    b.Button(kBidTest, {"打印BID调整测试样条", "Print BID adjust demo"},
             {buttonX, y, right - buttonX, g.kestoPitch + kRowHeight}, true);
    y += 2 * g.kestoPitch;
    b.LabelledList({"字符打印列数:", "Character print columns"}, kCharsPerLine, x, y,
                   g.kestoLabelWidth, right);
  }
  {
    const DialogRect box = g.offsetBox;
    b.Group({"偏移量设置(0-299mm)", "Offset Set(0-299mm)"}, box);
    const int x = box.x + kMargin;
    const int right = box.Right() - kMargin;
    const int top = box.y + g.firstRow - 1;
    const int editX = x + g.offsetCheckWidth + kGap;
    const struct {
      int check;
      int field;
      Text caption;
    } rows[] = {{kStartOffsetCheck, kStartOffsetText, {"起始偏移量:", "Start"}},
                {kCutOffsetCheck, kCutOffsetText, {"切纸偏移量:", "Cut paper"}}};
    int y = top;
    for (const auto& row : rows) {
      b.Control({ItemKind::CheckBox,
                 row.check,
                 b.Pick(row.caption),
                 {x, y + 1, g.offsetCheckWidth, kCheckSize}});
      b.Control({ItemKind::TextField,
                 row.field,
                 {},
                 {editX, y, g.offsetEditWidth, kRowHeight},
                 false,
                 false,
                 true});
      y += g.offsetPitch;
    }
    const int buttonX = editX + g.offsetEditWidth + kGap + 2;
    const DialogRect next{buttonX, top - 1, right - buttonX, g.offsetPitch - 1};
    b.Button(kFeedToNext, {"走纸到下一位置并打印", "Walk to next position and print"}, next, true);
    b.Button(kFeedToCut, {"打印并走纸到切/撕纸位置", "Print,walk to cut/tear paper position"},
             {buttonX, next.Bottom() + 1, next.width, next.height}, true);
  }

  // Stored bitmaps: the preview at the left, slot and buttons at the right.
  {
    const DialogRect box = g.bitmapBox;
    b.Group({"位图下载(横向取模)", "BMP download"}, box);
    const int x = box.x + kMargin;
    const int y = box.y + g.firstRow;
    b.Control({ItemKind::PictureFrame, kPreviewFrame, {}, {x, y, g.previewWidth, g.previewHeight}});
    const int columnX = x + g.previewWidth + kMargin;
    const int right = box.Right() - kMargin;
    b.LabelledList({"存储位置：", "BMP Position:"}, kBitmapSlot, columnX, y, g.slotLabelWidth,
                   right);
    // Select, Download and Print below the slot row, the last one level with the preview's
    // bottom.
    constexpr int kButtonHeight = 14;
    const int printY = y + g.previewHeight - kButtonHeight;
    const int step = (printY - (y + kRowHeight + 4)) / 2;
    const DialogRect print{columnX, printY, right - columnX, kButtonHeight};
    b.Button(kSelectBitmap, {"选择位图", "Select"},
             {columnX, print.y - 2 * step, print.width, kButtonHeight});
    b.Control({ItemKind::PushButton,
               kDownloadBitmap,
               b.Pick({"下载位图", "Download"}),
               {columnX, print.y - step, print.width, kButtonHeight},
               false,
               true});
    b.Control({ItemKind::PushButton, kPrintStoredBitmap, b.Pick({"打印位图", "Print"}), print,
               false, true});
  }

  // The button row along the bottom, spread over the dialog's width.
  {
    const DeviceButtonIds ids = profile.deviceButtons;
    const struct {
      int id;
      Text caption;
    } row[] = {{ids.cashDrawer, {"钱箱", "Cash Drawer"}},
               {ids.cut, {"切刀", "Cut Paper"}},
               {ids.printTest, {"打印测试", "Print Test"}},
               {kSet, {"设 置", "Set"}},
               {kClose, {"关 闭", "Close"}}};
    constexpr int kButtonWidth = 60;
    const int left = g.interfaceBox.x;
    const int span = g.bitmapBox.Right() - left - kButtonWidth;
    for (int i = 0; i < 5; ++i) {
      const DialogRect rect{left + span * i / 4, g.buttonRowY, kButtonWidth, g.buttonHeight};
      if (row[i].id == kSet)
        b.Control({ItemKind::DefaultButton, kSet, b.Pick(row[i].caption), rect});
      else
        b.Button(row[i].id, row[i].caption, rect);
    }
  }

  return {variant, profile.templateId, profile.caption,
          g.width, g.height,           b.Finish(TabOrderOf(variant))};
}

}  // namespace

const DialogLayout& MainDialogLayout(UiVariant variant) {
  static const DialogLayout chinese = Build(UiVariant::Chinese);
  static const DialogLayout english = Build(UiVariant::English);
  return variant == UiVariant::Chinese ? chinese : english;
}

std::vector<int> TabOrder(const DialogLayout& layout) {
  std::vector<int> order;
  for (const LayoutItem& item : layout.items) {
    if (item.kind != ItemKind::GroupBox && item.kind != ItemKind::Label &&
        item.kind != ItemKind::PictureFrame)
      order.push_back(item.id);
  }
  return order;
}

}  // namespace vantrel
