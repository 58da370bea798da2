#ifndef LAYRA_WINDOWS_SCREEN_CAPTURE_H_
#define LAYRA_WINDOWS_SCREEN_CAPTURE_H_

// Saving what a window's client area shows as a bitmap file. The picture is
// written first to a temporary file next to the file the picture belongs to
// (the data file, or the results file of the display window); the user then
// picks the final name and the temporary file is moved there.

#include <functional>
#include <string>

#include "graphics/bmp_file.h"
#include "windows/qt_host.h"

class QWidget;

namespace layra {

class QtCanvas;

// Base name of captures made before any file was read: a file of this name
// in the data directory.
extern const char kDefaultCaptureBaseName[];

// Bits per pixel of the display `widget` is shown on (24 when it has none).
int DisplayDepth(const QWidget& widget);

// What the canvas shows: its client area, width() x height() pixels.
PixelImage ClientAreaImage(const QtCanvas& canvas);

// Writes the client area of `canvas` to `path` in the layout of a display of
// `display_depth` bits per pixel. False, with no file left behind, when the
// file cannot be written.
bool CaptureClientArea(const QtCanvas& canvas, int display_depth, const std::string& path);

// Moves the finished capture `temporary` to `chosen`, replacing a file of
// that name only with the complete picture, and tells the user where the
// picture went ("Screen image save in file\n%s."). When `chosen` cannot be
// created or the move fails the user is told, the temporary file is removed
// and a file that stood under `chosen` is left as it was. Returns true when
// the picture is in `chosen`.
bool MoveCaptureFile(const std::string& temporary, const std::string& chosen, QtHost& host);

// The whole capture command for the window whose client area is `canvas`:
//   temporary_name  receives the temporary file's name, base_name + "_temp.bmp"
//                   with base_name's extension removed (in the system's
//                   temporary directory when base_name's is not writable)
//   base_name       the file the picture belongs to (empty: the default base
//                   name in `default_directory`); receives the save dialog's
//                   default name, base_name with ".bmp", and after a choice
//                   the chosen path
//   redraw          asks the window to draw its picture again
// The temporary file never outlives the command: a cancelled dialog or a
// failed move removes it. In every case the canvas is cleared and `redraw`
// called afterwards. Returns true when a file was saved.
bool SaveScreenAsBmp(QtCanvas& canvas,
                     QtHost& host,
                     std::string& temporary_name,
                     std::string& base_name,
                     const std::string& default_directory,
                     const std::function<void()>& redraw);

// The same command for a picture taken otherwise (a view that is not a
// canvas), in the layout of a display of `display_depth` bits per pixel;
// nothing is cleared or redrawn.
bool SaveImageAsBmp(const PixelImage& image,
                    int display_depth,
                    QtHost& host,
                    std::string& temporary_name,
                    std::string& base_name,
                    const std::string& default_directory);

// What `widget` shows, as pixels (at the widget's size in device pixels).
PixelImage WidgetImage(QWidget& widget);

}  // namespace layra

#endif  // LAYRA_WINDOWS_SCREEN_CAPTURE_H_
