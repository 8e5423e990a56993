#include "server/request_records.hpp"

#include <vector>

#include "common/error.hpp"
#include "common/messages.hpp"
#include "common/text.hpp"
#include "db/sql_connection.hpp"
#include "packet/json_codec.hpp"
#include "packet/json_parser.hpp"

namespace zorvanil::server {

namespace {

// clang-format off
constexpr const char* kProbe = "SELECT COUNT(*) FROM ZRV_APPLY_REQUEST WHERE 1 = 0";
constexpr const char* kFind =
    "SELECT REQUEST_DIGEST, RESULT_PACKET, ERROR_COUNT, OWNER_DATA FROM ZRV_APPLY_REQUEST "
    "WHERE REQUEST_ID = ?";
constexpr const char* kRecord =
    "INSERT INTO ZRV_APPLY_REQUEST (REQUEST_ID, REQUEST_DIGEST, RESULT_PACKET, ERROR_COUNT, "
    "OWNER_DATA, RECORDED_AT) VALUES (?, ?, ?, ?, ?, ?)";
constexpr const char* kPurge = "DELETE FROM ZRV_APPLY_REQUEST WHERE RECORDED_AT < ?";
// clang-format on

// A variant kept as its JSON text, in a blob so that no length limits it; an unassigned one (an
// owner data no handler set) as SQL NULL, so that it is answered again as left out.
Variant storedText(const Variant& value) {
    if (value.isUnassigned()) return Variant::null();
    return Variant(Blob{packet::jsonText(value)});
}

Variant readStored(const Variant& stored, std::string_view requestId) {
    if (stored.isNull() || stored.isUnassigned()) return {};
    boost::system::error_code ec;
    std::string text =
        stored.type() == Variant::Type::Blob ? stored.asBlob().bytes : stored.toString();
    boost::json::value json = packet::parseJson(text, ec);
    if (ec) raise(msg::kRequestRecordUnreadable, {echoed(requestId)});
    return packet::variantFromJson(json);
}

}  // namespace

// clang-format off
const char* const RequestRecords::kCreateTable =
    "CREATE TABLE ZRV_APPLY_REQUEST ("
    " REQUEST_ID VARCHAR(128) NOT NULL,"
    " REQUEST_DIGEST CHAR(64) NOT NULL,"
    " RESULT_PACKET BLOB,"
    " ERROR_COUNT INTEGER NOT NULL,"
    " OWNER_DATA BLOB,"
    " RECORDED_AT BIGINT NOT NULL,"
    " PRIMARY KEY (REQUEST_ID))";
const char* const RequestRecords::kCreateIndex =
    "CREATE INDEX ZRV_APPLY_REQUEST_AGE ON ZRV_APPLY_REQUEST (RECORDED_AT)";
// clang-format on

bool RequestRecords::tableExists() {
    try {
        connection_.firstRow(kProbe, {});
        return true;
    } catch (const DatabaseError&) {
        return false;
    }
}

void RequestRecords::ensureTable() {
    if (known_) return;
    const bool outsideTransaction = !connection_.inTransaction();
    if (!tableExists()) {
        try {
            connection_.executeDirect(kCreateTable);
            connection_.executeDirect(kCreateIndex);
        } catch (const DatabaseError&) {
            // Another connection made it first; anything else fails the probe again.
            if (!tableExists()) throw;
        }
    }
    known_ = outsideTransaction;
}

std::optional<RecordedAnswer> RequestRecords::find(std::string_view requestId) {
    std::vector<Variant> row = connection_.firstRow(kFind, {Variant(std::string(requestId))});
    if (row.empty()) return std::nullopt;
    RecordedAnswer answer;
    answer.digest = std::string(trimRight(row[0].toString()));
    answer.result = readStored(row[1], requestId);
    answer.errorCount = row[2].toInt32();
    answer.ownerData = readStored(row[3], requestId);
    return answer;
}

void RequestRecords::record(std::string_view requestId, const RecordedAnswer& answer,
                            std::int64_t recordedAt) {
    connection_.execute(kRecord, {Variant(std::string(requestId)), Variant(answer.digest),
                                  storedText(answer.result), Variant(answer.errorCount),
                                  storedText(answer.ownerData), Variant(recordedAt)});
}

void RequestRecords::purge(std::int64_t before) {
    connection_.execute(kPurge, {Variant(before)});
}

}  // namespace zorvanil::server
