#include "host/status_page.hpp"

#include "host/console_script.hpp"

#include <cstdio>

#include <boost/json/object.hpp>
#include <boost/json/serialize.hpp>

namespace zorvanil::host {

namespace {

std::string escapeHtml(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

std::string formatUptime(std::chrono::seconds uptime) {
    long long total = uptime.count();
    long long days = total / 86400;
    char clock[32];
    std::snprintf(clock, sizeof clock, "%02lld:%02lld:%02lld", (total / 3600) % 24,
                  (total / 60) % 60, total % 60);
    return days > 0 ? std::to_string(days) + " d " + clock : std::string(clock);
}

std::string statusHtml(const StatusFacts& facts) {
    std::string html = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">";
    // The console below refreshes itself; a browser without scripts reloads the page instead.
    html += "<noscript><meta http-equiv=\"refresh\" content=\"5\"></noscript>";
    html += std::string("<title>") + kStatusTitle + "</title>";
    html +=
        "<style>body{font-family:sans-serif;margin:2em}h1{font-size:1.4em}"
        "td{padding:.2em 1em .2em 0}</style>";
    html += kConsoleStyle;
    html += "</head>\n<body>\n";
    html += std::string("<h1>") + kStatusLabel + "</h1>\n<table>\n";
    auto row = [&](std::string_view name, const std::string& value) {
        html += "<tr><td>" + std::string(name) + "</td><td>" + escapeHtml(value) + "</td></tr>\n";
    };
    row("Live objects", std::to_string(facts.objects));
    row("Connections", std::to_string(facts.connections));
    row("Uptime", formatUptime(facts.uptime));
    row("Database", facts.database);
    row("Start mode", facts.mode);
    row("Listening on", facts.endpoint + (facts.accepting ? "" : " (no longer accepting)"));
    row("Version", facts.version);
    html += "</table>\n";
    html += kConsoleSection;
    html += "</body></html>\n";
    return html;
}

std::string statusJson(const StatusFacts& facts) {
    boost::json::object o;
    o["title"] = kStatusTitle;
    o["label"] = kStatusLabel;
    o["objects"] = facts.objects;
    o["connections"] = facts.connections;
    o["uptimeSeconds"] = facts.uptime.count();
    o["database"] = facts.database;
    o["mode"] = facts.mode;
    o["endpoint"] = facts.endpoint;
    o["accepting"] = facts.accepting;
    o["version"] = facts.version;
    return boost::json::serialize(o);
}

}  // namespace zorvanil::host
