#ifndef LAYRA_GRAPHICS_CHART_TEXT_H_
#define LAYRA_GRAPHICS_CHART_TEXT_H_

// Text of the plot in units in fixed-pitch cells: its length in characters
// (UTF-8 code points), cut or broken into lines of a given length.

#include <string>
#include <vector>

namespace layra {

// The count of characters (code points) of UTF-8 `text`.
int TextColumns(const std::string& text);

// UTF-8 of `characters`.
std::string EncodeUtf8(const std::u32string& characters);

// `text` cut to at most `columns` characters, the last one "~" when cut.
std::string FitText(const std::string& text, int columns);

// `text` in lines of at most `columns` characters, broken between words (a
// word longer than a line is cut as FitText cuts it).
std::vector<std::string> WrapText(const std::string& text, int columns);

}  // namespace layra

#endif  // LAYRA_GRAPHICS_CHART_TEXT_H_
