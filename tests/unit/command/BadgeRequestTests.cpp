#include "command/BadgeRequest.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace brindlow::test {
namespace {

TEST(BadgeRequestJSON, KeysAreWrittenInTheirOrderAndReadBack) {
    const BadgeRequest request{4242, "/home/me/src/brindlow", "make", 2};
    const std::string text = encodeBadgeRequest(request);
    EXPECT_EQ(
        text,
        R"({"shellPID":4242,"directory":"/home/me/src/brindlow","command":"make","status":2})");
    EXPECT_EQ(decodeBadgeRequest(text), request);

    // Negative numbers and empty texts are values like any other.
    const BadgeRequest edge{-1, "", "", -128};
    EXPECT_EQ(decodeBadgeRequest(encodeBadgeRequest(edge)), edge);
    // Key order and extra keys do not matter when reading.
    EXPECT_EQ(decodeBadgeRequest(
                  R"({"status":0,"command":"ls","extra":true,"directory":"/","shellPID":7})"),
              (BadgeRequest{7, "/", "ls", 0}));
}

TEST(BadgeRequestJSON, InvalidUTF8InATextIsReplacedNotAFailure) {
    const BadgeRequest request{12, "/tmp/\xff", "cat", 0};
    const std::optional<BadgeRequest> back = decodeBadgeRequest(encodeBadgeRequest(request));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->directory, "/tmp/\xEF\xBF\xBD");
}

struct Failure {
    const char* name;
    const char* text;
    const char* reason;
};

class BadgeRequestDecoding : public ::testing::TestWithParam<Failure> {};

TEST_P(BadgeRequestDecoding, FailsAndSaysWhy) {
    std::string error;
    EXPECT_EQ(decodeBadgeRequest(GetParam().text, &error), std::nullopt);
    EXPECT_NE(error.find(GetParam().reason), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadgeRequestDecoding,
    ::testing::Values(
        Failure{"NotJSON", R"({"shellPID":1,)", "Not JSON"},
        Failure{"NotAnObject", R"([1, "/", "ls", 0])", "Expected an object"},
        Failure{"NoShellPID", R"({"directory":"/","command":"ls","status":0})",
                R"(No value for key "shellPID")"},
        Failure{"NoDirectory", R"({"shellPID":1,"command":"ls","status":0})",
                R"(No value for key "directory")"},
        Failure{"NoCommand", R"({"shellPID":1,"directory":"/","status":0})",
                R"(No value for key "command")"},
        Failure{"NoStatus", R"({"shellPID":1,"directory":"/","command":"ls"})",
                R"(No value for key "status")"},
        Failure{"NullCommand", R"({"shellPID":1,"directory":"/","command":null,"status":0})",
                R"(Null value for key "command")"},
        Failure{"ShellPIDAsText", R"({"shellPID":"1","directory":"/","command":"ls","status":0})",
                R"(Expected an integer for "shellPID")"},
        Failure{"FractionalStatus", R"({"shellPID":1,"directory":"/","command":"ls","status":0.5})",
                R"(Expected an integer for "status")"},
        Failure{"StatusBeyond32Bits",
                R"({"shellPID":1,"directory":"/","command":"ls","status":2147483648})",
                R"(Number out of range for "status")"},
        Failure{"DirectoryAsNumber", R"({"shellPID":1,"directory":5,"command":"ls","status":0})",
                R"(Expected text for "directory")"},
        Failure{"CommandAsArray", R"({"shellPID":1,"directory":"/","command":["ls"],"status":0})",
                R"(Expected text for "command")"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

}  // namespace
}  // namespace brindlow::test
