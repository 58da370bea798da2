#include "cli/plot_output.h"

#include "cli/plot_size.h"

namespace layra::cli {

bool ParsePictureRequest(const std::string& path,
                         const std::string& size,
                         PictureRequest* request,
                         std::string* error) {
  PictureRequest parsed;
  parsed.path = path;
  parsed.width = kDefaultPlotWidth;
  parsed.height = kDefaultPlotHeight;
  if (!ParsePlotSize(size, &parsed.width, &parsed.height, error)) return false;
  const PictureFormatInfo* format = PictureFormatOfPath(path);
  if (format == nullptr) {
    if (error != nullptr) {
      *error =
          "cannot save a plot as '" + path + "': use a " + PictureExtensionList() + " file name";
    }
    return false;
  }
  parsed.format = format->format;
  *request = parsed;
  return true;
}

DrawingRecord MakePictureCanvas(const PictureRequest& request) {
  return MakePictureDrawing(request.width, request.height);
}

bool SavePicture(const DrawingRecord& drawing, const PictureRequest& request, std::string* error) {
  return layra::SavePicture(drawing, request.path, request.format, PictureOptions{}, error);
}

bool DrawToImageFile(const std::string& path,
                     const std::string& size,
                     const std::function<void(Canvas&)>& draw,
                     std::string* error) {
  PictureRequest request;
  if (!ParsePictureRequest(path, size, &request, error)) return false;
  DrawingRecord drawing = MakePictureCanvas(request);
  draw(drawing);
  return SavePicture(drawing, request, error);
}

}  // namespace layra::cli
