#include "platform/Log.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <mutex>

namespace brindlow {

namespace {

struct SinkState {
    std::mutex mutex;
    std::deque<LogRecord> records;
    LogLevel threshold = LogLevel::defaultLevel;
    bool stderrEnabled = true;

    SinkState() {
        const char* env = std::getenv("BRINDLOW_LOG");
        if (!env) return;
        const std::string_view value(env);
        if (value == "debug") threshold = LogLevel::debug;
        if (value == "info") threshold = LogLevel::info;
        if (value == "error") threshold = LogLevel::error;
        if (value == "off") stderrEnabled = false;
    }
};

// Never destroyed: queue threads (a raise, a move) may still log while the
// process runs its exit handlers.
SinkState& sink() {
    static SinkState* const state = new SinkState;
    return *state;
}

std::string textOf(const LogArg& arg) {
    struct Visitor {
        std::string operator()(const std::string& s) const { return s; }
        std::string operator()(std::int64_t v) const { return std::to_string(v); }
        std::string operator()(std::uint64_t v) const { return std::to_string(v); }
        std::string operator()(double v) const {
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "%g", v);
            return buffer;
        }
    };
    return std::visit(Visitor{}, arg);
}

std::string numberText(const LogArg& arg, char conversion, int precision) {
    char buffer[64];
    if (conversion == 'f') {
        double value = 0;
        if (auto d = std::get_if<double>(&arg)) value = *d;
        if (auto i = std::get_if<std::int64_t>(&arg)) value = double(*i);
        if (auto u = std::get_if<std::uint64_t>(&arg)) value = double(*u);
        std::snprintf(buffer, sizeof buffer, "%.*f", precision < 0 ? 6 : precision, value);
        return buffer;
    }
    if (conversion == 'x') {
        std::uint64_t value = 0;
        if (auto i = std::get_if<std::int64_t>(&arg)) value = std::uint64_t(*i);
        if (auto u = std::get_if<std::uint64_t>(&arg)) value = *u;
        std::snprintf(buffer, sizeof buffer, "%llx", static_cast<unsigned long long>(value));
        return buffer;
    }
    if (auto d = std::get_if<double>(&arg)) {
        std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(*d));
        return buffer;
    }
    return textOf(arg);
}

}  // namespace

std::string_view logLevelName(LogLevel level) {
    switch (level) {
        case LogLevel::debug:
            return "debug";
        case LogLevel::info:
            return "info";
        case LogLevel::defaultLevel:
            return "default";
        case LogLevel::error:
            return "error";
    }
    return "default";
}

std::string formatLogMessage(std::string_view format, const std::vector<LogArg>& args) {
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%' || i + 1 == format.size()) {
            out += c;
            continue;
        }
        size_t j = i + 1;
        if (format[j] == '%') {
            out += '%';
            i = j;
            continue;
        }
        std::string_view privacy;
        if (format[j] == '{') {
            const size_t close = format.find('}', j);
            if (close == std::string_view::npos) {
                out += c;
                continue;
            }
            privacy = format.substr(j + 1, close - j - 1);
            j = close + 1;
        }
        int precision = -1;
        if (j < format.size() && format[j] == '.') {
            precision = 0;
            ++j;
            while (j < format.size() && format[j] >= '0' && format[j] <= '9') {
                precision = precision * 10 + (format[j] - '0');
                ++j;
            }
        }
        while (j < format.size() && (format[j] == 'l' || format[j] == 'z' || format[j] == 'h')) ++j;
        if (j >= format.size()) {
            out.append(format.substr(i));
            break;
        }
        const char conversion = format[j];
        i = j;
        if (next >= args.size()) {
            out += "<missing>";
            continue;
        }
        const LogArg& arg = args[next++];
        const bool isText = conversion == 's' || conversion == '@';
        const bool isPrivate = privacy == "private" || (isText && privacy != "public");
        if (isPrivate) {
            out += "<private>";
        } else if (isText) {
            out += textOf(arg);
        } else {
            out += numberText(arg, conversion, precision);
        }
    }
    return out;
}

void Logger::write(LogLevel level, std::string_view format, const std::vector<LogArg>& args) const {
    LogRecord record;
    record.time =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    record.level = level;
    record.category = category_;
    record.message = formatLogMessage(format, args);

    SinkState& state = sink();
    std::string line;
    {
        std::lock_guard lock(state.mutex);
        if (state.stderrEnabled && level >= state.threshold) line = LogSink::formatLine(record);
        state.records.push_back(std::move(record));
        while (state.records.size() > LogSink::kCapacity) state.records.pop_front();
    }
    if (!line.empty()) {
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stderr);
    }
}

Logger makeLogger(std::string category) {
    return Logger(std::move(category));
}

std::vector<LogRecord> LogSink::recent() {
    std::lock_guard lock(sink().mutex);
    return {sink().records.begin(), sink().records.end()};
}

void LogSink::clear() {
    std::lock_guard lock(sink().mutex);
    sink().records.clear();
}

void LogSink::setStderrEnabled(bool enabled) {
    std::lock_guard lock(sink().mutex);
    sink().stderrEnabled = enabled;
}

std::string LogSink::formatLine(const LogRecord& record) {
    const auto seconds = static_cast<std::time_t>(record.time);
    const int millis = static_cast<int>((record.time - double(seconds)) * 1000);
    std::tm parts{};
    localtime_r(&seconds, &parts);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &parts);
    char withMillis[48];
    std::snprintf(withMillis, sizeof withMillis, "%s.%03d", stamp, millis);
    std::string line = withMillis;
    line += ' ';
    line += logLevelName(record.level);
    line += ' ';
    line += kLogSubsystem;
    line += ':';
    line += record.category;
    line += ' ';
    line += record.message;
    return line;
}

}  // namespace brindlow
