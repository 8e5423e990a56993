#include "host/console_page.hpp"

#include <algorithm>
#include <ctime>

#include <boost/json/array.hpp>
#include <boost/json/object.hpp>
#include <boost/json/serialize.hpp>

namespace zorvanil::host {

namespace json = boost::json;

namespace {

double seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// "2026-12-09T15:04:05Z"
std::string utcText(std::chrono::system_clock::time_point t) {
    const std::time_t time = std::chrono::system_clock::to_time_t(t);
    std::tm parts{};
    gmtime_r(&time, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

json::object objectJson(const net::ObjectActivity::Snapshot& o, std::chrono::seconds limit) {
    json::object out;
    out["object"] = o.objectId;
    out["connection"] = o.connectionId;
    out["peer"] = o.peer;
    out["connectedAt"] = utcText(o.connectedAt);
    out["connectedSeconds"] = seconds(o.connectedFor);
    out["calls"] = o.calls;
    if (o.operation) {
        out["operation"] = *o.operation;
        out["operationSeconds"] = seconds(o.callFor);
    } else {
        out["operation"] = nullptr;
        out["operationSeconds"] = nullptr;
    }
    out["idleSeconds"] = seconds(o.idleFor);
    out["lastStatement"] = o.lastStatement;
    out["inTransaction"] = o.inTransaction;
    out["transactionSeconds"] = o.inTransaction ? json::value(seconds(o.transactionFor)) : nullptr;
    const double left = secondsLeftBeforeRollback(o, limit);
    out["rollbackInSeconds"] = left >= 0 ? json::value(left) : nullptr;
    return out;
}

}  // namespace

double secondsLeftBeforeRollback(const net::ObjectActivity::Snapshot& object,
                                 std::chrono::seconds limit) {
    if (limit.count() <= 0 || !object.inTransaction || object.operation) return -1;
    return std::max(0.0, seconds(limit - object.idleFor));
}

std::string consoleJson(const ConsoleFacts& facts) {
    json::object out;
    out["objects"] = facts.status.objects;
    out["connections"] = facts.status.connections;
    out["uptimeSeconds"] = facts.status.uptime.count();
    out["callsPerSecond"] = facts.lastMinute.callsPerSecond;
    out["callsLastMinute"] = facts.lastMinute.calls;
    out["errorsLastMinute"] = facts.lastMinute.errors;
    out["openTransactions"] = std::count_if(facts.objects.begin(), facts.objects.end(),
                                            [](const auto& o) { return o.inTransaction; });
    out["maxTransactionIdleSeconds"] = facts.maxTransactionIdle.count();
    out["accessKeyConfigured"] = facts.accessKeyConfigured;
    json::array objects;
    for (const auto& o : facts.objects)
        objects.push_back(objectJson(o, facts.maxTransactionIdle));
    out["live"] = std::move(objects);
    return json::serialize(out);
}

}  // namespace zorvanil::host
