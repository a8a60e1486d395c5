#include "app/Diagnostics.h"

#include <sys/utsname.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <ctime>
#include <fstream>
#include <set>

#include "platform/Workspace.h"
#include "settings/JSONEncoder.h"
#include "settings/JSONFiles.h"

namespace brindlow::Diagnostics {

namespace {

// Whole numbers by dropping the fraction; never "-0".
std::string whole(double value) {
    return std::to_string(static_cast<long long>(std::trunc(value)));
}

std::string sizeText(const Rect& rect) {
    return whole(rect.width) + "\u00D7" + whole(rect.height);
}

std::string displayLine(const DisplayInfo& display, const std::vector<std::string>& disabled) {
    const bool off = std::find(disabled.begin(), disabled.end(), display.uuid) != disabled.end();
    return "  " + display.name + " " + sizeText(display.frame) + " at " + whole(display.frame.x) +
           "," + whole(display.frame.y) + ", visible " + sizeText(display.visible) + " \u2014 " +
           (off ? "off" : "on");
}

std::string stripLine(const DisplaySnapshot& display) {
    std::string line = "  " + display.name + ": focus " +
                       std::to_string(display.focusedIndex ? *display.focusedIndex + 1 : 0) +
                       " of " + std::to_string(display.columns.size()) + " ";
    for (size_t index = 0; index < display.columns.size(); ++index) {
        if (index > 0) line += ' ';
        line += columnSummary(display.columns[index]);
    }
    return line;
}

std::string trimmed(std::string text) {
    const auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    text.erase(text.begin(), std::find_if(text.begin(), text.end(), notSpace));
    text.erase(std::find_if(text.rbegin(), text.rend(), notSpace).base(), text.end());
    return text;
}

// An os-release value: quotes removed and backslash escapes undone.
std::string unquoted(std::string value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) ++i;
        out += value[i];
    }
    return out;
}

std::string localTime(double seconds) {
    const auto whole = static_cast<std::time_t>(std::floor(seconds));
    const int millis = std::clamp(static_cast<int>((seconds - double(whole)) * 1000), 0, 999);
    std::tm parts{};
    localtime_r(&whole, &parts);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%H:%M:%S", &parts);
    char withMillis[40];
    std::snprintf(withMillis, sizeof withMillis, "%s.%03d", stamp, millis);
    return withMillis;
}

}  // namespace

std::string columnSummary(const ColumnSnapshot& column) {
    std::string apps;
    for (const WindowSnapshot& window : column.windows) {
        if (!apps.empty()) apps += '+';
        apps += window.app;
    }
    // std::round takes halves away from zero: 0.125 gives 13, 0.335 gives 34.
    std::string summary =
        "[" + apps + " " +
        std::to_string(static_cast<long long>(std::round(column.widthFraction * 100))) + "%";
    if (column.isTabbed) summary += " tabbed";
    if (column.pin) summary += *column.pin == Pin::left ? " pin-left" : " pin-right";
    return summary + "]";
}

std::string report(const Inputs& in) {
    std::vector<std::string> lines;
    lines.push_back("Brindlow " + in.version + " (" + in.build + ")");
    lines.push_back("Linux " + in.systemVersion + ", " + in.machineModel);
    lines.push_back(std::string("X display: ") +
                    (in.displayReached ? "connected" : "NOT connected"));
    std::string managers;
    for (const std::string& name : in.otherWindowManagers)
        managers += (managers.empty() ? "" : ", ") + name;
    lines.push_back("Other tiling tools running: " + (managers.empty() ? "none" : managers));
    lines.emplace_back();
    lines.emplace_back("Displays:");
    for (const DisplayInfo& display : in.displays)
        lines.push_back(displayLine(display, in.disabledDisplays));
    lines.emplace_back();
    lines.push_back(std::string("Strips") +
                    (in.snapshot && in.snapshot->paused ? " (paused)" : "") + ":");
    if (in.snapshot)
        for (const DisplaySnapshot& display : in.snapshot->displays)
            lines.push_back(stripLine(display));
    lines.emplace_back();
    lines.emplace_back("Settings:");
    if (std::optional<std::string> json = encodeJSON(toJSON(in.settings))) {
        while (!json->empty() && json->back() == '\n') json->pop_back();
        lines.push_back(*json);
    }
    lines.emplace_back();
    lines.emplace_back("Recent log (15 minutes):");
    lines.insert(lines.end(), in.recentLog.begin(), in.recentLog.end());

    std::string text;
    for (size_t index = 0; index < lines.size(); ++index) {
        if (index > 0) text += '\n';
        text += lines[index];
    }
    return text;
}

