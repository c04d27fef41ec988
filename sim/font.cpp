#include "sim/font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

namespace vantrel::sim {

struct FontGlyphs::Library {
  FT_Library handle = nullptr;
};

FontGlyphs::FontGlyphs(const std::string& path) : library_(std::make_unique<Library>()) {
  if (FT_Init_FreeType(&library_->handle) != 0) {
    library_->handle = nullptr;
    return;
  }
  // In a collection the second face is the monospaced one where there is one.
  FT_Face face = nullptr;
  if (FT_New_Face(library_->handle, path.c_str(), 1, &face) != 0 &&
      FT_New_Face(library_->handle, path.c_str(), 0, &face) != 0)
    return;
  face_ = face;
}

FontGlyphs::~FontGlyphs() {
  if (face_ != nullptr)
    FT_Done_Face(static_cast<FT_Face>(face_));
  if (library_->handle != nullptr)
    FT_Done_FreeType(library_->handle);
}

const Glyph* FontGlyphs::Get(char32_t character, int cellWidth, int cellHeight) {
  if (character <= 0x20 || cellWidth <= 0 || cellHeight <= 0)
    return nullptr;
  const auto key = std::pair{character, cellWidth * 1024 + cellHeight};
  if (const auto found = cache_.find(key); found != cache_.end())
    return &found->second;
  if (cache_.size() >= kMaxCached)
    cache_.clear();
  Glyph& glyph = cache_[key];
  glyph.width = cellWidth;
  glyph.height = cellHeight;
  glyph.dots.assign(static_cast<std::size_t>(cellWidth * cellHeight), 0);
  auto* face = static_cast<FT_Face>(face_);
  if (face == nullptr || FT_Get_Char_Index(face, character) == 0) {
    // No outline for it: a box, as a printer without the character prints a filler.
    for (int y = cellHeight / 4; y < cellHeight - 2; ++y) {
      for (int x = 1; x < cellWidth - 1; ++x) {
        const bool edge =
            y == cellHeight / 4 || y == cellHeight - 3 || x == 1 || x == cellWidth - 2;
        glyph.dots[static_cast<std::size_t>(y * cellWidth + x)] = edge ? 1 : 0;
      }
    }
    return &glyph;
  }
  // A cell is about one em high; the baseline sits a fifth of it above the bottom.
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(cellHeight));
  if (FT_Load_Char(face, character, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) != 0)
    return &glyph;
  const FT_Bitmap& bitmap = face->glyph->bitmap;
  const int baseline = cellHeight - cellHeight / 5;
  const int left = std::max(0, face->glyph->bitmap_left);
  const int top = baseline - face->glyph->bitmap_top;
  for (unsigned row = 0; row < bitmap.rows; ++row) {
    const int y = top + static_cast<int>(row);
    if (y < 0 || y >= cellHeight)
      continue;
    const unsigned char* line = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
    for (unsigned column = 0; column < bitmap.width; ++column) {
      const int x = left + static_cast<int>(column);
      if (x >= cellWidth)
        break;
      if ((line[column / 8] & (0x80 >> (column % 8))) != 0)
        glyph.dots[static_cast<std::size_t>(y * cellWidth + x)] = 1;
    }
  }
  return &glyph;
}

}  // namespace vantrel::sim
