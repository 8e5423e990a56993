#pragma once

#include <cstdint>
#include <string_view>

#include "common/variant.hpp"

namespace zorvanil::server {

class DataSetProvider;
class RequestRecords;
class RequestRecordAge;
struct WorkingFields;

// What a client may add to an apply. Without a request id and without a dry run an apply runs
// as it always has.
struct ApplyRequest {
    // The client's id of this apply; empty for none.
    std::string_view RequestId;
    // Runs the apply, answers what it would answer and rolls everything back.
    bool DryRun = false;
    // Where a dry run answers the statements it ran; may be null.
    Variant* Statements = nullptr;
};

// The arguments of one apply, as the provider's apply takes them.
struct ApplyArguments {
    std::string_view providerName;
    Variant delta;
    std::int32_t maxErrors = 0;
    std::int32_t& errorCount;
    Variant& ownerData;
};

// An apply under a request id. In the apply's own transaction (or, inside one that the command
// channel holds open, in that one) the id is looked up first: a recorded request with the same
// digest is answered with the recorded answer and changes nothing, a different one under the id
// is refused. Otherwise the apply runs and its answer is recorded in the same transaction, so that
// both are committed or rolled back together. An apply rolled back (errors beyond MaxErrors, or a
// statement that hit several rows) records nothing: a retry runs it again, which on the same data
// gives the same answer and, on changed data, is what the client means. A second call under an id
// whose apply is running elsewhere waits for that apply's transaction (on SQLite, for the write
// lock its BEGIN takes), then finds its record.
Variant applyUnderRequestId(DataSetProvider& provider, RequestRecords& records,
                            RequestRecordAge& age, std::string_view requestId,
                            ApplyArguments arguments);

// A dry run: the whole apply, handlers and stock posting included, in a transaction (or a
// savepoint of the command channel's transaction) that is rolled back at the end; the object's
// working fields are put back as they were. Answers what the apply would answer, and in
// `statements` every statement it ran as a pair [text, [params]]. Records no request id.
Variant dryRunApply(DataSetProvider& provider, WorkingFields& working, ApplyArguments arguments,
                    Variant* statements);

}  // namespace zorvanil::server
