#include "graphics/chart_text.h"

#include "graphics/raster_canvas.h"

namespace layra {

int TextColumns(const std::string& text) { return static_cast<int>(DecodeUtf8(text).size()); }

std::string EncodeUtf8(const std::u32string& characters) {
  std::string out;
  for (const char32_t c : characters) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string FitText(const std::string& text, int columns) {
  const std::u32string characters = DecodeUtf8(text);
  if (static_cast<int>(characters.size()) <= columns) return text;
  if (columns <= 0) return std::string();
  return EncodeUtf8(characters.substr(0, static_cast<size_t>(columns - 1))) + "~";
}

std::vector<std::string> WrapText(const std::string& text, int columns) {
  std::vector<std::string> lines;
  std::u32string line;
  std::u32string word;
  const std::u32string characters = DecodeUtf8(text) + U' ';
  for (const char32_t c : characters) {
    if (c != U' ') {
      word += c;
      continue;
    }
    if (word.empty()) continue;
    if (!line.empty() && static_cast<int>(line.size() + 1 + word.size()) > columns) {
      lines.push_back(EncodeUtf8(line));
      line.clear();
    }
    line += (line.empty() ? U"" : U" ") + word;
    word.clear();
  }
  if (!line.empty() || lines.empty()) lines.push_back(EncodeUtf8(line));
  for (std::string& l : lines) l = FitText(l, columns);
  return lines;
}

}  // namespace layra
