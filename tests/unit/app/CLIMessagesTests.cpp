#include <gtest/gtest.h>

#include "app/CLIMessages.h"

namespace brindlow {
namespace {

TEST(CLIMessages, RequestDecodingAcceptsMissingOrNullCallerAndRejectsEverythingElse) {
    EXPECT_EQ(decodeRequest(R"({"args":[]})"), (CLIRequest{{}, std::nullopt}));
    EXPECT_EQ(decodeRequest(R"({"args":["list"],"callerPID":null,"extra":1})"),
              (CLIRequest{{"list"}, std::nullopt}));
    EXPECT_EQ(decodeRequest(R"({"args":["x"],"callerPID":-7})"), (CLIRequest{{"x"}, -7}));
    for (const char* bad :
         {"", "{", "[]", "null", R"({"callerPID":1})", R"({"args":"list"})", R"({"args":[1]})",
          R"({"args":["a",null]})", R"({"args":["a"],"callerPID":"1"})",
          R"({"args":["a"],"callerPID":1.5})", R"({"args":["a"],"callerPID":2147483648})",
          R"({"args":["a"]} x)", "{\"args\":[\"\xff\"]}"}) {
        EXPECT_EQ(decodeRequest(bad), std::nullopt) << bad;
    }
}

TEST(CLIMessages, ReplyRoundTripsAndNeedsBothKeys) {
    const std::string line = encodeLine(CLIResponse{true, "{\"displays\":[]}\nsecond"});
    EXPECT_EQ(line.find('\n'), line.size() - 1);
    EXPECT_EQ(decodeResponse(line.substr(0, line.size() - 1)),
              (CLIResponse{true, "{\"displays\":[]}\nsecond"}));
    for (const char* bad : {R"({"ok":true})", R"({"output":""})", R"({"ok":1,"output":""})",
                            R"({"ok":true,"output":null})", "ok"}) {
        EXPECT_EQ(decodeResponse(bad), std::nullopt) << bad;
    }
}

TEST(CLIMessages, ReplyWithInvalidUTF8IsStillSentWithTheBadBytesReplaced) {
    const std::string line = encodeLine(CLIResponse{true, "title \xff end"});
    const auto response = decodeResponse(line.substr(0, line.size() - 1));
    ASSERT_TRUE(response);
    EXPECT_EQ(response->output, "title \xEF\xBF\xBD end");
}

}  // namespace
}  // namespace brindlow
