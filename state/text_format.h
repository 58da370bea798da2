#ifndef LAYRA_STATE_TEXT_FORMAT_H_
#define LAYRA_STATE_TEXT_FORMAT_H_

// printf-style formatting into a std::string. The program's listings, messages
// and file lines are defined by printf formats, so they are produced with them.

#include <string>

namespace layra {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
StrFormat(const char* format, ...);

}  // namespace layra

#endif  // LAYRA_STATE_TEXT_FORMAT_H_
