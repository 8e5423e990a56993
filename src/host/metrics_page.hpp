#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "net/object_activity.hpp"
#include "net/server_activity.hpp"

namespace zorvanil::host {

// The content type of the Prometheus text exposition format.
inline constexpr const char* kMetricsContentType = "text/plain; version=0.0.4; charset=utf-8";

// GET /metrics: the process's activity in the Prometheus text exposition format, every family
// with its HELP and TYPE lines.
std::string metricsText(const net::ServerActivity& activity, int objects, std::size_t connections,
                        const std::vector<net::ObjectActivity::Snapshot>& live);

}  // namespace zorvanil::host
