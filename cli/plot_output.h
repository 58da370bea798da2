#ifndef LAYRA_CLI_PLOT_OUTPUT_H_
#define LAYRA_CLI_PLOT_OUTPUT_H_

// --plot for the commands: draw into an off-screen image of the requested
// client size and save it by the file's extension (.png, .svg, .bmp).

#include <functional>
#include <string>

#include "platform/canvas.h"

namespace layra::cli {

// Parses `size` ("WxH"), draws with `draw` and saves to `path`. False with a
// message in *error when the size, the type or the file is refused, or when
// this build has no image support.
bool DrawToImageFile(const std::string& path,
                     const std::string& size,
                     const std::function<void(Canvas&)>& draw,
                     std::string* error);

}  // namespace layra::cli

#endif  // LAYRA_CLI_PLOT_OUTPUT_H_
