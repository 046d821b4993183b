#pragma once
// Runs a test under a locale whose decimal mark is a comma, as a German desktop has it.
// Usage:  CommaLocale comma;  if (!comma.Active()) GTEST_SKIP() << CommaLocale::kMissing;
#include <clocale>
#include <string>

class CommaLocale {
  public:
    static constexpr const char* kMissing =
        "the locale de_DE.UTF-8 is missing: make it with "
        "'localedef -i de_DE -f UTF-8 de_DE.UTF-8' (package locales)";

    CommaLocale() {
        const char* before = std::setlocale(LC_ALL, nullptr);
        before_ = before ? before : "C";
        active_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr &&
                  *std::localeconv()->decimal_point == ',';
    }
    ~CommaLocale() { std::setlocale(LC_ALL, before_.c_str()); }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    [[nodiscard]] bool Active() const { return active_; }

  private:
    std::string before_;
    bool active_ = false;
};
