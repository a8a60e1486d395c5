#pragma once

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/Log.h"
#include "platform/ManualExecutor.h"
#include "platform/sim/SimDesktop.h"

namespace brindlow::test {

// A simulated desktop in virtual time with its platform, for scenario tests.
// Log lines are kept in memory only; linesOf() reads them back.
struct SimFixture {
    VirtualTime time;
    SimDesktop desktop{time};
    Platform platform = desktop.platform();

    SimFixture() {
        LogSink::setStderrEnabled(false);
        LogSink::clear();
    }

    // Messages logged under a category, oldest first.
    static std::vector<std::string> linesOf(const std::string& category) {
        std::vector<std::string> lines;
        for (const LogRecord& record : LogSink::recent()) {
            if (record.category == category) lines.push_back(record.message);
        }
        return lines;
    }
    // The same with their levels.
    using Entries = std::vector<std::pair<LogLevel, std::string>>;
    static Entries entriesOf(const std::string& category) {
        Entries entries;
        for (const LogRecord& record : LogSink::recent()) {
            if (record.category == category) entries.emplace_back(record.level, record.message);
        }
        return entries;
    }
};

}  // namespace brindlow::test
