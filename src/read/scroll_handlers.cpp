#include "read/scroll_handlers.hpp"

#include <string>
#include <string_view>
#include <vector>

#include "common/text.hpp"
#include "db/sql_dataset.hpp"
#include "read/scroll_lookups.hpp"
#include "server/remote_data_module.hpp"

namespace zorvanil::read {

namespace {

using server::TAZORVANIL;

// The statement that looks up the name of `key`.
std::string lookupStatement(const ScrollLookup& lookup, std::string_view key) {
    std::string sql(lookup.before);
    if (lookup.pasting == Pasting::Quoted)
        sql += doubleApostrophes(key);
    else
        sql += key;
    sql += lookup.after;
    return sql;
}

// The first column of the statement's first row as text; empty when it returns no row. Q_AUX is
// closed before and after.
std::string lookUp(TAZORVANIL& module, const std::string& statement) {
    db::SQLDataSet& aux = module.Q_AUX();
    aux.close();
    aux.setCommandText(statement);
    aux.open();
    std::string text = aux.eof() ? std::string() : aux.value(0).toString();
    aux.close();
    return text;
}

void fill(TAZORVANIL& module, db::SQLDataSet& dataSet, const ScrollLookup& lookup) {
    if (lookup.field.empty()) return;
    if (lookup.serves == Serves::OwnDataSetOnly && dataSet.name() != lookup.dataSet) return;
    db::Field field = dataSet.fieldByName(lookup.field);
    const std::string key = dataSet.fieldByName(lookup.key).asString();
    if (key.empty()) {
        field.setValue(Variant(std::string()));
        return;
    }
    std::string text = lookUp(module, lookupStatement(lookup, key));
    if (lookup.stored == Stored::Trimmed) text = std::string(trim(text));
    field.setValue(Variant(std::move(text)));
}

}  // namespace

void registerScrollHandlers(server::HandlerTable& table) {
    const std::span<const ScrollLookup> all = scrollLookups();
    for (std::size_t first = 0; first < all.size();) {
        // The entries of one dataset stand together, in the order its handler runs them.
        std::size_t end = first + 1;
        while (end < all.size() && all[end].dataSet == all[first].dataSet)
            ++end;
        std::vector<const ScrollLookup*> lookups;
        for (std::size_t i = first; i < end; ++i)
            lookups.push_back(&all[i]);
        table.add(std::string(all[first].dataSet) + "AfterScroll",
                  server::AfterScrollHandler(
                      [lookups = std::move(lookups)](TAZORVANIL& module, db::SQLDataSet& dataSet) {
                          for (const ScrollLookup* lookup : lookups)
                              fill(module, dataSet, *lookup);
                      }));
        first = end;
    }
}

}  // namespace zorvanil::read
