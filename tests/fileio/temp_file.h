#ifndef LAYRA_TESTS_FILEIO_TEMP_FILE_H_
#define LAYRA_TESTS_FILEIO_TEMP_FILE_H_

// A file in the temporary directory for one test, removed when it goes out
// of scope, helpers to write, read and split whole text files, and a data
// file read.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "fileio/data_file.h"
#include "tests/support/recording_sink.h"
#include "tests/support/scratch_dir.h"

namespace layra::testing {

// The lines of `text`, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class TempFile {
 public:
  explicit TempFile(const std::string& suffix = ".txt") {
    static int counter = 0;
    path_ =
        (std::filesystem::temp_directory_path() /
         ("layra_fileio_" + std::to_string(::getpid()) + "_" + std::to_string(++counter) + suffix))
            .string();
    std::filesystem::remove(path_);
  }
  TempFile(const std::string& suffix, const std::string& contents) : TempFile(suffix) {
    Write(contents);
  }
  ~TempFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  const std::string& path() const { return path_; }
  void Write(const std::string& contents) const {
    std::ofstream out(path_, std::ios::binary);
    out << contents;
  }
  std::string Read() const { return ReadWholeFile(path_); }

 private:
  std::string path_;
};

// The data file at `path` read, with what was listed and said.
struct DataRead {
  explicit DataRead(const std::string& path) : status(ReadDataFile(path, *file, listing)) {}
  std::unique_ptr<SoundingFile> file = std::make_unique<SoundingFile>();
  RecordingSink listing;
  int status;
};

}  // namespace layra::testing

#endif  // LAYRA_TESTS_FILEIO_TEMP_FILE_H_
