#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace zorvanil::host {

// The facts the status page shows.
struct StatusFacts {
    int objects = 0;
    std::size_t connections = 0;
    std::chrono::seconds uptime{0};
    std::string database;  // the database alias in use
    std::string mode;      // the start mode
    std::string endpoint;  // address:port
    bool accepting = true;
    std::string version;
};

inline constexpr const char* kStatusTitle = "SZORVANIL";
inline constexpr const char* kStatusLabel = "Remote Server Zorvanil db2";

// "3 d 04:05:06", or "04:05:06" under a day.
std::string formatUptime(std::chrono::seconds uptime);
// The HTML page of GET / and /status.
std::string statusHtml(const StatusFacts& facts);
// The same facts for GET /status.json.
std::string statusJson(const StatusFacts& facts);

}  // namespace zorvanil::host
