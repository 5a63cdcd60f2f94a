#pragma once
// The program's one logging facility.
//
// Every message goes through Qt's logger with an empty context; the useful
// location travels inside the text, in one of three fixed shapes:
//   SLOG_ENTER() / SLOG_EXIT()   "Enter Time: …" and "Exit  Time: …" lines
//   SLOG_SCOPE()                 an entry line now and an exit line when the scope ends
//   SLOG_DEBUG(fmt, …)           tagged message at debug level
//   SLOG_WARN(fmt, …)            tagged message at warning level
//   SLOG_CRITICAL(fmt, …)        tagged message at critical level
// The time in the header is the build time of the source file (__TIME__).
// printf-style: pass QString values through qUtf8Printable().

#include <QLoggingCategory>
#include <QString>

#include <QByteArray>

class SLog
{
public:
    // Installs the handler that appends each message to the log file.
    static void installHandler();
    static void setLogFilePath(const QString& path);
    static QString logFilePath();
    // Qt message handler: "%1: %2 [%3: %4: %5] %6" into the log file.
    static void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message);
    // The line the handler writes, without the line end (exposed for tests).
    static QString formatLine(QtMsgType type, const QMessageLogContext& context, const QString& message);
    static const char* label(QtMsgType type);
};

namespace slog_detail {
// "void Foo::bar(int) const" -> "Foo::bar".
QByteArray qualifiedName(const char* prettyFunction);

class Scope
{
public:
    Scope(const char* time, const char* prettyFunction, const char* file, int line);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

private:
    const char* m_time;
    QByteArray m_function;
    const char* m_file;
    int m_line;
};
} // namespace slog_detail

#define SLOG_FUNC (slog_detail::qualifiedName(__PRETTY_FUNCTION__).constData())

#define LLOG_HEADER_MSG "\"Log   Time: %s, Function: %s, File: %s, Line: %d, Msg: \"\""

#define SLOG_ENTER() \
    QMessageLogger().debug("Enter Time: %s, Function: %s, File: %s, Line: %d", __TIME__, SLOG_FUNC, __FILE_NAME__, __LINE__)
#define SLOG_EXIT() \
    QMessageLogger().debug("Exit  Time: %s, Function: %s, File: %s, Line: %d", __TIME__, SLOG_FUNC, __FILE_NAME__, __LINE__)
#define SLOG_SCOPE() slog_detail::Scope slogScope_(__TIME__, __PRETTY_FUNCTION__, __FILE_NAME__, __LINE__)

#define SLOG_TAGGED(level, fmt, ...) \
    QMessageLogger().level(LLOG_HEADER_MSG fmt "\"", __TIME__, SLOG_FUNC, __FILE_NAME__, __LINE__ __VA_OPT__(, ) __VA_ARGS__)
#define SLOG_DEBUG(fmt, ...) SLOG_TAGGED(debug, fmt __VA_OPT__(, ) __VA_ARGS__)
#define SLOG_WARN(fmt, ...) SLOG_TAGGED(warning, fmt __VA_OPT__(, ) __VA_ARGS__)
#define SLOG_CRITICAL(fmt, ...) SLOG_TAGGED(critical, fmt __VA_OPT__(, ) __VA_ARGS__)
// Plain message without header, at debug level.
#define SLOG_PLAIN(fmt, ...) QMessageLogger().debug(fmt __VA_OPT__(, ) __VA_ARGS__)
