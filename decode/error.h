// The program's numbered errors: a number the handlers tell apart and a readable text.
#pragma once

#include <QString>
#include <exception>
#include <string>

namespace glimmer {

namespace errc {
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int OutOfRange = 9;
inline constexpr int FileNotFound = 53;
inline constexpr int DiskFull = 61;
inline constexpr int BadFilePosition = 63;
inline constexpr int DeviceUnavailable = 68;
inline constexpr int PermissionDenied = 70;
inline constexpr int InvalidPicture = 481;
} // namespace errc

class Error : public std::exception {
  public:
    // An error with the standard text for its number.
    explicit Error(int number);
    Error(int number, QString text);

    [[nodiscard]] int number() const noexcept { return m_number; }
    [[nodiscard]] const QString& text() const noexcept { return m_text; }
    [[nodiscard]] const char* what() const noexcept override { return m_what.c_str(); }

    [[nodiscard]] static QString standardText(int number);

  private:
    int m_number;
    QString m_text;
    std::string m_what;
};

// The numbered error for a failed system call's errno, with the system's reason as text.
[[nodiscard]] Error errorFromErrno(int err);

} // namespace glimmer
