#include "cli/plot_output.h"

#include "cli/plot_size.h"

#ifdef LAYRA_HAVE_QTGUI
#include "cli/image_canvas.h"
#endif

namespace layra::cli {

bool DrawToImageFile(const std::string& path,
                     const std::string& size,
                     const std::function<void(Canvas&)>& draw,
                     std::string* error) {
  int width = kDefaultPlotWidth;
  int height = kDefaultPlotHeight;
  if (!ParsePlotSize(size, &width, &height, error)) return false;
#ifdef LAYRA_HAVE_QTGUI
  static char program_name[] = "layra-cli";
  static char* arguments[] = {program_name, nullptr};
  EnsureGuiApplication(1, arguments);
  ImageCanvas canvas(width, height);
  draw(canvas);
  return SavePlotImage(canvas, path, error);
#else
  (void)draw;
  if (error) *error = "This layra-cli was built without image support; cannot write " + path;
  return false;
#endif
}

}  // namespace layra::cli
