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
    .fileFilter = "位图文件(*.BMP)|*.BMP||",
};

constexpr BitmapTexts kEnglish{
    .notTwoColourAfterPath = "Please Use 2-Color Bmp!",
    .notTwoColour = "Please Use 2-Color Bmp!",
    .tooWide = "Width Must Be Within 576Pix!",
    .noBitmap = "No bitmap!",
    .downloadDone = "图片下载完成!",
    .networkDownloadDone = "Download succeed!",
    .fileFilter = "Bitmap file(*.BMP)|*.BMP||",
};

struct ProblemText {
  LoadProblem problem;
  std::string_view chinese;
  std::string_view english;
};

constexpr ProblemText kProblemTexts[] = {
    {LoadProblem::NotBitmap, "This isn't a bitmap file!", "This isn't a bitmap file!"},
    {LoadProblem::FileTooLarge, "文件太大(超过256MB), 不是可下载的位图!",
     "The file is too large (over 256 MB) to be a printable bitmap!"},
    {LoadProblem::OutOfMemory, "内存不足, 无法载入位图!", "Not enough memory to load the bitmap!"},
    {LoadProblem::InfoHeaderTruncated, "位图文件已损坏: 位图信息头不完整!",
     "The bitmap file is damaged: its info header is incomplete!"},
    {LoadProblem::UnsupportedHeader, "不支持OS/2格式的位图头, 请另存为Windows位图!",
     "OS/2 bitmap headers are not supported, please save it as a Windows bitmap!"},
    {LoadProblem::TopDownRows, "不支持自上而下存储的位图(高度为负), 请另存为普通位图!",
     "Top-down bitmaps (negative height) are not supported, please save it bottom-up!"},
    {LoadProblem::TooTall, "高度不能超过65535Pix!", "Height Must Be Within 65535Pix!"},
    {LoadProblem::ColourTableTruncated, "位图文件已损坏: 调色板超出文件末尾!",
     "The bitmap file is damaged: its colour table runs past the end of the file!"},
    {LoadProblem::PixelRowsTruncated, "位图文件已损坏或经过压缩: 像素数据不完整!",
     "The bitmap file is damaged or compressed: its pixel data is shorter than its rows!"},
};

}  // namespace

const BitmapTexts& BitmapTextsFor(UiVariant variant) {
  return ForVariant(variant, kChinese, kEnglish);
}

std::string_view LoadProblemText(UiVariant variant, LoadProblem problem) {
  for (const ProblemText& text : kProblemTexts) {
    if (text.problem == problem)
      return ForVariant(variant, text.chinese, text.english);
  }
  return ForVariant(variant, kProblemTexts[0].chinese, kProblemTexts[0].english);
}

}  // namespace vantrel
