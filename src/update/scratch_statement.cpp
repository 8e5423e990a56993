#include "update/scratch_statement.hpp"

#include "db/sql_dataset.hpp"

namespace zorvanil::update {

std::optional<std::int32_t> firstInteger(db::SQLDataSet& scratch, std::string_view sql) {
    scratch.close();
    scratch.setCommandText(sql);
    scratch.open();
    std::optional<std::int32_t> value;
    try {
        if (!scratch.eof()) {
            const Variant& first = scratch.value(0);
            value = first.isNull() ? 0 : first.toInt32();
        }
    } catch (...) {
        scratch.close();
        throw;
    }
    scratch.close();
    return value;
}

void runStatement(db::SQLDataSet& scratch, std::string_view sql) {
    scratch.close();
    scratch.setCommandText(sql);
    scratch.execSQL();
    scratch.close();
}

}  // namespace zorvanil::update
