#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/variant.hpp"

namespace zorvanil::db {
class SQLConnection;
}

namespace zorvanil::server {

// The answer of an apply made under a client's request id, as it was recorded with the apply.
struct RecordedAnswer {
    std::string digest;  // of the request, see applyRequestDigest
    Variant result;      // the packet of failed and propagated rows, or Null
    std::int32_t errorCount = 0;
    Variant ownerData;
};

// The table ZRV_APPLY_REQUEST of the server's own, which keeps the answers of applies made under a
// request id so that a second call with the id is answered again instead of applied twice. Every
// statement runs on the given connection, in whatever transaction it holds: a record is written in
// the apply's own transaction and goes with it whichever way it ends.
class RequestRecords {
  public:
    // The longest request id kept; a longer one is refused.
    static constexpr std::size_t kMaxIdLength = 128;
    // The table's definition, as schema/zorvanil.sql holds it.
    static const char* const kCreateTable;
    static const char* const kCreateIndex;

    explicit RequestRecords(db::SQLConnection& connection) : connection_(connection) {}

    // Creates the table when the database has none, so that a database made before it existed
    // takes request ids too. Looks once per connection; a table made inside a transaction that
    // is later rolled back is looked for again.
    void ensureTable();
    std::optional<RecordedAnswer> find(std::string_view requestId);
    // `recordedAt`: seconds since the epoch.
    void record(std::string_view requestId, const RecordedAnswer& answer, std::int64_t recordedAt);
    // Deletes the records made before `before` (seconds since the epoch).
    void purge(std::int64_t before);

  private:
    bool tableExists();

    db::SQLConnection& connection_;
    bool known_ = false;
};

// How long records are kept, and when this process last purged the older ones: at most once a
// minute, by the first apply under a request id that comes after the minute is over.
class RequestRecordAge {
  public:
    static constexpr std::chrono::seconds kDefaultMaxAge{7 * 24 * 3600};
    static constexpr std::int64_t kPurgeInterval = 60;

    std::chrono::seconds maxAge = kDefaultMaxAge;

    // Whether the caller is to purge now (seconds since the epoch); true for one caller a minute.
    bool purgeDue(std::int64_t now) {
        std::int64_t last = lastPurge_.load(std::memory_order_relaxed);
        if (now - last < kPurgeInterval) return false;
        return lastPurge_.compare_exchange_strong(last, now, std::memory_order_relaxed);
    }

  private:
    std::atomic<std::int64_t> lastPurge_{0};
};

}  // namespace zorvanil::server
