#include "update/scratch_statement.hpp"

#include "db/sql_dataset.hpp"

namespace zorvanil::update {

namespace {

// Opens the query on the scratch dataset, hands its first row (nullptr for none) to `read` and
// closes the dataset again, whatever `read` does.
template <class Read>
auto readFirstRow(db::SQLDataSet& scratch, std::string_view sql, Read&& read) {
    scratch.close();
    scratch.setCommandText(sql);
    scratch.open();
    try {
        auto result = read(scratch.eof() ? nullptr : &scratch.value(0));
        scratch.close();
        return result;
    } catch (...) {
        scratch.close();
        throw;
    }
}

}  // namespace

std::optional<std::int32_t> firstInteger(db::SQLDataSet& scratch, std::string_view sql) {
    return readFirstRow(scratch, sql, [](const Variant* first) -> std::optional<std::int32_t> {
        if (!first) return std::nullopt;
        return first->isNull() ? 0 : first->toInt32();
    });
}

std::optional<std::string> firstText(db::SQLDataSet& scratch, std::string_view sql) {
    return readFirstRow(scratch, sql, [](const Variant* first) -> std::optional<std::string> {
        if (!first) return std::nullopt;
        return first->toString();
    });
}

bool selectsAnyRow(db::SQLDataSet& scratch, std::string_view sql) {
    return readFirstRow(scratch, sql, [](const Variant* first) { return first != nullptr; });
}

void runStatement(db::SQLDataSet& scratch, std::string_view sql) {
    scratch.close();
    scratch.setCommandText(sql);
    scratch.execSQL(db::Execution::Direct);
}

}  // namespace zorvanil::update
