#include <gtest/gtest.h>

#include <boost/json/parse.hpp>

#include "net/access_brake.hpp"
#include "support/running_server.hpp"

namespace zorvanil::test {
namespace {

using namespace std::chrono_literals;
using net::AccessBrake;

// One event at an address, minutes after the start, and the delay that the brake then gives.
struct BrakeStep {
    const char* address;
    int minute;
    bool right;  // a right key: no verdict
    std::chrono::milliseconds delay;
    unsigned failures;
};

TEST(AccessBrake, DelaysRepeatedFailuresFromOneAddressDoublingUpToTheBound) {
    const BrakeStep steps[] = {
        {"10.0.0.1", 0, false, 0ms, 1},     // the first wrong key is answered at once
        {"10.0.0.1", 0, false, 100ms, 2},   // then the delay starts
        {"10.0.0.1", 0, false, 200ms, 3},   // and doubles
        {"10.0.0.1", 0, false, 400ms, 4},   //
        {"10.0.0.2", 0, false, 0ms, 1},     // another address has its own count
        {"10.0.0.1", 1, false, 800ms, 5},   //
        {"10.0.0.1", 1, false, 1000ms, 6},  // up to the bound
        {"10.0.0.1", 2, false, 1000ms, 7},  //
        {"10.0.0.1", 2, true, 0ms, 0},      // a right key starts again
        {"10.0.0.1", 2, false, 0ms, 1},     //
        {"10.0.0.1", 3, false, 100ms, 2},   //
        {"10.0.0.1", 30, false, 0ms, 1},    // and so does a quiet spell
        {"10.0.0.2", 30, false, 0ms, 1},    //
    };
    AccessBrake brake(100ms, 1000ms);
    const auto start = AccessBrake::Clock::now();
    int n = 0;
    for (const BrakeStep& s : steps) {
        SCOPED_TRACE(::testing::Message() << "step " << ++n);
        if (s.right) {
            brake.succeeded(s.address);
            continue;
        }
        auto verdict = brake.failed(s.address, start + std::chrono::minutes(s.minute));
        EXPECT_EQ(verdict.delay, s.delay);
        EXPECT_EQ(verdict.failures, s.failures);
    }
}

TEST(AccessBrake, AConnectionIsClosedAfterItsLastWrongKey) {
    net::NetOptions options;
    options.accessKey = "open sesame";
    options.maxWrongKeys = 3;
    options.wrongKeyDelay = 1ms;
    options.wrongKeyMaxDelay = 2ms;
    RunningServer server(options);
    auto c = server.connect(false);
    for (int i = 1; i <= 3; ++i) {
        c->sendText(R"({"jsonrpc":"2.0","id":)" + std::to_string(i) +
                    R"(,"method":"CreateObject","params":{"class":"ZORVANIL.AZORVANIL",)"
                    R"("accessKey":"guess"}})");
        auto answer = boost::json::parse(c->receiveText());
        EXPECT_EQ(answer.at("error").at("code").as_int64(), -32003);
        EXPECT_EQ(answer.at("id").as_int64(), i);
    }
    EXPECT_THROW(c->receiveText(), client::ConnectionError);
    EXPECT_EQ(server.host->liveObjects(), 0);
    // Another connection with the right key is served.
    auto right = server.connect(false);
    right->createObject("open sesame");
    EXPECT_EQ(server.host->liveObjects(), 1);
}

}  // namespace
}  // namespace zorvanil::test
