#include "read/list_handlers.hpp"

#include <string>
#include <vector>

#include "common/error.hpp"
#include "common/messages.hpp"
#include "common/text.hpp"
#include "db/sql_dataset.hpp"
#include "read/list_statements.hpp"
#include "read/option_tokens.hpp"
#include "read/options_record.hpp"
#include "server/provider.hpp"

namespace zorvanil::read {

using server::DataSetProvider;
using server::TAZORVANIL;

db::SQLDataSet& dataSetOf(DataSetProvider& sender) {
    db::SQLDataSet* ds = sender.dataSet();
    if (!ds) throw Error(msg::kMissingDataSet);
    return *ds;
}

ReadRequest parseShortOptions(const ShortLayout& layout, const std::string& text) {
    ReadRequest r;
    if (text.empty()) {
        for (std::size_t i = 0; i < layout.count; ++i)
            r.tokens[i] = std::string(layout.defaults[i]);
    } else {
        OptionTokens cut(text);
        for (std::size_t i = 0; i < layout.count; ++i)
            r.tokens[i] = cut.next();
    }
    if (layout.pageTokens) {
        r.pageNumber = Variant(r.tokens[0]).toInt32();
        r.pageSize = Variant(r.tokens[1]).toInt32();
    }
    return r;
}

ReadRequest parseRecordOptions(const Variant& ownerData) {
    ReadRequest r;
    ParseOwnerData(Variant(ownerDataText(ownerData)), r.record);
    r.pageNumber = r.record.PageNumber;
    r.pageSize = r.record.PageSize;
    return r;
}

namespace {

bool stops(const ListProvider& p, const ReadRequest& r) {
    switch (p.stop) {
        case Stop::Never:
            return false;
        case Stop::OnEmptySearch:
            return trim(r.value(p.search)).empty();
        case Stop::OnEmptySearchUnlessAll:
            return trim(r.value(p.search)).empty() && trim(r.record.SearchMode) != "4";
    }
    return false;
}

// One provider of a family: its entry, its tails in table order and its short layout.
struct BoundProvider {
    const ListProvider* provider = nullptr;
    std::vector<const ListStatement*> tails;
    const ShortLayout* layout = nullptr;
};

// The statement of a request: the first tail whose When matches the mode value, appended to what
// that tail follows; the base statement alone when none matches.
std::string compose(const BoundProvider& bound, const ReadRequest& r, const db::SQLDataSet& ds) {
    const ListProvider& p = *bound.provider;
    const std::string_view modeValue = r.value(p.mode);
    for (const ListStatement* s : bound.tails) {
        if (!matches(s->when, modeValue)) continue;
        std::string sql;
        switch (s->follows) {
            case Follows::Base:
                sql = p.base;
                break;
            case Follows::Nothing:
                break;
            case Follows::HeldText:
                sql = ds.commandText();
                break;
        }
        appendPieces(sql, s->tail, r);
        return sql;
    }
    return std::string(p.base);
}

// Parses the request, composes the statement, opens the dataset and moves to the first row of the
// requested page.
void beforeRead(const BoundProvider& bound, DataSetProvider& sender, const Variant& ownerData) {
    const ListProvider& p = *bound.provider;
    const ReadRequest r = bound.layout ? parseShortOptions(*bound.layout, ownerDataText(ownerData))
                                       : parseRecordOptions(ownerData);
    if (stops(p, r)) return;
    db::SQLDataSet& ds = dataSetOf(sender);
    ds.setCommandText(compose(bound, r, ds));
    ds.open();
    if (p.paging == Paging::Pages) ds.moveBy(pageSkip(r.pageNumber, r.pageSize));
}

BoundProvider bind(const ListProvider& p, const ReadTables& tables) {
    BoundProvider b;
    b.provider = &p;
    for (const ListStatement& s : tables.statements)
        if (s.provider == p.name) b.tails.push_back(&s);
    if (p.layout == OptionsLayout::Short) {
        for (const ShortLayout& l : tables.layouts)
            if (l.provider == p.name) b.layout = &l;
        if (!b.layout) raise(msg::kNoOptionsLayout, {p.name});
    }
    return b;
}

void addReadHandlers(server::HandlerTable& table, std::string_view name, BoundProvider bound) {
    table.add(std::string(name) + "BeforeGetRecords",
              server::RemoteEventHandler(
                  [b = std::move(bound)](TAZORVANIL&, DataSetProvider& sender, Variant& ownerData) {
                      beforeRead(b, sender, ownerData);
                  }));
    table.add(std::string(name) + "AfterGetRecords",
              server::RemoteEventHandler(closeProviderDataSet));
}

const ListProvider& providerNamed(const ReadTables& tables, std::string_view name) {
    for (const ListProvider& p : tables.providers)
        if (p.name == name) return p;
    raise(msg::kNoReadProvider, {name});
}

}  // namespace

void closeProviderDataSet(TAZORVANIL&, DataSetProvider& sender, Variant&) {
    if (db::SQLDataSet* ds = sender.dataSet()) ds->close();
}

void registerComposedReads(server::HandlerTable& table, const ReadTables& tables) {
    for (const ListProvider& p : tables.providers)
        addReadHandlers(table, p.name, bind(p, tables));
    for (const SharedRead& s : tables.shared)
        addReadHandlers(table, s.provider, bind(providerNamed(tables, s.readsAs), tables));
}

void registerListHandlers(server::HandlerTable& table) {
    registerComposedReads(table, listTables());

    // The client's statement was set on the dataset before the event; the handler only opens it.
    table.add("DSPQ_MAXIMOBeforeGetRecords",
              server::RemoteEventHandler([](TAZORVANIL&, DataSetProvider& sender, Variant&) {
                  dataSetOf(sender).open();
              }));
    table.add("DSPQ_MAXIMOAfterGetRecords", server::RemoteEventHandler(closeProviderDataSet));

    // These look at the packet's row count and position and change nothing: the packet goes to
    // the client as the provider built it.
    for (const char* name :
         {"DSPQ_EANGetData", "DSPQ_FAMILIASAUXGetData", "DSPQ_MDPRESUPUESTOGetData"})
        table.add(name, server::GetDataHandler(
                            [](TAZORVANIL&, DataSetProvider&, packet::DataPacket&) {}));
}

}  // namespace zorvanil::read
