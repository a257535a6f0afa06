#pragma once

#include <QString>
#include <exception>

// The one error type of the program. It carries a number and a description
// like the runtime errors the windows' handlers were written against, so a
// handler can test "error 35761" (a transfer time-out) or show "Error #" + n.
class NumberedError final : public std::exception
{
public:
    NumberedError(int number, QString description, QString source = {})
        : m_number(number), m_description(std::move(description)), m_source(std::move(source)),
          m_what(m_description.toUtf8()) {}

    int number() const noexcept { return m_number; }
    const QString &description() const noexcept { return m_description; }
    const QString &source() const noexcept { return m_source; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    int m_number;
    QString m_description;
    QString m_source;
    QByteArray m_what;
};

// Error numbers the program raises or tests for.
namespace ErrorNumber {
inline constexpr int InvalidProcedureCall = 5;
inline constexpr int TypeMismatch = 13;
inline constexpr int FileNotFound = 53;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccessError = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int InvalidPropertyValue = 380;
inline constexpr int FolderNotFound = 513;
// Transfer control errors.
inline constexpr int InetTimeout = 35761;
inline constexpr int InetStillExecuting = 35764;
inline constexpr int InetCannotConnect = 35754;
inline constexpr int InetHostNotFound = 35751;
inline constexpr int InetCancelled = 35755;
inline constexpr int InetSslError = 35756;
inline constexpr int InetRequestFailed = 35750;
} // namespace ErrorNumber
