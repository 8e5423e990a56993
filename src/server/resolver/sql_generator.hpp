#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/variant.hpp"
#include "packet/data_packet.hpp"
#include "server/resolver/delta_record.hpp"

namespace zorvanil::server {

// A statement to run with its parameter values, bound in order to its "?" placeholders.
struct GeneratedStatement {
    std::string sql;
    std::vector<Variant> params;
};

// Makes the statements of the resolver. Each statement is a list of lines sent as one text, each
// line ended by CR LF; names are enclosed in the connection's quote character. A name that cannot
// be written safely fails the statement, and so only the change that needed it.
class SqlGenerator {
  public:
    SqlGenerator(std::string quoteChar, std::string table)
        : quote_(std::move(quoteChar)), table_(std::move(table)) {}

    // A table or column name, each dot-separated part enclosed in the quote character with the
    // quote characters inside it doubled, unless the name is already a well-formed quoted name
    // (it begins or ends with a quote of its own). A name that holds a NUL or control character
    // is refused, and so is one that needs quotes when the connection has none.
    static std::string quoteName(std::string_view name, std::string_view quoteChar);
    // Whether every dot-separated part of the name is a plain name or a quoted one whose inner
    // quotes are doubled, so that the database reads it as one name.
    static bool isWellFormedName(std::string_view name);

    GeneratedStatement modification(const DeltaRecord& change) const;
    GeneratedStatement insertion(const DeltaRecord& change) const;
    GeneratedStatement deletion(const DeltaRecord& change) const;
    // Reads the current values of the change's in-where fields, located by its key fields.
    GeneratedStatement currentValues(const DeltaRecord& change) const;

    // Whether a field is written by inserts and updates (given its new value), and whether it
    // takes part in the condition that finds the row.
    static bool takesPartInUpdate(const packet::PacketField& field, const Variant& newValue);
    static bool takesPartInWhere(const packet::PacketField& field);

  private:
    std::string table() const { return quoteName(table_, quote_); }
    std::string column(const packet::PacketField& field) const;
    // "where" and one line per field; fails with "Unable to find record.  No key specified".
    void condition(const DeltaRecord& change, bool keysOnly, GeneratedStatement& out) const;

    std::string quote_;
    std::string table_;
};

// The table a statement reads: the name after its first FROM, with any dot-qualified parts and
// without the alias that follows it. Empty when there is none.
std::string tableNameFromSql(std::string_view sql);

}  // namespace zorvanil::server
