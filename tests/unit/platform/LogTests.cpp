#include <gtest/gtest.h>

#include "platform/Log.h"

using namespace brindlow;

TEST(LogFormat, PublicTextIsWrittenAndPrivateTextHidden) {
    EXPECT_EQ(formatLogMessage("Could not write %{public}s: %{public}s",
                               {std::string("a.json"), std::string("boom")}),
              "Could not write a.json: boom");
    EXPECT_EQ(formatLogMessage("Adopted %{public}s '%{private}s'",
                               {std::string("xterm"), std::string("secret")}),
              "Adopted xterm '<private>'");
    // Text without a marker is private, as in the system log.
    EXPECT_EQ(formatLogMessage("title %s", {std::string("secret")}), "title <private>");
}

TEST(LogFormat, NumbersAndPercent) {
    EXPECT_EQ(formatLogMessage("Put %ld windows back", {std::int64_t(3)}), "Put 3 windows back");
    EXPECT_EQ(formatLogMessage("%d%% of %lu", {std::int64_t(-5), std::uint64_t(7)}), "-5% of 7");
    EXPECT_EQ(formatLogMessage("%.2f s", {0.127}), "0.13 s");
    EXPECT_EQ(formatLogMessage("%{private}d", {std::int64_t(42)}), "<private>");
    EXPECT_EQ(formatLogMessage("missing %d", {}), "missing <missing>");
}

TEST(Logger, RecordsReachTheRingBufferWithCategoryAndLevel) {
    LogSink::setStderrEnabled(false);
    LogSink::clear();
    const Logger logger = makeLogger("Storage");
    logger.error("Could not read %{public}s: %{public}s", "session.json", std::string("bad"));
    logger.info("count %ld of %{private}s", 12, "secret");
    const auto records = LogSink::recent();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].category, "Storage");
    EXPECT_EQ(records[0].level, LogLevel::error);
    EXPECT_EQ(records[0].message, "Could not read session.json: bad");
    // Private text is hidden before it reaches the ring buffer (and the diagnostics report).
    EXPECT_EQ(records[1].message, "count 12 of <private>");
    const std::string line = LogSink::formatLine(records[0]);
    EXPECT_NE(line.find("error com.vemto.brindlow:Storage Could not read session.json: bad"),
              std::string::npos);
}

TEST(Logger, RingBufferKeepsOnlyTheNewest) {
    LogSink::setStderrEnabled(false);
    LogSink::clear();
    const Logger logger = makeLogger("Test");
    for (size_t i = 0; i < LogSink::kCapacity + 10; ++i) logger.debug("line %lu", i);
    const auto records = LogSink::recent();
    ASSERT_EQ(records.size(), LogSink::kCapacity);
    EXPECT_EQ(records.front().message, "line 10");
}
