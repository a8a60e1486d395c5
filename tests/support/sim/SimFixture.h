#pragma once

#include <algorithm>
#include <string>
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
    static std::vector<LogRecord> recordsOf(const std::string& category) {
        std::vector<LogRecord> records;
        for (const LogRecord& record : LogSink::recent()) {
            if (record.category == category) records.push_back(record);
        }
        return records;
    }
};

}  // namespace brindlow::test
