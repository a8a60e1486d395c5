#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace brindlow {

inline constexpr std::string_view kLogSubsystem = "com.vemto.brindlow";

enum class LogLevel { debug, info, defaultLevel, error };

std::string_view logLevelName(LogLevel level);

// One argument of a log message. Text arguments are private unless the format
// marks them "%{public}s"; numbers are public unless marked "%{private}".
using LogArg = std::variant<std::string, std::int64_t, std::uint64_t, double>;

struct LogRecord {
    double time = 0;  // seconds since the Unix epoch
    LogLevel level = LogLevel::defaultLevel;
    std::string category;
    std::string message;
};

// Expands a printf-style format with privacy markers: "%{public}s" writes the
// argument, "%{private}s" (and a bare "%s" of text) writes "<private>".
// Understands s, @, d, i, ld, lld, u, lu, zu, f with an optional precision, x and %%.
std::string formatLogMessage(std::string_view format, const std::vector<LogArg>& args);

// A logger of one category under the subsystem "com.vemto.brindlow". Cheap to
// copy; every record goes to stderr (above the stderr threshold) and to the
// in-memory ring buffer that the diagnostics report reads back.
class Logger {
  public:
    explicit Logger(std::string category) : category_(std::move(category)) {}

    const std::string& category() const { return category_; }

    template <typename... Args>
    void debug(std::string_view format, const Args&... args) const {
        write(LogLevel::debug, format, {toArg(args)...});
    }
    template <typename... Args>
    void info(std::string_view format, const Args&... args) const {
        write(LogLevel::info, format, {toArg(args)...});
    }
    template <typename... Args>
    void log(std::string_view format, const Args&... args) const {
        write(LogLevel::defaultLevel, format, {toArg(args)...});
    }
    template <typename... Args>
    void error(std::string_view format, const Args&... args) const {
        write(LogLevel::error, format, {toArg(args)...});
    }

    void write(LogLevel level, std::string_view format, const std::vector<LogArg>& args) const;

  private:
    static LogArg toArg(std::string_view text) { return std::string(text); }
    static LogArg toArg(const std::string& text) { return text; }
    static LogArg toArg(const char* text) { return std::string(text ? text : ""); }
    static LogArg toArg(double value) { return value; }
    static LogArg toArg(float value) { return double(value); }
    static LogArg toArg(bool value) { return std::int64_t(value ? 1 : 0); }
    template <typename T>
    static LogArg toArg(T value) requires std::is_integral_v<T> {
        if constexpr (std::is_signed_v<T>) {
            return std::int64_t(value);
        } else {
            return std::uint64_t(value);
        }
    }

    std::string category_;
};

// A new logger of the given category.
Logger makeLogger(std::string category);

// The process-wide record of recent log lines (every level) and what reaches stderr: lines from
// the level $BRINDLOW_LOG names (debug, info, default, error; off for none), default when unset.
class LogSink {
  public:
    static constexpr size_t kCapacity = 2000;

    // Records older than the newest kCapacity are dropped.
    static std::vector<LogRecord> recent();
    static void clear();
    static void setStderrEnabled(bool enabled);
    // One line as written to stderr: time, level, category, message.
    static std::string formatLine(const LogRecord& record);
};

}  // namespace brindlow