std::vector<std::string> recentLog(const std::vector<LogRecord>& records, double now) {
    std::vector<const LogRecord*> kept;
    for (const LogRecord& record : records)
        if (record.time >= now - kRecentLogWindow) kept.push_back(&record);
    if (kept.size() > kRecentLogLimit) kept.erase(kept.begin(), kept.end() - kRecentLogLimit);
    std::vector<std::string> lines;
    for (const LogRecord* record : kept)
        lines.push_back("  " + localTime(record->time) + " [" + record->category + "] " +
                        record->message);
    if (lines.empty()) lines.emplace_back("  (no entries)");
    return lines;
}

std::vector<std::string> recentLog() {
    const double now =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    // The ring buffer holds only this process's own subsystem.
    return recentLog(LogSink::recent(), now);
}

std::string hardwareModel(const std::filesystem::path& dmiFolder) {
    const std::optional<std::string> name = readFileBytes(dmiFolder / "product_name");
    return name ? sanitizeUTF8(trimmed(*name)) : std::string();
}

std::string systemVersion(const std::filesystem::path& osRelease) {
    std::string pretty;
    std::ifstream file(osRelease);
    for (std::string line; std::getline(file, line);)
        if (line.rfind("PRETTY_NAME=", 0) == 0) pretty = unquoted(trimmed(line.substr(12)));
    utsname names{};
    const std::string kernel = uname(&names) == 0 ? names.release : "";
    if (pretty.empty()) return kernel;
    return kernel.empty() ? pretty : pretty + " " + kernel;
}

std::vector<std::string> runningWindowManagers(const Workspace& workspace) {
    // Programs that tile other applications' windows themselves, compared without letter case.
    static const std::vector<std::string> known = {"quicktile", "x-tile", "xpytile", "pytyle"};
    std::set<std::string> found;
    for (const RunningApplication& app : workspace.runningApplications()) {
        for (const std::optional<std::string>& name : {app.localizedName, app.bundleID}) {
            if (!name) continue;
            std::string lower = *name;
            std::transform(lower.begin(), lower.end(), lower.begin(),
                           [](unsigned char c) { return char(std::tolower(c)); });
            if (std::find(known.begin(), known.end(), lower) != known.end())
                found.insert(app.localizedName.value_or(*name));
        }
    }
    return {found.begin(), found.end()};
}

std::optional<std::string> write(const std::string& text, const std::filesystem::path& file) {
    return writeFileAtomically(file, text);
}

void save(const std::function<std::optional<std::filesystem::path>()>& chooseFile,
          const std::function<std::string()>& buildReport,
          const std::function<void(const std::string& message)>& tellUser) {
    const std::optional<std::filesystem::path> file = chooseFile ? chooseFile() : std::nullopt;
    if (!file) return;
    const std::optional<std::string> error = write(buildReport(), *file);
    if (!error) return;
    static const Logger log = makeLogger("Diagnostics");
    log.error("Could not save the diagnostics report to %{public}s: %{public}s", file->string(),
              *error);
    if (tellUser)
        tellUser("Brindlow could not save the diagnostics report to \u201C" + file->string() +
                 "\u201D: " + *error);
}

}  // namespace brindlow::Diagnostics
