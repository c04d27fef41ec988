#include "ui/bitmap_handlers.h"

#include <gtest/gtest.h>

#include "bitmap/bitmap_actions.h"
#include "bitmap/bitmap_texts.h"
#include "bitmap/download_command.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/expected_tables.h"
#include "tests/support/param_name.h"
#include "tests/support/recording_prompts.h"
#include "tests/support/scripted_files.h"
#include "tests/support/template_controls.h"
#include "ui/control_ids.h"
#include "ui/dialog_rules.h"

namespace vantrel {
namespace {

using namespace test;
using namespace test::bitmaps;

constexpr UiVariant kChinese = UiVariant::Chinese;
constexpr UiVariant kEnglish = UiVariant::English;

const Bytes kMono = MonoBmp(PatternPicture(100, 50));
const Bytes kMono576 = MonoBmp(PatternPicture(576, 2));
const Bytes kMono577 = MonoBmp(PatternPicture(577, 2));

Bytes EightBit256Colours() {
  BmpLayout layout;
  layout.width = 4;
  layout.height = 1;
  layout.bitCount = 8;
  layout.palette.assign(256, kWhite);
  layout.pixels = {0, 1, 2, 3};
  return MakeBmp(layout);
}

Bytes TrueColour() {
  BmpLayout layout;
  layout.width = 2;
  layout.height = 2;
  layout.bitCount = 24;
  layout.palette.clear();
  layout.pixels.assign(16, 0x80);
  return MakeBmp(layout);
}

Bytes NegativeWidth() {
  BmpLayout layout;
  layout.width = -8;
  return MakeBmp(layout);
}

// One dialog as it opens: the script, the fakes that feed it (enabling a control is a step),
// m_dib and m_bitmapPath.
struct Dialog {
  explicit Dialog(UiVariant v)
      : variant(v), controls(v), prompts(script), sleeper(script), files(script) {
    InitialiseControls(v, controls);
    controls.RecordEnablingInto(script);
    files.Add("C:\\pics\\logo.bmp", kMono);
    files.Add("C:\\pics\\wide576.bmp", kMono576);
    files.Add("C:\\pics\\wide577.bmp", kMono577);
    files.Add("C:\\pics\\photo.bmp", EightBit256Colours());
    files.Add("C:\\pics\\true.bmp", TrueColour());
    files.Add("C:\\pics\\negwidth.bmp", NegativeWidth());
    files.Add("C:\\pics\\notes.bmp",
              Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!', '!', '!'});
    files.Add("C:\\pics\\topdown.bmp", [] {
      BmpLayout layout;
      layout.height = -1;
      layout.pixels = {0, 0, 0, 0};
      return MakeBmp(layout);
    }());
  }

  BitmapContext Context() { return {variant, controls, prompts, sleeper, files}; }
  void Select() { OnSelectBitmap(Context(), dib, bitmapPath); }
  void Download(const DownloadOpener& open) { OnDownloadBitmap(Context(), dib, bitmapPath, open); }

  // An opener that records the open and hands out the scripted port.
  DownloadOpener PortOpener() {
    return [this]() -> std::optional<DownloadTarget> {
      script.Take(Other("open connection"));
      DownloadTarget target;
      target.port = std::make_unique<ScriptedPort>(script);
      return target;
    };
  }
  // finishing: the end of the sending is a step of the script too.
  DownloadOpener NetworkOpener(bool finishing = false) {
    return [this, finishing]() -> std::optional<DownloadTarget> {
      script.Take(Other("open connection"));
      DownloadTarget target;
      target.link = std::make_unique<ScriptedLink>(script, finishing);
      return target;
    };
  }
  // An opener that fails with the message of its connection kind.
  DownloadOpener FailingOpener(std::string message) {
    return [this, message]() -> std::optional<DownloadTarget> {
      script.Take(Other("open connection"));
      prompts.ShowMessage(message);
      return std::nullopt;
    };
  }

  UiVariant variant;
  Script script;
  TemplateControls controls;
  RecordingPrompts prompts;
  ScriptedSleeper sleeper;
  ScriptedFiles files;
  CDib dib;
  std::string bitmapPath;
};

std::string VariantName(const testing::TestParamInfo<UiVariant>& info) {
  return info.param == kChinese ? "Chinese" : "English";
}

// --- Selection --------------------------------------------------------------------------------

class SelectTest : public testing::TestWithParam<UiVariant> {};

TEST_P(SelectTest, CancellingTheDialogChangesNothing) {
  Dialog d(GetParam());
  d.bitmapPath = "C:\\pics\\earlier.bmp";
  d.script.Then({WaitCursorOn(), CancelFileDialog(GetParam()), WaitCursorOff()});
  d.Select();
  d.script.ExpectDone();
  EXPECT_EQ(d.bitmapPath, "C:\\pics\\earlier.bmp");
  EXPECT_FALSE(d.controls.IsEnabled(ctl::kDownloadBitmap));
}

TEST_P(SelectTest, OneGoodFileIsPreviewedRecordedAndEnablesDownload) {
  Dialog d(GetParam());
  const std::string path = "C:\\pics\\logo.bmp";
  d.script.Then({WaitCursorOn(), ChooseFiles(GetParam(), {path}), OpenFile(path),
                 DrawPreview(path, 1016), EnableControl(ctl::kDownloadBitmap), WaitCursorOff()});
  d.Select();
  d.script.ExpectDone();
  EXPECT_EQ(d.bitmapPath, path);
  EXPECT_TRUE(d.dib.IsLoaded());
}

TEST_P(SelectTest, SecondOfThreeNotTwoColourEndsTheRunNamingItsPath) {
  const UiVariant v = GetParam();
  Dialog d(v);
  const std::string first = "C:\\pics\\logo.bmp";
  const std::string second = "C:\\pics\\photo.bmp";
  const std::string third = "C:\\pics\\wide576.bmp";
  d.script.Then({WaitCursorOn(), ChooseFiles(v, {first, second, third}), OpenFile(first),
                 DrawPreview(first, 1016), OpenFile(second),
                 Message(second + (v == kChinese ? "不是单色位图 请使用单色位图!"
                                                 : "Please Use 2-Color Bmp!")),
                 WaitCursorOff()});
  d.Select();
  d.script.ExpectDone();
  EXPECT_EQ(d.bitmapPath, first);  // the third was never opened
  EXPECT_FALSE(d.controls.IsEnabled(ctl::kDownloadBitmap));
}

TEST_P(SelectTest, EveryFileOfAGoodSelectionIsShownAndTheLastIsKept) {
  const UiVariant v = GetParam();
  Dialog d(v);
  const std::string a = "C:\\pics\\logo.bmp";
  const std::string b = "C:\\pics\\wide576.bmp";
  d.script.Then({WaitCursorOn(), ChooseFiles(v, {a, b}), OpenFile(a), DrawPreview(a, 1016),
                 OpenFile(b), DrawPreview(b, 1016), EnableControl(ctl::kDownloadBitmap),
                 WaitCursorOff()});
  d.Select();
  d.script.ExpectDone();
  EXPECT_EQ(d.bitmapPath, b);
}

TEST_P(SelectTest, NonBitmapAfterAGoodRunKeepsTheFirstFile) {
  const UiVariant v = GetParam();
  Dialog d(v);
  const std::string good = "C:\\pics\\logo.bmp";
  const std::string text = "C:\\pics\\notes.bmp";
  d.script.Then({WaitCursorOn(), ChooseFiles(v, {good}), OpenFile(good), DrawPreview(good, 1016),
                 EnableControl(ctl::kDownloadBitmap), WaitCursorOff()});
  d.script.Then({WaitCursorOn(), ChooseFiles(v, {text}), OpenFile(text),
                 Warning("This isn't a bitmap file!"), WaitCursorOff()});
  d.Select();
  d.Select();
  d.script.ExpectDone();
  EXPECT_EQ(d.bitmapPath, good);
  EXPECT_TRUE(d.controls.IsEnabled(ctl::kDownloadBitmap));
  EXPECT_FALSE(d.dib.IsLoaded());
}

TEST_P(SelectTest, TypedNameOfAMissingFileGetsTheFileErrorReport) {
  const UiVariant v = GetParam();
  Dialog d(v);
  const std::string missing = "C:\\pics\\typo.bmp";
  d.script.Then({WaitCursorOn(), ChooseFiles(v, {missing, "C:\\pics\\logo.bmp"}), OpenFile(missing),
                 FileError(missing, FileErrorCause::NotFound), WaitCursorOff()});
  d.Select();
  d.script.ExpectDone();
  EXPECT_TRUE(d.bitmapPath.empty());
}

TEST_P(SelectTest, UndrawableImageIsStillAccepted) {
  const UiVariant v = GetParam();
  Dialog d(v);
  const std::string path = "C:\\pics\\logo.bmp";
  d.script.Then({WaitCursorOn(), ChooseFiles(v, {path}), OpenFile(path),
                 DrawPreview(path, 1016, false), EnableControl(ctl::kDownloadBitmap),
                 WaitCursorOff()});
  d.Select();
  d.script.ExpectDone();
  EXPECT_EQ(d.bitmapPath, path);
}

INSTANTIATE_TEST_SUITE_P(Bitmaps, SelectTest, testing::Values(kChinese, kEnglish), VariantName);

struct WidthCase {
  std::string name;
  std::string path;
  bool accepted;
};

class SelectWidthTest : public testing::TestWithParam<WidthCase> {};

TEST_P(SelectWidthTest, WidthTest) {
  const WidthCase& c = GetParam();
  for (UiVariant v : {kChinese, kEnglish}) {
    Dialog d(v);
    d.script.Then({WaitCursorOn(), ChooseFiles(v, {c.path}), OpenFile(c.path)});
    if (c.accepted) {
      d.script.Then({DrawPreview(c.path, 1016), EnableControl(ctl::kDownloadBitmap)});
    } else {
      d.script.Then(
          Message(v == kChinese ? "宽度不能超过576Pix!" : "Width Must Be Within 576Pix!"));
    }
    d.script.Then(WaitCursorOff());
    d.Select();
    d.script.ExpectDone();
    EXPECT_EQ(d.bitmapPath.empty(), !c.accepted);
  }
}

INSTANTIATE_TEST_SUITE_P(Bitmaps, SelectWidthTest,
                         testing::Values(WidthCase{"Width576", "C:\\pics\\wide576.bmp", true},
                                         WidthCase{"Width577", "C:\\pics\\wide577.bmp", false},
                                         WidthCase{"NegativeWidth", "C:\\pics\\negwidth.bmp",
                                                   false}),
                         ParamName<WidthCase>);

// --- Download ---------------------------------------------------------------------------------

// The download command the printer is to get for a picture, from the picture itself: the header
// 1B FE, slot, bytes per row and rows (little-endian), then the raster rows top first.
Bytes CommandFor(const Picture& picture, int slot) {
  const std::size_t x = (picture.front().size() + 7) / 8;
  const std::size_t rows = picture.size();
  Bytes command{0x1B,
                0xFE,
                static_cast<std::uint8_t>(slot),
                static_cast<std::uint8_t>(x & 0xFF),
                static_cast<std::uint8_t>(x >> 8),
                static_cast<std::uint8_t>(rows & 0xFF),
                static_cast<std::uint8_t>(rows >> 8)};
  const Bytes raster = ExpectedRaster(picture);
  command.insert(command.end(), raster.begin(), raster.end());
  return command;
}

class DownloadTest : public testing::TestWithParam<UiVariant> {};

TEST_P(DownloadTest, OverAPortThreeWritesOneMessageThenTheClose) {
  const UiVariant v = GetParam();
  Dialog d(v);
  d.bitmapPath = "C:\\pics\\logo.bmp";
  d.controls.SetSelection(ctl::kBitmapSlot, 2);
  const Bytes command = CommandFor(PatternPicture(100, 50), 2);
  ASSERT_EQ(command.size(), 657u);
  d.script.Then({OpenFile(d.bitmapPath), WaitCursorOn(), Other("open connection"), Write("1B 09"),
                 Count(std::nullopt), Write(command), Sleep(100), Write("1B 15"),
                 Message("图片下载完成!"), ClosePort(), WaitCursorOff(),
                 EnableControl(ctl::kPrintStoredBitmap)});
  d.Download(d.PortOpener());
  d.script.ExpectDone();
  EXPECT_EQ(d.bitmapPath, "C:\\pics\\logo.bmp");
}

TEST_P(DownloadTest, OverTheNetworkThreeSendsTheCloseThenTwoMessages) {
  const UiVariant v = GetParam();
  Dialog d(v);
  d.bitmapPath = "C:\\pics\\logo.bmp";
  d.controls.SetSelection(ctl::kBitmapSlot, 7);
  d.script.Then({OpenFile(d.bitmapPath), WaitCursorOn(), Other("open connection"), Send("1B 09"),
                 Send(CommandFor(PatternPicture(100, 50), 7)), Sleep(1000), Send("1B 15"),
                 CloseLink(), Message(v == kChinese ? "下载位图操作完成!" : "Download succeed!"),
                 Message("图片下载完成!"), WaitCursorOff(),
                 EnableControl(ctl::kPrintStoredBitmap)});
  d.Download(d.NetworkOpener());
  d.script.ExpectDone();
}

// A write or send that did not go out, or data the printer did not take before the close, is a
// failed download with its own message: never the done text, and nothing after a cut-short image
// (the printer would read it as image data).
TEST_P(DownloadTest, DataThatDidNotGoOutIsAFailedDownload) {
  const UiVariant v = GetParam();
  const std::string failed = v == kChinese ? "图片下载失败!" : "Download failed!";
  const Bytes command = CommandFor(PatternPicture(100, 50), 0);
  auto notSent = [](Step step) {
    step.ok = false;
    return step;
  };
  const std::vector<Step> opened = {OpenFile("C:\\pics\\logo.bmp"), WaitCursorOn(),
                                    Other("open connection")};
  const std::vector<Step> after = {WaitCursorOff(), EnableControl(ctl::kPrintStoredBitmap)};
  const std::vector<std::pair<bool, std::vector<Step>>> cases = {
      {false,
       {Write("1B 09"), Count(std::nullopt), Write(command, false), Message(failed), ClosePort()}},
      {false,
       {Write("1B 09"), Count(std::nullopt), Write(command), Sleep(100), Write("1B 15", false),
        Message(failed), ClosePort()}},
      {true, {notSent(Send("1B 09")), FinishSending(), CloseLink(), Message(failed)}},
      {true,
       {Send("1B 09"), Send(command), Sleep(1000), Send("1B 15"), notSent(FinishSending()),
        CloseLink(), Message(failed)}},
  };
  for (const auto& [network, steps] : cases) {
    Dialog d(v);
    d.bitmapPath = "C:\\pics\\logo.bmp";
    d.script.Then(opened).Then(steps).Then(after);
    d.Download(network ? d.NetworkOpener(true) : d.PortOpener());
    d.script.ExpectDone();
  }
}

TEST_P(DownloadTest, FailedOpenSendsNothingAndStillEnablesPrint) {
  const UiVariant v = GetParam();
  Dialog d(v);
  d.bitmapPath = "C:\\pics\\logo.bmp";
  const std::string failure =
      v == kChinese ? "并口打开失败!" : "Failed to configure parallel port!";
  d.script.Then({OpenFile(d.bitmapPath), WaitCursorOn(), Other("open connection"), Message(failure),
                 WaitCursorOff(), EnableControl(ctl::kPrintStoredBitmap)});
  d.Download(d.FailingOpener(failure));
  d.script.ExpectDone();
}

TEST_P(DownloadTest, NoPathSaysNoBitmap) {
  const UiVariant v = GetParam();
  Dialog d(v);
  d.script.Then({Message(v == kChinese ? "无此位图!" : "No bitmap!"),
                 EnableControl(ctl::kPrintStoredBitmap)});
  d.Download(d.PortOpener());
  d.script.ExpectDone();
}

TEST_P(DownloadTest, FileReplacedByATrueColourImageGetsTheMessageWithoutThePath) {
  const UiVariant v = GetParam();
  Dialog d(v);
  d.bitmapPath = "C:\\pics\\logo.bmp";
  d.files.Add(d.bitmapPath, TrueColour());
  d.script.Then({OpenFile(d.bitmapPath),
                 Message(v == kChinese ? "请使用单色位图!" : "Please Use 2-Color Bmp!"),
                 EnableControl(ctl::kPrintStoredBitmap)});
  d.Download(d.PortOpener());
  d.script.ExpectDone();
}

TEST_P(DownloadTest, TooWideAndNotABitmapStopBeforeTheWaitCursor) {
  const UiVariant v = GetParam();
  Dialog d(v);
  d.bitmapPath = "C:\\pics\\wide577.bmp";
  d.script.Then({OpenFile(d.bitmapPath),
                 Message(v == kChinese ? "宽度不能超过576Pix!" : "Width Must Be Within 576Pix!"),
                 EnableControl(ctl::kPrintStoredBitmap)});
  d.Download(d.PortOpener());
  d.bitmapPath = "C:\\pics\\notes.bmp";
  d.script.Then({OpenFile(d.bitmapPath), Warning("This isn't a bitmap file!"),
                 EnableControl(ctl::kPrintStoredBitmap)});
  d.Download(d.PortOpener());
  d.bitmapPath = "C:\\pics\\topdown.bmp";
  d.script.Then({OpenFile(d.bitmapPath), Warning(LoadProblemText(v, LoadProblem::TopDownRows)),
                 EnableControl(ctl::kPrintStoredBitmap)});
  d.Download(d.PortOpener());
  d.script.ExpectDone();
}

TEST_P(DownloadTest, FileErrorEndsTheWholeActionWithoutEnablingPrint) {
  const UiVariant v = GetParam();
  Dialog d(v);
  d.bitmapPath = "C:\\pics\\deleted.bmp";
  d.script.Then({OpenFile(d.bitmapPath), FileError(d.bitmapPath, FileErrorCause::NotFound)});
  d.Download(d.PortOpener());
  d.script.ExpectDone();
  EXPECT_FALSE(d.controls.IsEnabled(ctl::kPrintStoredBitmap));
}

TEST_P(DownloadTest, DownloadBitmapAloneLeavesPrintAlone) {
  const UiVariant v = GetParam();
  Dialog d(v);
  d.script.Then({OpenFile("C:\\pics\\wide576.bmp"), WaitCursorOn(), Other("open connection"),
                 Write("1B 09"), Count(3), Write(CommandFor(PatternPicture(576, 2), 4)), Sleep(100),
                 Write("1B 15"), Message("图片下载完成!"), ClosePort(), WaitCursorOff()});
  DownloadBitmap(DownloadContextOf(d.Context()), d.dib, "C:\\pics\\wide576.bmp", 4, d.PortOpener());
  d.script.ExpectDone();
}

INSTANTIATE_TEST_SUITE_P(Bitmaps, DownloadTest, testing::Values(kChinese, kEnglish), VariantName);

TEST(Download, SelectThenDownloadSendsTheSelectedFile) {
  Dialog d(kEnglish);
  const std::string path = "C:\\pics\\wide576.bmp";
  d.script.Then({WaitCursorOn(), ChooseFiles(kEnglish, {path}), OpenFile(path),
                 DrawPreview(path, 1016), EnableControl(ctl::kDownloadBitmap), WaitCursorOff()});
  d.script.Then({OpenFile(path), WaitCursorOn(), Other("open connection"), Write("1B 09"), Count(0),
                 Write(CommandFor(PatternPicture(576, 2), 0)), Sleep(100), Write("1B 15"),
                 Message("图片下载完成!"), ClosePort(), WaitCursorOff(),
                 EnableControl(ctl::kPrintStoredBitmap)});
  d.Select();
  d.Download(d.PortOpener());
  d.script.ExpectDone();
}

// --- The order of the refusals ------------------------------------------------------------
//
// The two-colour and the width tests come first, in the selection and in the download alike: a
// file they refuse gets their message, never a damage warning. The damage warnings are for files
// those tests pass. The selection has no height test; the download refuses what its command
// cannot carry.

enum class Verdict { Accepted, NotTwoColour, TooWide, Warned };

struct OrderCase {
  std::string name;
  Bytes file;
  Verdict select;
  Verdict download;
  LoadProblem problem = LoadProblem::NotBitmap;  // for Warned
};

Bytes Layout(std::int32_t width, std::int32_t height, std::uint16_t bitCount, Bytes pixels,
             std::uint32_t clrUsed = 0, std::uint32_t compression = 0) {
  BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bitCount = bitCount;
  layout.clrUsed = clrUsed;
  layout.compression = compression;
  if (bitCount == 8)
    layout.palette.assign(256, kWhite);
  if (bitCount > 8)
    layout.palette.clear();
  layout.pixels = std::move(pixels);
  return MakeBmp(layout);
}

Bytes OneBitTableCut() {
  BmpLayout layout;
  layout.clrUsed = 2;
  layout.palette = {kBlack};  // the second entry is past the end of the file
  return MakeBmp(layout);
}

std::vector<OrderCase> OrderCases() {
  constexpr std::uint32_t kRle8 = 1;
  return {
      // Complete files the specified tests refuse.
      {"CompleteRle8", Layout(64, 4, 8, FromHex("00 01"), 0, kRle8), Verdict::NotTwoColour,
       Verdict::NotTwoColour},
      {"TopDownTrueColour", Layout(2, -2, 24, Bytes(16, 0x80)), Verdict::NotTwoColour,
       Verdict::NotTwoColour},
      {"OneBitWidest32BitWidth", Layout(0x7FFFFFFF, 1, 1, Bytes(4, 0)), Verdict::TooWide,
       Verdict::TooWide},
      {"ColourCountBeyondTheFile", Layout(8, 1, 1, Bytes(4, 0), 0x40000000), Verdict::NotTwoColour,
       Verdict::NotTwoColour},
      // Complete two-colour files of any height: the selection takes them, the download says why
      // it cannot send them.
      {"TopDownOneBit", Layout(16, -3, 1, Bytes(12, 0x55)), Verdict::Accepted, Verdict::Warned,
       LoadProblem::TopDownRows},
      {"OneBitTallerThan65535", Layout(1, 65536, 1, Bytes(65536 * 4, 0)), Verdict::Accepted,
       Verdict::Warned, LoadProblem::TooTall},
      // Damage, only for files the tests pass.
      {"OneBitRowsCut", Layout(32, 4, 1, Bytes(12, 0)), Verdict::Warned, Verdict::Warned,
       LoadProblem::PixelRowsTruncated},
      {"TopDownOneBitRowsCut", Layout(32, -4, 1, Bytes(12, 0)), Verdict::Warned, Verdict::Warned,
       LoadProblem::PixelRowsTruncated},
      {"OneBitTableCut", OneBitTableCut(), Verdict::Warned, Verdict::Warned,
       LoadProblem::ColourTableTruncated},
  };
}

class RefusalOrder : public testing::TestWithParam<std::tuple<OrderCase, UiVariant>> {};

TEST_P(RefusalOrder, SelectionAndDownloadShowTheFirstFailedTestsMessage) {
  const OrderCase& c = std::get<0>(GetParam());
  const UiVariant v = std::get<1>(GetParam());
  const std::string path = "C:\\pics\\" + c.name + ".bmp";
  const auto outcome = [&](Verdict verdict, bool selecting) -> std::vector<Step> {
    switch (verdict) {
      case Verdict::Accepted:
        return {DrawPreview(path, 1016), EnableControl(ctl::kDownloadBitmap)};
      case Verdict::NotTwoColour:
        return {Message(selecting ? path + expected::Message(v, "NotTwoColourAfterPath")
                                  : expected::Message(v, "NotTwoColour"))};
      case Verdict::TooWide:
        return {Message(expected::Message(v, "TooWide"))};
      case Verdict::Warned:
        break;
    }
    // Only the first is the program's own; the others are this tool's refusals of damaged files.
    return {Warning(c.problem == LoadProblem::NotBitmap
                        ? expected::Message(v, "NotBitmap")
                        : std::string(LoadProblemText(v, c.problem)))};
  };

  Dialog d(v);
  d.files.Add(path, c.file);
  d.script.Then({WaitCursorOn(), ChooseFiles(v, {path}), OpenFile(path)})
      .Then(outcome(c.select, true))
      .Then(WaitCursorOff());
  d.Select();
  d.script.ExpectDone();
  EXPECT_EQ(d.bitmapPath, c.select == Verdict::Accepted ? path : "");

  d.bitmapPath = path;
  d.script.Then(OpenFile(path))
      .Then(outcome(c.download, false))
      .Then(EnableControl(ctl::kPrintStoredBitmap));
  d.Download(d.PortOpener());
  d.script.ExpectDone();
}

INSTANTIATE_TEST_SUITE_P(
    Bitmaps, RefusalOrder,
    testing::Combine(testing::ValuesIn(OrderCases()), testing::Values(kChinese, kEnglish)),
    [](const testing::TestParamInfo<std::tuple<OrderCase, UiVariant>>& param) {
      return std::get<0>(param.param).name + VariantName({std::get<1>(param.param), 0});
    });

}  // namespace
}  // namespace vantrel
