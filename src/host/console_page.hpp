#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "host/status_page.hpp"
#include "net/object_activity.hpp"
#include "net/server_activity.hpp"

namespace zorvanil::host {

// What the console shows: the status facts, each live object's activity and the last minute's
// calls, with the rule that rolls idle transactions back.
struct ConsoleFacts {
    StatusFacts status;
    std::vector<net::ObjectActivity::Snapshot> objects;
    net::ServerActivity::LastMinute lastMinute;
    std::chrono::seconds maxTransactionIdle{0};  // 0: transactions are never rolled back
    bool accessKeyConfigured = false;
};

// GET /console.json: the console's facts, read by the status page every second.
std::string consoleJson(const ConsoleFacts& facts);

// The seconds an object's open transaction has left before it is rolled back for idleness;
// negative when it is not to be rolled back (no limit, no transaction, or a call running).
double secondsLeftBeforeRollback(const net::ObjectActivity::Snapshot& object,
                                 std::chrono::seconds limit);

}  // namespace zorvanil::host
