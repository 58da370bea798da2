#include "windows/screen_capture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QSaveFile>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cstdio>

#include "graphics/sounding_plot.h"
#include "state/text_format.h"
#include "windows/qt_canvas.h"

namespace layra {

const char kDefaultCaptureBaseName[] = "layra_screen";

namespace {

constexpr char kSavedMessage[] = "Screen image save in file\n%s.";
constexpr char kCannotOpenMessage[] = "Cannot open file %s";
constexpr char kNotMovedMessage[] =
    "The screen image could not be saved in file\n%s.\nNo image was saved.";

QString ToQString(const std::string& text) { return QString::fromStdString(text); }

void Inform(QtHost& host, const std::string& text) {
  host.ShowMessage(text, "Message", MessageIcon::kInformation, MessageButtons::kOk);
}

void RemoveFile(const std::string& path) {
  if (!path.empty()) {
    QFile::remove(ToQString(path));
  }
}

// The directory `directory` with a separator at its end (empty stays empty).
std::string WithSeparator(const std::string& directory) {
  if (directory.empty() || directory.back() == '/' || directory.back() == '\\') {
    return directory;
  }
  return directory + '/';
}

}  // namespace

int DisplayDepth(const QWidget& widget) {
  const QScreen* screen = widget.screen();
  if (screen == nullptr || screen->depth() <= 0) {
    return 24;
  }
  return screen->depth();
}

PixelImage ClientAreaImage(const QtCanvas& canvas) {
  const QImage& drawn = canvas.image();
  const int width = std::min(canvas.width(), drawn.width());
  const int height = std::min(canvas.height(), drawn.height());
  if (width < 1 || height < 1) {
    return PixelImage();
  }
  PixelImage image(width, height);
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(drawn.constScanLine(y));
    for (int x = 0; x < width; ++x) {
      image.Set(x,
                y,
                Rgb{static_cast<std::uint8_t>(qRed(row[x])),
                    static_cast<std::uint8_t>(qGreen(row[x])),
                    static_cast<std::uint8_t>(qBlue(row[x]))});
    }
  }
  return image;
}

bool CaptureClientArea(const QtCanvas& canvas, int display_depth, const std::string& path) {
  const PixelImage image = ClientAreaImage(canvas);
  if (!image.IsValid()) {
    return false;
  }
  return WriteCaptureBmp(image, display_depth, path);
}

bool MoveCaptureFile(const std::string& temporary, const std::string& chosen, QtHost& host) {
  const QString target = ToQString(chosen);
  if (QFileInfo(target).absoluteFilePath() == QFileInfo(ToQString(temporary)).absoluteFilePath()) {
    // The temporary name itself was chosen: the picture is already there.
    Inform(host, StrFormat(kSavedMessage, chosen.c_str()));
    return true;
  }
  // One step on the same file system: a file that stood under the chosen
  // name (the save dialog has asked about it) is replaced only by the
  // complete picture.
  if (std::rename(QFile::encodeName(ToQString(temporary)).constData(),
                  QFile::encodeName(target).constData()) != 0) {
    // Another file system: copy, replacing the chosen file only once the
    // copy is complete.
    QFile source(ToQString(temporary));
    QSaveFile destination(target);
    if (!source.open(QIODevice::ReadOnly)) {
      RemoveFile(temporary);
      host.Warn(StrFormat(kNotMovedMessage, chosen.c_str()), "Error Message");
      return false;
    }
    if (!destination.open(QIODevice::WriteOnly)) {
      RemoveFile(temporary);
      Inform(host, StrFormat(kCannotOpenMessage, chosen.c_str()));
      return false;
    }
    const QByteArray bytes = source.readAll();
    source.close();
    if (destination.write(bytes) != bytes.size() || !destination.commit()) {
      RemoveFile(temporary);
      host.Warn(StrFormat(kNotMovedMessage, chosen.c_str()), "Error Message");
      return false;
    }
    RemoveFile(temporary);
  }
  Inform(host, StrFormat(kSavedMessage, chosen.c_str()));
  return true;
}

bool SaveImageAsBmp(const PixelImage& image,
                    int display_depth,
                    QtHost& host,
                    std::string& temporary_name,
                    std::string& base_name,
                    const std::string& default_directory) {
  if (base_name.empty()) {
    // Nothing read yet: the picture still belongs in the data directory.
    base_name = WithSeparator(default_directory) + kDefaultCaptureBaseName;
  }
  temporary_name = MakeSiblingName(base_name, "_temp.bmp");
  const auto capture = [&](const std::string& path) {
    return image.IsValid() && WriteCaptureBmp(image, display_depth, path);
  };
  bool captured = capture(temporary_name);
  if (!captured) {
    // The data file's directory may be read-only (an installed example):
    // the picture can still be saved wherever the user chooses.
    const std::string elsewhere =
        QDir::temp().filePath(QFileInfo(ToQString(temporary_name)).fileName()).toStdString();
    if (capture(elsewhere)) {
      temporary_name = elsewhere;
      captured = true;
    }
  }
  if (!captured) {
    Inform(host, StrFormat(kCannotOpenMessage, temporary_name.c_str()));
    return false;
  }
  base_name = MakeSiblingName(base_name, ".bmp");
  if (host.ChooseSaveFile(base_name, "Output BMP File")) {
    return MoveCaptureFile(temporary_name, base_name, host);
  }
  RemoveFile(temporary_name);
  return false;
}

bool SaveScreenAsBmp(QtCanvas& canvas,
                     QtHost& host,
                     std::string& temporary_name,
                     std::string& base_name,
                     const std::string& default_directory,
                     const std::function<void()>& redraw) {
  const bool saved = SaveImageAsBmp(ClientAreaImage(canvas),
                                    DisplayDepth(canvas),
                                    host,
                                    temporary_name,
                                    base_name,
                                    default_directory);
  ClearWindow(canvas);
  if (redraw) {
    redraw();
  }
  return saved;
}

PixelImage WidgetImage(QWidget& widget) {
  const QImage shown = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
  if (shown.isNull() || shown.width() < 1 || shown.height() < 1) return PixelImage();
  PixelImage image(shown.width(), shown.height());
  for (int y = 0; y < shown.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
    for (int x = 0; x < shown.width(); ++x) {
      image.Set(x,
                y,
                Rgb{static_cast<std::uint8_t>(qRed(row[x])),
                    static_cast<std::uint8_t>(qGreen(row[x])),
                    static_cast<std::uint8_t>(qBlue(row[x]))});
    }
  }
  return image;
}

}  // namespace layra
