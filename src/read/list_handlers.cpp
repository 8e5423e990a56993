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

namespace {

using server::DataSetProvider;
using server::TAZORVANIL;

db::SQLDataSet& dataSetOf(DataSetProvider& sender) {
    db::SQLDataSet* ds = sender.dataSet();
    if (!ds) throw Error(msg::kMissingDataSet);
    return *ds;
}

// The tokens of a short layout: its defaults for an empty options string, otherwise every token
// cut from the string (a missing one is empty). Tokens 1 and 2 of a paged layout are integers.
ReadRequest parseShort(const ShortLayout& layout, const std::string& text) {
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

ReadRequest parseRecord(const Variant& ownerData) {
    ReadRequest r;
    ParseOwnerData(Variant(ownerDataText(ownerData)), r.record);
    r.pageNumber = r.record.PageNumber;
    r.pageSize = r.record.PageSize;
    return r;
}

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

// One list or lookup provider: its entry, its tails in table order and its short layout.
struct BoundProvider {
    const ListProvider* provider = nullptr;
    std::vector<const ListStatement*> tails;
    const ShortLayout* layout = nullptr;
};

// Parses the request, composes the statement from the base and the tail of the request's mode,
// opens the dataset and moves to the first row of the requested page.
void beforeRead(const BoundProvider& bound, DataSetProvider& sender, const Variant& ownerData) {
    const ListProvider& p = *bound.provider;
    const ReadRequest r =
        bound.layout ? parseShort(*bound.layout, ownerDataText(ownerData)) : parseRecord(ownerData);
    if (stops(p, r)) return;
    db::SQLDataSet& ds = dataSetOf(sender);
    std::string sql(p.base);
    const std::string_view modeValue = r.value(p.mode);
    for (const ListStatement* s : bound.tails) {
        if (!matches(s->when, modeValue)) continue;
        appendPieces(sql, s->tail, r);
        break;
    }
    ds.setCommandText(sql);
    ds.open();
    if (p.paging == Paging::Pages) ds.moveBy(pageSkip(r.pageNumber, r.pageSize));
}

BoundProvider bind(const ListProvider& p) {
    BoundProvider b;
    b.provider = &p;
    for (const ListStatement& s : listStatements())
        if (s.provider == p.name) b.tails.push_back(&s);
    if (p.layout == OptionsLayout::Short) {
        for (const ShortLayout& l : shortLayouts())
            if (l.provider == p.name) b.layout = &l;
        if (!b.layout) throw Error("No options layout for " + std::string(p.name));
    }
    return b;
}

}  // namespace

void closeProviderDataSet(TAZORVANIL&, DataSetProvider& sender, Variant&) {
    if (db::SQLDataSet* ds = sender.dataSet()) ds->close();
}

void registerListHandlers(server::HandlerTable& table) {
    for (const ListProvider& p : listProviders()) {
        table.add(std::string(p.name) + "BeforeGetRecords",
                  server::RemoteEventHandler(
                      [b = bind(p)](TAZORVANIL&, DataSetProvider& sender, Variant& ownerData) {
                          beforeRead(b, sender, ownerData);
                      }));
        table.add(std::string(p.name) + "AfterGetRecords",
                  server::RemoteEventHandler(closeProviderDataSet));
    }

    // The client's statement was set on the dataset before the event; the handler only opens it.
    table.add("DSPQ_MAXIMOBeforeGetRecords",
              server::RemoteEventHandler([](TAZORVANIL&, DataSetProvider& sender, Variant&) {
                  dataSetOf(sender).open();
              }));
    table.add("DSPQ_MAXIMOAfterGetRecords", server::RemoteEventHandler(closeProviderDataSet));

    // These look at the packet's row count and position and change nothing: the packet goes to
    // the client as the provider built it.
    for (const char* name : {"DSPQ_EANGetData", "DSPQ_FAMILIASAUXGetData"})
        table.add(name, server::GetDataHandler(
                            [](TAZORVANIL&, DataSetProvider&, packet::DataPacket&) {}));
}

}  // namespace zorvanil::read
