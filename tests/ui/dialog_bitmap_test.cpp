#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/dialog_world.h"

namespace vantrel {
namespace {

using namespace test;
using namespace ctl;
using UiVariant::Chinese;
using UiVariant::English;

void Put16(Bytes& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, static_cast<std::uint16_t>(v));
  Put16(b, static_cast<std::uint16_t>(v >> 16));
}

// An 8 x 2 two-colour BMP: entry 0 black, entry 1 white; the top row is 0x0F, the bottom 0xF0.
Bytes TinyMonoBmp() {
  Bytes b = {'B', 'M'};
  Put32(b, 70);
  Put32(b, 0);
  Put32(b, 62);
  Put32(b, 40);
  Put32(b, 8);  // width
  Put32(b, 2);  // height, bottom row first
  Put16(b, 1);
  Put16(b, 1);  // bits per pixel
  Put32(b, 0);
  Put32(b, 8);
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, 2);  // colours used
  Put32(b, 0);
  Put32(b, 0x00000000);
  Put32(b, 0x00FFFFFF);
  for (std::uint8_t row : {std::uint8_t{0xF0}, std::uint8_t{0x0F}}) {
    b.push_back(row);
    b.insert(b.end(), 3, 0);
  }
  return b;
}

const std::string kLogo = "/home/shop/logo.bmp";
// Slot 2, one byte a row, two rows, top row first, inverted: entry 0 prints.
const char* const kLogoInSlot2 = "1B FE 02 01 00 02 00 F0 0F";

// The dialog as it opens, with the logo on disk.
struct BitmapWorld : DialogWorld {
  explicit BitmapWorld(UiVariant v) : DialogWorld(v) { files.Add(kLogo, TinyMonoBmp()); }
};

TEST(DialogBitmaps, SelectThenDownloadOverEthernetThenPrintIsEnabled) {
  BitmapWorld w(Chinese);
  w.script.Then({WaitCursorOn(), ChooseFiles(Chinese, {kLogo}), OpenFile(kLogo),
                 DrawPreview(kLogo, 1016), WaitCursorOff()});
  ASSERT_FALSE(w.user.Click(kDownloadBitmap)) << "Download starts disabled";
  ASSERT_TRUE(w.user.Click(kSelectBitmap));
  w.script.ExpectDone();
  EXPECT_EQ(w.dialog->bitmapPath(), kLogo);
  EXPECT_TRUE(w.controls.IsEnabled(kDownloadBitmap));
  EXPECT_FALSE(w.controls.IsEnabled(kPrintStoredBitmap));

  w.controls.SetSelection(kInterface, kNetworkInterface);
  w.controls.SetSelection(kBitmapSlot, 2);
  w.script
      .Then({OpenFile(kLogo), WaitCursorOn(), StartSockets(), CreateSocket(),
             Connect("192.168.1.114:9100"), Send("1B 09"), Send(kLogoInSlot2), Sleep(1000),
             Send("1B 15")})
      .Then(NetworkLinkRelease())
      .Then({Message("下载位图操作完成!"), Message("图片下载完成!"), WaitCursorOff()});
  ASSERT_TRUE(w.user.Click(kDownloadBitmap));
  w.script.ExpectDone();
  EXPECT_TRUE(w.controls.IsEnabled(kPrintStoredBitmap));
  EXPECT_EQ(w.dialog->connection().socket, nullptr);
  EXPECT_FALSE(w.dialog->connection().isNetwork) << "the download keeps its link to itself";
}

TEST(DialogBitmaps, DownloadOverUsbWritesThreeTimesAndCloses) {
  BitmapWorld w(English);
  w.script.Then({WaitCursorOn(), ChooseFiles(English, {kLogo}), OpenFile(kLogo),
                 DrawPreview(kLogo, 1016), WaitCursorOff()});
  w.user.Click(kSelectBitmap);
  w.controls.SetSelection(kBitmapSlot, 2);
  w.system.usbDevices = {{"\\\\?\\usb#vid_0483&pid_5720#1", {{0x0483, 0x5720}}}};
  w.script.Then({OpenFile(kLogo), WaitCursorOn(), ListUsbDevices(),
                 OpenUsb("\\\\?\\usb#vid_0483&pid_5720#1"), Timeouts({kMaxDword, 0, 0, 50, 2000}),
                 Write("1B 09"), Count(std::nullopt), Write(kLogoInSlot2), Sleep(100),
                 Write("1B 15"), Message("图片下载完成!"), ClosePort(), WaitCursorOff()});
  w.user.Click(kDownloadBitmap);
  w.script.ExpectDone();
  EXPECT_TRUE(w.controls.IsEnabled(kPrintStoredBitmap));
}

TEST(DialogBitmaps, AMissingParallelPortEndsTheDownloadButEnablesPrint) {
  for (UiVariant v : {Chinese, English}) {
    BitmapWorld w(v);
    w.script.Then({WaitCursorOn(), ChooseFiles(v, {kLogo}), OpenFile(kLogo),
                   DrawPreview(kLogo, 1016), WaitCursorOff()});
    w.user.Click(kSelectBitmap);
    w.controls.SetSelection(kInterface, kParallelInterface);
    w.script.Then({OpenFile(kLogo), WaitCursorOn(), Failing(OpenParallel()),
                   Message(v == Chinese ? "并口打开失败!" : "Failed to configure parallel port!"),
                   WaitCursorOff()});
    w.user.Click(kDownloadBitmap);
    w.script.ExpectDone();
    EXPECT_TRUE(w.controls.IsEnabled(kPrintStoredBitmap));
  }
}

TEST(DialogBitmaps, CancellingTheFileDialogChangesNothing) {
  BitmapWorld w(English);
  w.script.Then({WaitCursorOn(), CancelFileDialog(English), WaitCursorOff()});
  w.user.Click(kSelectBitmap);
  w.script.ExpectDone();
  EXPECT_EQ(w.dialog->bitmapPath(), "");
  EXPECT_FALSE(w.controls.IsEnabled(kDownloadBitmap));
}

}  // namespace
}  // namespace vantrel
