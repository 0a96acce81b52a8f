#include "protocol/redirector_reply.h"

#include <gtest/gtest.h>

#include <climits>

using namespace tandril::protocol;

TEST(RedirectorReply, AnAddressAndPortOrAWaitAndNothingElse) {
    struct Case {
        std::string text;
        RedirectorReply::Kind kind;
        std::string address;
        int port, waitSeconds;
    };
    const Case cases[] = {
        {"208.184.216.223:8888\n", RedirectorReply::Server, "208.184.216.223", 8888, 0},
        {" 10.0.0.1 : 7777 \r\n", RedirectorReply::Server, "10.0.0.1", 7777, 0},
        {"WAIT 30", RedirectorReply::Wait, "", 0, 30},
        {"wait   45\n", RedirectorReply::Wait, "", 0, 45},
        {"WAIT -5", RedirectorReply::Wait, "", 0, 0},
        // Numbers too large for the program are held at what it can wait, never wrapped round.
        {"WAIT " + std::string(48, '1'), RedirectorReply::Wait, "", 0, INT_MAX},
        {"1.2.3.4:4294967297", RedirectorReply::Server, "1.2.3.4", 0, 0},
        {"1.2.3.4:70000", RedirectorReply::Server, "1.2.3.4", 0, 0},
        {"WAITING 5", RedirectorReply::Invalid, "", 0, 0},
        {"busy", RedirectorReply::Invalid, "", 0, 0},
        {"", RedirectorReply::Invalid, "", 0, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text);
        RedirectorReply reply = ParseRedirectorReply(k.text);
        EXPECT_EQ(reply.kind, k.kind);
        EXPECT_EQ(reply.address, k.address);
        EXPECT_EQ(reply.port, k.port);
        EXPECT_EQ(reply.waitSeconds, k.waitSeconds);
    }
}
