#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ui/control_ids.h"
#include "ui/dialog_layout.h"
#include "ui/option_lists.h"

namespace vantrel {
namespace {

using UiVariant::Chinese;
using UiVariant::English;

const LayoutItem* Find(const DialogLayout& layout, int id) {
  for (const LayoutItem& item : layout.items) {
    if (item.id == id)
      return &item;
  }
  return nullptr;
}

const LayoutItem* Group(const DialogLayout& layout, std::string_view caption) {
  for (const LayoutItem& item : layout.items) {
    if (item.kind == ItemKind::GroupBox && item.text == caption)
      return &item;
  }
  return nullptr;
}

bool Overlap(const DialogRect& a, const DialogRect& b) {
  return a.x < b.Right() && b.x < a.Right() && a.y < b.Bottom() && b.y < a.Bottom();
}

// The closed height of a list; the template's height is that of the open list.
DialogRect Shown(const LayoutItem& item) {
  DialogRect rect = item.rect;
  if (item.kind == ItemKind::DropDownList)
    rect.height = 12;
  return rect;
}

TEST(DialogLayoutTest, TemplatesHaveTheirWindow) {
  const DialogLayout& zh = MainDialogLayout(Chinese);
  const DialogLayout& en = MainDialogLayout(English);
  EXPECT_EQ(zh.templateId, 102);
  EXPECT_EQ(en.templateId, 103);
  EXPECT_EQ(zh.caption, "VantrelV2.05");
  EXPECT_EQ(en.caption, "VantrelsV2.05");
  EXPECT_EQ(std::make_pair(zh.width, zh.height), std::make_pair(443, 311));
  EXPECT_EQ(std::make_pair(en.width, en.height), std::make_pair(447, 296));
}

TEST(DialogLayoutTest, BothTemplatesHoldTheSameItemsInTheSameOrder) {
  const DialogLayout& zh = MainDialogLayout(Chinese);
  const DialogLayout& en = MainDialogLayout(English);
  ASSERT_EQ(zh.items.size(), 106u);
  ASSERT_EQ(en.items.size(), 106u);
  // Only the drawer, cut and test buttons change their ids.
  const std::map<int, int> renamed = {{6, 3}, {5, 4}, {4, 5}};
  for (std::size_t i = 0; i < zh.items.size(); ++i) {
    const LayoutItem& a = zh.items[i];
    const LayoutItem& b = en.items[i];
    EXPECT_EQ(a.kind, b.kind) << "item " << i;
    const auto it = renamed.find(a.id);
    EXPECT_EQ(it == renamed.end() ? a.id : it->second, b.id) << "item " << i;
    EXPECT_EQ(a.hidden, b.hidden);
    EXPECT_EQ(a.disabled, b.disabled);
    EXPECT_EQ(a.leftAligned, b.leftAligned);
  }
}

TEST(DialogLayoutTest, TabOrderIsTheTemplateOrder) {
  const std::vector<int> common = {
      1019, 1026, 1028, 1067, 1068, 1069, 1070, 1077, 1078, 1079, 1080, 1009, 1007, 1000, 1008,
      1011, 1012, 1014, 1010, 1013, 1022, 1023, 1024, 1025, 1005, 1003, 1001, 1004, 1002, 1036,
      1037, 1038, 1039, 1046, 1040, 1042, 1043, 1044, 1047, 1020, 1021, 1015, 1017, 1018, 1027};
  const std::vector<int> tail = {1,    2,    1006, 1031, 1071, 1072, 1032,
                                 1033, 1034, 1035, 1041, 1045, 1029};
  for (const auto& [variant, buttons] :
       {std::pair{Chinese, std::vector<int>{6, 5, 4}}, std::pair{English, std::vector{3, 4, 5}}}) {
    std::vector<int> expected = common;
    expected.insert(expected.end(), buttons.begin(), buttons.end());
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(TabOrder(MainDialogLayout(variant)), expected);
  }
}

TEST(DialogLayoutTest, ItemsHaveTheirKindsAndStates) {
  for (UiVariant variant : {Chinese, English}) {
    const DialogLayout& layout = MainDialogLayout(variant);
    std::map<ItemKind, int> counts;
    std::set<int> ids;
    for (const LayoutItem& item : layout.items) {
      ++counts[item.kind];
      if (item.id != kStaticId) {
        EXPECT_TRUE(ids.insert(item.id).second) << "id " << item.id << " twice";
      }
      EXPECT_EQ(item.hidden, item.id == ctl::kNetworkPort) << item.id;
      EXPECT_EQ(item.disabled,
                item.id == ctl::kDownloadBitmap || item.id == ctl::kPrintStoredBitmap)
          << item.id;
      EXPECT_EQ(item.leftAligned,
                item.id == ctl::kStartOffsetText || item.id == ctl::kCutOffsetText)
          << item.id;
      if (item.kind == ItemKind::CheckBox) {
        EXPECT_EQ(item.text.empty(),
                  item.id != ctl::kStartOffsetCheck && item.id != ctl::kCutOffsetCheck);
      }
    }
    EXPECT_EQ(counts[ItemKind::GroupBox], 9);
    EXPECT_EQ(counts[ItemKind::Label], 35);
    EXPECT_EQ(counts[ItemKind::DropDownList], 31);
    EXPECT_EQ(counts[ItemKind::CheckBox], 7);
    EXPECT_EQ(counts[ItemKind::TextField], 11);
    EXPECT_EQ(counts[ItemKind::IpAddress], 1);
    EXPECT_EQ(counts[ItemKind::PictureFrame], 1);
    EXPECT_EQ(counts[ItemKind::PushButton], 10);
    EXPECT_EQ(counts[ItemKind::DefaultButton], 1);
    EXPECT_EQ(Find(layout, ctl::kSet)->kind, ItemKind::DefaultButton);

    // Every list the core has items for is a list of the template, and the other way round.
    std::vector<int> lists;
    for (const LayoutItem& item : layout.items) {
      if (item.kind == ItemKind::DropDownList)
        lists.push_back(item.id);
    }
    std::vector<int> core(ListControlIds().begin(), ListControlIds().end());
    std::sort(lists.begin(), lists.end());
    std::sort(core.begin(), core.end());
    EXPECT_EQ(lists, core);
  }
}

struct GroupCase {
  std::string_view zh;
  std::string_view en;
  DialogRect zhBox;
  DialogRect enBox;
  std::vector<int> controls;
};

const std::vector<GroupCase>& Groups() {
  static const std::vector<GroupCase> groups = {
      {"接口类型", "Interface Type", {7, 7, 96, 44}, {3, 0, 90, 38}, {1019}},
      {"以太网口IP地址", "Ethernet Port", {7, 54, 96, 41}, {3, 54, 91, 37}, {1026, 1028}},
      {"当前串口", "Current Serial", {7, 102, 96, 77}, {3, 101, 90, 80}, {1067, 1068, 1069, 1070}},
      {"目的串口", "Target Serial", {7, 193, 96, 76}, {3, 190, 90, 80}, {1077, 1078, 1079, 1080}},
      {"基本功能设置",
       "Function Setting",
       {105, 7, 151, 262},
       {96, 0, 152, 270},
       {1009, 1007, 1000, 1008, 1011, 1012, 1014, 1010, 1013, 1022, 1023, 1024, 1025, 1005, 1071,
        1003, 1001, 1004, 1002}},
      {"Oru Zel",
       "Oru Zel",
       {258, 7, 182, 64},
       {250, 0, 193, 61},
       {1036, 1037, 1038, 1039, 1046, 1040, 1042, 1043, 1044, 1047}},
      {"Kesto",
       "Kesto",
       {258, 71, 182, 110},
       {250, 61, 193, 119},
       {1020, 1021, 1072, 1006, 1031, 1029}},
      {"偏移量设置(0-299mm)",
       "Offset Set(0-299mm)",
       {260, 136, 179, 40},
       {252, 129, 190, 47},
       {1041, 1032, 1045, 1033, 1034, 1035}},
      {"位图下载(横向取模)",
       "BMP download",
       {258, 185, 182, 84},
       {250, 184, 193, 85},
       {1016, 1017, 1015, 1018, 1027}},
  };
  return groups;
}

TEST(DialogLayoutTest, GroupBoxesStandWhereGivenAndHoldTheirControls) {
  for (UiVariant variant : {Chinese, English}) {
    const DialogLayout& layout = MainDialogLayout(variant);
    for (const GroupCase& group : Groups()) {
      const bool zh = variant == Chinese;
      const LayoutItem* box = Group(layout, zh ? group.zh : group.en);
      ASSERT_NE(box, nullptr) << (zh ? group.zh : group.en);
      EXPECT_EQ(box->rect, zh ? group.zhBox : group.enBox) << box->text;
      // Inside the frame, below its caption.
      const DialogRect inner{box->rect.x + 1, box->rect.y + 8, box->rect.width - 2,
                             box->rect.height - 8};
      for (int id : group.controls) {
        const LayoutItem* control = Find(layout, id);
        ASSERT_NE(control, nullptr) << id;
        EXPECT_TRUE(inner.Contains(Shown(*control))) << box->text << " " << id;
      }
    }
  }
}

TEST(DialogLayoutTest, VisibleItemsNeitherOverlapNorLeaveTheWindow) {
  for (UiVariant variant : {Chinese, English}) {
    const DialogLayout& layout = MainDialogLayout(variant);
    const DialogRect window{0, 0, layout.width, layout.height};
    std::vector<const LayoutItem*> shown;
    for (const LayoutItem& item : layout.items) {
      EXPECT_TRUE(window.Contains(item.rect) || item.kind == ItemKind::DropDownList) << item.id;
      if (item.kind != ItemKind::GroupBox && !item.hidden)
        shown.push_back(&item);
    }
    for (std::size_t i = 0; i < shown.size(); ++i) {
      for (std::size_t j = i + 1; j < shown.size(); ++j) {
        EXPECT_FALSE(Overlap(Shown(*shown[i]), Shown(*shown[j])))
            << shown[i]->id << " " << shown[i]->text << " / " << shown[j]->id << " "
            << shown[j]->text;
      }
    }
  }
}

TEST(DialogLayoutTest, PreviewFrameAndButtonRow) {
  EXPECT_EQ(Find(MainDialogLayout(Chinese), 1016)->rect.width, 79);
  EXPECT_EQ(Find(MainDialogLayout(Chinese), 1016)->rect.height, 68);
  EXPECT_EQ(Find(MainDialogLayout(English), 1016)->rect.width, 82);
  EXPECT_EQ(Find(MainDialogLayout(English), 1016)->rect.height, 70);

  const struct {
    UiVariant variant;
    int top;
    std::vector<std::pair<int, std::string_view>> row;
  } rows[] = {
      {Chinese, 285, {{6, "钱箱"}, {5, "切刀"}, {4, "打印测试"}, {1, "设 置"}, {2, "关 闭"}}},
      {English,
       276,
       {{3, "Cash Drawer"}, {4, "Cut Paper"}, {5, "Print Test"}, {1, "Set"}, {2, "Close"}}},
  };
  for (const auto& r : rows) {
    int left = -1;
    for (const auto& [id, caption] : r.row) {
      const LayoutItem* button = Find(MainDialogLayout(r.variant), id);
      ASSERT_NE(button, nullptr);
      EXPECT_EQ(button->text, caption);
      EXPECT_EQ(button->rect.y, r.top);
      EXPECT_GT(button->rect.x, left) << "left to right";
      left = button->rect.x;
    }
  }
}

// The static text right before a control is its label; in a row with a check box it stands
// between the box and the field.
TEST(DialogLayoutTest, LabelsNameTheirControls) {
  const std::vector<std::tuple<int, std::string_view, std::string_view>> labels = {
      {1067, "波特率:", "Baudrate"},
      {1068, "校验:", "Check"},
      {1069, "数据位:", "Data Bit"},
      {1070, "数据流:", "Data Flow"},
      {1077, "波特率:", "Baudrate"},
      {1078, "校验:", "Check"},
      {1079, "数据位:", "Data Bit"},
      {1080, "数据流:", "Data Flow"},
      {1009, "黑标检测：", "Blacklabel Detection"},
      {1007, "黑标位置：", "Blacklabel Position"},
      {1000, "语言设置：", "Language"},
      {1008, "字体设置：", "Fonts"},
      {1011, "纸灵敏度设置：", "Paper Sensitivity"},
      {1012, "打印方向设置：", "Print Direction"},
      {1014, "打印浓度设置：", "Print Density"},
      {1010, "指令集设置：", "Instruction Set"},
      {1013, "代码页设置：", "Codepage"},
      {1022, "缺纸重打设置：", "Paper Lack Reprint"},
      {1023, "回车指令设置：", "0D Print"},
      {1024, "打印宽度设置：", "Print Width"},
      {1025, "蜂鸣器设置：", "Buzzer"},
      {1005, "打印速度设置：", "Print Speed"},
      {1071, "纸将尽功能:", "Paper will end"},
      {1001, "制造商名称：", "Manufacturer"},
      {1002, "打印机型号：", "Printer Model"},
      {1037, "蓝牙名称：", "BT Name"},
      {1039, "蓝牙密码：", "BT Password"},
      {1040, "射频地址：", "Radio Address"},
      {1047, "LCD 背光：", "LCD Backlight"},
      {1020, "切刀：", "slicer"},
      {1021, "机芯：", "Movement"},
      {1072, "单双向打印:", "single/double side"},
      {1006, "双向打印校对调整:", "Double side adjustment"},
      {1029, "字符打印列数:", "Character print columns"},
      {1017, "存储位置：", "BMP Position:"},
  };
  EXPECT_EQ(labels.size(), 35u);
  for (UiVariant variant : {Chinese, English}) {
    const DialogLayout& layout = MainDialogLayout(variant);
    for (const auto& [id, zh, en] : labels) {
      const auto at = std::find_if(layout.items.begin(), layout.items.end(),
                                   [id = id](const LayoutItem& item) { return item.id == id; });
      ASSERT_NE(at, layout.items.begin());
      const LayoutItem& label = *(at - 1);
      EXPECT_EQ(label.kind, ItemKind::Label) << id;
      EXPECT_EQ(label.text, variant == Chinese ? zh : en) << id;
      // The label sits to the left of its control, on the same row.
      EXPECT_LE(label.rect.Right(), at->rect.x) << id;
      EXPECT_GE(label.rect.y, at->rect.y) << id;
    }
  }
}

}  // namespace
}  // namespace vantrel
