#include "server/apply_request.hpp"

#include <chrono>
#include <optional>
#include <string>

#include "common/error.hpp"
#include "common/messages.hpp"
#include "common/text.hpp"
#include "db/sql_connection.hpp"
#include "server/apply_scope.hpp"
#include "server/provider.hpp"
#include "server/remote_data_module.hpp"
#include "server/request_digest.hpp"
#include "server/request_records.hpp"
#include "server/working_fields.hpp"

namespace zorvanil::server {

namespace {

std::int64_t secondsNow() {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

// The recorded answer, given back as the apply's own; refused when the request differs.
Variant answerRecorded(const RecordedAnswer& recorded, const std::string& digest,
                       std::string_view requestId, ApplyArguments& arguments) {
    if (recorded.digest != digest) raise(msg::kRequestIdReused, {echoed(requestId)});
    arguments.errorCount = recorded.errorCount;
    arguments.ownerData = recorded.ownerData;
    return recorded.result;
}

Variant runApply(DataSetProvider& provider, ApplyArguments& arguments) {
    return provider.applyUpdates(std::move(arguments.delta), arguments.maxErrors,
                                 arguments.errorCount, arguments.ownerData);
}

bool beyondLimit(const ApplyArguments& arguments) {
    return arguments.maxErrors != -1 && arguments.errorCount > arguments.maxErrors;
}

}  // namespace

Variant applyUnderRequestId(DataSetProvider& provider, RequestRecords& records,
                            RequestRecordAge& age, std::string_view requestId,
                            ApplyArguments arguments) {
    if (requestId.size() > RequestRecords::kMaxIdLength)
        raise(msg::kRequestIdTooLong, {std::to_string(RequestRecords::kMaxIdLength)});
    const std::string digest = applyRequestDigest(arguments.providerName, arguments.maxErrors,
                                                  arguments.ownerData, arguments.delta);
    db::SQLConnection& connection = provider.owner().SQLConnection1();
    records.ensureTable();

    ApplyScope scope(connection);
    if (std::optional<RecordedAnswer> recorded = records.find(requestId)) {
        scope.undo();
        return answerRecorded(*recorded, digest, requestId, arguments);
    }
    const std::int64_t now = secondsNow();
    if (age.purgeDue(now)) records.purge(now - age.maxAge.count());

    Variant result = runApply(provider, arguments);
    if (!scope.alive()) return result;
    if (scope.own() && beyondLimit(arguments)) {
        scope.undo();
        return result;
    }
    try {
        records.record(requestId, {digest, result, arguments.errorCount, arguments.ownerData}, now);
        scope.keep();
    } catch (const DatabaseError&) {
        // The same id recorded by another connection since the lookup (a database whose locks
        // let both look up at once): this apply goes, and the other's answer is the answer.
        scope.undo();
        ApplyScope again(connection);
        std::optional<RecordedAnswer> recorded = records.find(requestId);
        again.undo();
        if (!recorded) throw;
        return answerRecorded(*recorded, digest, requestId, arguments);
    }
    return result;
}

Variant dryRunApply(DataSetProvider& provider, WorkingFields& working, ApplyArguments arguments,
                    Variant* statements) {
    db::SQLConnection& connection = provider.owner().SQLConnection1();
    const WorkingFields before = working;
    Variant::Array ran;
    ApplyScope scope(connection);
    connection.collectStatements(&ran);
    Variant result;
    try {
        result = runApply(provider, arguments);
    } catch (...) {
        connection.collectStatements(nullptr);
        working = before;
        throw;
    }
    connection.collectStatements(nullptr);
    scope.undo();
    working = before;
    if (statements) *statements = Variant(std::move(ran));
    return result;
}

}  // namespace zorvanil::server
