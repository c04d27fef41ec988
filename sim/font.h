#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vantrel::sim {

// One character as the print head draws it: `width` x `height` dots, one byte a dot (1 prints),
// placed in a cell `height` dots high.
struct Glyph {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> dots;
};

// The printer's character generator.
class GlyphSource {
 public:
  virtual ~GlyphSource() = default;
  // The character in a cell of `cellWidth` x `cellHeight` dots; nothing when there is none.
  virtual const Glyph* Get(char32_t character, int cellWidth, int cellHeight) = 0;
};

// Characters drawn from an outline font file (FreeType), cached. A file that cannot be loaded
// leaves every printable character a filled box, so that text still marks the paper.
class FontGlyphs : public GlyphSource {
 public:
  explicit FontGlyphs(const std::string& path);
  ~FontGlyphs() override;
  FontGlyphs(const FontGlyphs&) = delete;
  FontGlyphs& operator=(const FontGlyphs&) = delete;

  bool Loaded() const { return face_ != nullptr; }
  const Glyph* Get(char32_t character, int cellWidth, int cellHeight) override;

 private:
  static constexpr std::size_t kMaxCached = 4096;
  struct Library;
  std::unique_ptr<Library> library_;
  void* face_ = nullptr;
  std::map<std::pair<char32_t, int>, Glyph> cache_;
};

}  // namespace vantrel::sim
