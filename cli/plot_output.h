#ifndef LAYRA_CLI_PLOT_OUTPUT_H_
#define LAYRA_CLI_PLOT_OUTPUT_H_

// The pictures of layra-cli (--plot FILE at --size WxH, in any format of the
// picture table, graphics/picture_file.h). A plot is drawn into a drawing
// record of the picture's client size, then written once, whole or not at
// all.

#include <functional>
#include <string>

#include "graphics/drawing_record.h"
#include "graphics/picture_file.h"
#include "platform/canvas.h"

namespace layra::cli {

struct PictureRequest {
  std::string path;
  PictureFormat format = PictureFormat::kPng;
  int width = 0;
  int height = 0;
};

// Checks a --plot file name and a --size text. False with a message in *error
// when the size is refused or the name does not end in the extension of a
// picture format (case ignored).
bool ParsePictureRequest(const std::string& path,
                         const std::string& size,
                         PictureRequest* request,
                         std::string* error);

// An empty drawing of the picture's client size and text metrics.
DrawingRecord MakePictureCanvas(const PictureRequest& request);

// Writes what `drawing` holds to the file of `request`. False with a message
// naming the file and the system's reason when it cannot be written.
bool SavePicture(const DrawingRecord& drawing, const PictureRequest& request, std::string* error);

// Checks `path` and `size`, draws with `draw` and saves. False with a message
// in *error when the request is refused or the file cannot be written.
bool DrawToImageFile(const std::string& path,
                     const std::string& size,
                     const std::function<void(Canvas&)>& draw,
                     std::string* error);

}  // namespace layra::cli

#endif  // LAYRA_CLI_PLOT_OUTPUT_H_
