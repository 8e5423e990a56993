#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zorvanil::db {
class SQLDataSet;
}

namespace zorvanil::update {

// Statements the update rules run on a scratch dataset of the server object (Q_AUX, Q_AUX1), on
// its connection and so inside the apply's transaction. Each closes the dataset before giving it
// the statement and leaves it closed, holding the statement as its command text.

// The integer in the first column of the first row the query selects (a null reads as 0), or
// nothing when it selects no row.
std::optional<std::int32_t> firstInteger(db::SQLDataSet& scratch, std::string_view sql);

// The text of the first column of the first row the query selects (a null reads as the empty
// text), or nothing when it selects no row.
std::optional<std::string> firstText(db::SQLDataSet& scratch, std::string_view sql);

// Whether the query selects at least one row.
bool selectsAnyRow(db::SQLDataSet& scratch, std::string_view sql);

// Runs a statement that returns no rows, directly: one text, not prepared for reuse, without
// parameters.
void runStatement(db::SQLDataSet& scratch, std::string_view sql);

}  // namespace zorvanil::update
