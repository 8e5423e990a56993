#include "host/metrics_page.hpp"

#include <algorithm>
#include <cstdio>

#include "packet/remote_operations.hpp"

namespace zorvanil::host {

namespace {

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

// Writes the families one after the other, each opened by its HELP and TYPE lines.
class Exposition {
  public:
    void family(std::string_view name, std::string_view type, std::string_view help) {
        text_ += "# HELP ";
        text_ += name;
        text_ += ' ';
        text_ += help;
        text_ += "\n# TYPE ";
        text_ += name;
        text_ += ' ';
        text_ += type;
        text_ += '\n';
    }
    void sample(std::string_view name, std::string_view labels, const std::string& value) {
        text_ += name;
        if (!labels.empty()) {
            text_ += '{';
            text_ += labels;
            text_ += '}';
        }
        text_ += ' ';
        text_ += value;
        text_ += '\n';
    }
    void sample(std::string_view name, std::string_view labels, std::uint64_t value) {
        sample(name, labels, std::to_string(value));
    }
    std::string take() { return std::move(text_); }

  private:
    std::string text_;
};

std::string operationLabel(std::string_view method) {
    return "operation=\"" + std::string(method) + "\"";
}

}  // namespace

std::string metricsText(const net::ServerActivity& activity, int objects, std::size_t connections,
                        const std::vector<net::ObjectActivity::Snapshot>& live) {
    using net::ServerActivity;
    Exposition out;
    out.family("zorvanil_objects", "gauge", "Live server objects.");
    out.sample("zorvanil_objects", "", std::to_string(objects));
    out.family("zorvanil_connections", "gauge", "Open connections, HTTP and WebSocket.");
    out.sample("zorvanil_connections", "", connections);

    std::vector<ServerActivity::OperationTotals> totals;
    for (std::size_t i = 0; i < ServerActivity::kOperations; ++i)
        totals.push_back(activity.operation(i));
    out.family("zorvanil_calls_total", "counter",
               "Calls of the remote operations by operation and outcome.");
    for (std::size_t i = 0; i < totals.size(); ++i) {
        const std::string op = operationLabel(packet::kRemoteOperations[i].method());
        out.sample("zorvanil_calls_total", op + ",outcome=\"ok\"", totals[i].ok);
        out.sample("zorvanil_calls_total", op + ",outcome=\"error\"", totals[i].failed);
    }
    out.family("zorvanil_call_duration_seconds", "histogram",
               "Time from the start of a call to its answer, by operation.");
    for (std::size_t i = 0; i < totals.size(); ++i) {
        const std::string op = operationLabel(packet::kRemoteOperations[i].method());
        std::uint64_t cumulative = 0;
        for (std::size_t b = 0; b < ServerActivity::kLatencyBounds.size(); ++b) {
            cumulative += totals[i].buckets[b];
            out.sample("zorvanil_call_duration_seconds_bucket",
                       op + ",le=\"" + number(ServerActivity::kLatencyBounds[b]) + "\"",
                       cumulative);
        }
        cumulative += totals[i].buckets.back();
        out.sample("zorvanil_call_duration_seconds_bucket", op + ",le=\"+Inf\"", cumulative);
        out.sample("zorvanil_call_duration_seconds_sum", op, number(totals[i].seconds));
        out.sample("zorvanil_call_duration_seconds_count", op, cumulative);
    }
    out.family("zorvanil_applies_total", "counter", "Applies that ran to their answer.");
    out.sample("zorvanil_applies_total", "", activity.applies());
    out.family("zorvanil_apply_failed_rows_total", "counter",
               "Rows that failed to apply, as the applies' ErrorCount answered.");
    out.sample("zorvanil_apply_failed_rows_total", "", activity.failedRows());

    std::size_t open = 0;
    double oldest = 0;
    for (const auto& o : live)
        if (o.inTransaction) {
            ++open;
            oldest = std::max(oldest, std::chrono::duration<double>(o.transactionFor).count());
        }
    out.family("zorvanil_open_transactions", "gauge", "Objects holding a transaction open.");
    out.sample("zorvanil_open_transactions", "", open);
    out.family("zorvanil_oldest_transaction_age_seconds", "gauge",
               "Age of the oldest open transaction; 0 when none is open.");
    out.sample("zorvanil_oldest_transaction_age_seconds", "", number(oldest));

    out.family("zorvanil_write_lock_wait_seconds_total", "counter",
               "Time spent starting transactions, waiting for the database's write lock.");
    out.sample("zorvanil_write_lock_wait_seconds_total", "", number(activity.lockWaitSeconds()));
    out.family("zorvanil_transactions_started_total", "counter",
               "Transactions started, each after its wait for the write lock.");
    out.sample("zorvanil_transactions_started_total", "", activity.lockWaits());
    out.family("zorvanil_idle_transactions_rolled_back_total", "counter",
               "Transactions rolled back because their object made no call for "
               "--max-transaction-idle seconds.");
    out.sample("zorvanil_idle_transactions_rolled_back_total", "", activity.idleRollbacks());
    out.family("zorvanil_objects_ended_total", "counter",
               "Objects ended by an operator from the console.");
    out.sample("zorvanil_objects_ended_total", "", activity.objectsEnded());
    return out.take();
}

}  // namespace zorvanil::host
