#pragma once

#include <string>

#include "server/resolver/delta_record.hpp"

namespace zorvanil::server {
class TAZORVANIL;
}

namespace zorvanil::update {

// How the stock postings read a changed line: through the readings of its change (value, old
// value, new value), each taken as its text, and by the kind of the change.

// The text of a reading: Variant::toString, empty for null and unassigned.
inline std::string textOf(const Variant& reading) {
    return reading.toString();
}

// The text of a quantity reading, "0" when it is null.
inline std::string quantityOr0(const Variant& reading) {
    return reading.isEmpty() ? std::string("0") : reading.toString();
}

// The posting of a line for each kind of change.
struct LinePostings {
    void (*inserted)(server::TAZORVANIL&, const server::DeltaRecord&);
    void (*modified)(server::TAZORVANIL&, const server::DeltaRecord&);
    void (*deleted)(server::TAZORVANIL&, const server::DeltaRecord&);
};

inline void postChange(const LinePostings& postings, server::TAZORVANIL& module,
                       const server::DeltaRecord& line, server::UpdateKind kind) {
    switch (kind) {
        case server::UpdateKind::ukInsert:
            return postings.inserted(module, line);
        case server::UpdateKind::ukModify:
            return postings.modified(module, line);
        case server::UpdateKind::ukDelete:
            return postings.deleted(module, line);
    }
}

}  // namespace zorvanil::update
