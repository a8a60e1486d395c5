#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Log.h"

namespace brindlow::test {

// A test whose log lines stay in memory (nothing on stderr), starting from an empty log.
class QuietLogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        LogSink::setStderrEnabled(false);
        LogSink::clear();
    }
};

// The error lines that contain `text`, oldest first.
inline std::vector<LogRecord> errorsMentioning(const std::string& text) {
    std::vector<LogRecord> found;
    for (const LogRecord& record : LogSink::recent())
        if (record.level == LogLevel::error && record.message.find(text) != std::string::npos)
            found.push_back(record);
    return found;
}

}  // namespace brindlow::test
