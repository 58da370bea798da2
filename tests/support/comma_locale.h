#ifndef LAYRA_TESTS_SUPPORT_COMMA_LOCALE_H_
#define LAYRA_TESTS_SUPPORT_COMMA_LOCALE_H_

// A C library locale whose decimal point is a comma, for tests that check
// that numbers are read and written the same whatever the locale. Uses an
// installed German locale, or compiles one with localedef into the temporary
// directory and points LOCPATH there (inherited by child processes). The
// result is cached; an empty name comes with the reason it is unavailable.

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace layra::testing {

struct CommaLocale {
  std::string name;    // for setlocale and LC_ALL; empty when unavailable
  std::string reason;  // why it is unavailable
};

inline bool HasCommaDecimalPoint(const char* name) {
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  bool comma = std::setlocale(LC_NUMERIC, name) != nullptr &&
               std::strcmp(std::localeconv()->decimal_point, ",") == 0;
  std::setlocale(LC_NUMERIC, saved.c_str());
  return comma;
}

inline const CommaLocale& GetCommaLocale() {
  static const CommaLocale locale = [] {
    const char* kName = "de_DE.UTF-8";
    if (HasCommaDecimalPoint(kName)) return CommaLocale{kName, ""};
    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() / "layra_test_locales";
    std::error_code ignored;
    std::filesystem::create_directories(directory, ignored);
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + (directory / kName).string() + "' >/dev/null 2>&1";
    // localedef reports warnings with a non-zero status while still writing
    // a usable locale, so only the result is judged.
    static_cast<void>(std::system(command.c_str()));
    ::setenv("LOCPATH", directory.c_str(), 1);
    if (HasCommaDecimalPoint(kName)) return CommaLocale{kName, ""};
    ::unsetenv("LOCPATH");
    return CommaLocale{"",
                       "no comma-decimal locale: de_DE.UTF-8 is not installed and localedef "
                       "could not build it (install the Debian package 'locales')"};
  }();
  return locale;
}

// Switches LC_NUMERIC to the comma locale while in scope.
class ScopedCommaNumbers {
 public:
  ScopedCommaNumbers() : saved_(std::setlocale(LC_NUMERIC, nullptr)) {
    active_ = !GetCommaLocale().name.empty() &&
              std::setlocale(LC_NUMERIC, GetCommaLocale().name.c_str()) != nullptr;
  }
  ~ScopedCommaNumbers() { std::setlocale(LC_NUMERIC, saved_.c_str()); }
  ScopedCommaNumbers(const ScopedCommaNumbers&) = delete;
  ScopedCommaNumbers& operator=(const ScopedCommaNumbers&) = delete;
  bool active() const { return active_; }

 private:
  std::string saved_;
  bool active_ = false;
};

}  // namespace layra::testing

#endif  // LAYRA_TESTS_SUPPORT_COMMA_LOCALE_H_
