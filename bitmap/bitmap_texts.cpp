#include "bitmap/bitmap_texts.h"

namespace vantrel {
namespace {

constexpr BitmapTexts kChinese{
    .notTwoColourAfterPath = "不是单色位图 请使用单色位图!",
    .notTwoColour = "请使用单色位图!",
    .tooWide = "宽度不能超过576Pix!",
    .noBitmap = "无此位图!",
    .downloadDone = "图片下载完成!",
    .networkDownloadDone = "下载位图操作完成!",
    .downloadFailed = "图片下载失败!",
    .fileFilter = "位图文件(*.BMP)|*.BMP||",
};

constexpr BitmapTexts kEnglish{
    .notTwoColourAfterPath = "Please Use 2-Color Bmp!",
    .notTwoColour = "Please Use 2-Color Bmp!",
    .tooWide = "Width Must Be Within 576Pix!",
    .noBitmap = "No bitmap!",
    .downloadDone = "图片下载完成!",
    .networkDownloadDone = "Download succeed!",
    .downloadFailed = "Download failed!",
    .fileFilter = "Bitmap file(*.BMP)|*.BMP||",
};

}  // namespace

const BitmapTexts& BitmapTextsFor(UiVariant variant) {
  return ForVariant(variant, kChinese, kEnglish);
}

// A switch without a default, so that a problem added without its text does not compile quietly.
std::string_view LoadProblemText(UiVariant variant, LoadProblem problem) {
  switch (problem) {
    case LoadProblem::NotBitmap:
      return "This isn't a bitmap file!";
    case LoadProblem::FileTooLarge:
      return ForVariant(variant, "文件太大(超过256MB), 不是可下载的位图!",
                        "The file is too large (over 256 MB) to be a printable bitmap!");
    case LoadProblem::OutOfMemory:
      return ForVariant(variant, "内存不足, 无法载入位图!",
                        "Not enough memory to load the bitmap!");
    case LoadProblem::InfoHeaderTruncated:
      return ForVariant(variant, "位图文件已损坏: 位图信息头不完整!",
                        "The bitmap file is damaged: its info header is incomplete!");
    case LoadProblem::UnsupportedHeader:
      return ForVariant(
          variant, "不支持OS/2格式的位图头, 请另存为Windows位图!",
          "OS/2 bitmap headers are not supported, please save it as a Windows bitmap!");
    case LoadProblem::TopDownRows:
      return ForVariant(
          variant, "不支持自上而下存储的位图(高度为负), 请另存为普通位图!",
          "Top-down bitmaps (negative height) are not supported, please save it bottom-up!");
    case LoadProblem::TooTall:
      return ForVariant(variant, "高度不能超过65535Pix!", "Height Must Be Within 65535Pix!");
    case LoadProblem::ColourTableTruncated:
      return ForVariant(
          variant, "位图文件已损坏: 调色板超出文件末尾!",
          "The bitmap file is damaged: its colour table runs past the end of the file!");
    case LoadProblem::PixelRowsTruncated:
      return ForVariant(
          variant, "位图文件已损坏或经过压缩: 像素数据不完整!",
          "The bitmap file is damaged or compressed: its pixel data is shorter than its rows!");
  }
  return "This isn't a bitmap file!";
}

}  // namespace vantrel
