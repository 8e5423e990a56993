#include "read/document_handlers.hpp"

#include <string>
#include <vector>

#include "common/error.hpp"
#include "common/messages.hpp"
#include "common/text.hpp"
#include "db/sql_dataset.hpp"
#include "read/document_statements.hpp"
#include "read/list_handlers.hpp"
#include "read/options_record.hpp"
#include "server/provider.hpp"

namespace zorvanil::read {

namespace {

using server::DataSetProvider;
using server::TAZORVANIL;

// A header tail with the base statement it is appended to.
struct BoundTail {
    const HeaderStatement* statement;
    std::string_view base;
};

// One document provider: its entry, its header tails in table order, its line statement and, for
// a short layout, its token list.
struct BoundDocument {
    const DocumentProvider* provider = nullptr;
    std::vector<BoundTail> tails;
    const LineStatement* lines = nullptr;
    const ShortLayout* layout = nullptr;
};

const DocumentProvider* findProvider(std::string_view name) {
    for (const DocumentProvider& p : documentProviders())
        if (p.name == name) return &p;
    return nullptr;
}

BoundDocument bind(const DocumentProvider& p) {
    BoundDocument b;
    b.provider = &p;
    for (const HeaderStatement& s : headerStatements()) {
        if (s.provider != p.name) continue;
        const DocumentProvider* from = s.startsFrom.empty() ? &p : findProvider(s.startsFrom);
        if (!from) raise(msg::kNoDocumentProvider, {s.startsFrom});
        b.tails.push_back(BoundTail{&s, from->base});
    }
    for (const LineStatement& l : lineStatements())
        for (std::string_view name : l.providers)
            if (name == p.name) b.lines = &l;
    if (!b.lines) raise(msg::kNoLineStatement, {p.name});
    if (p.layout == OptionsLayout::Short) {
        for (const ShortLayout& l : documentShortLayouts())
            if (l.provider == p.name) b.layout = &l;
        if (!b.layout) raise(msg::kNoOptionsLayout, {p.name});
    }
    return b;
}

// A blank search composes nothing, except in the provider's blank-search mode.
bool stops(const DocumentProvider& p, const ReadRequest& r) {
    if (!trim(r.value(p.search)).empty()) return false;
    return p.blankSearchMode.empty() || trim(r.record.SearchMode) != p.blankSearchMode;
}

std::string headerStatement(const BoundDocument& b, const ReadRequest& r) {
    const std::string_view modeValue = r.value(b.provider->mode);
    for (const BoundTail& t : b.tails) {
        if (!matches(t.statement->when, modeValue)) continue;
        std::string sql(t.base);
        appendPieces(sql, t.statement->tail, r);
        return sql;
    }
    return std::string(b.provider->base);
}

std::string lineStatement(const LineStatement& l, const ReadRequest& r) {
    std::string sql(l.base);
    sql += l.link;
    appendPieces(sql, l.tail, r);
    return sql;
}

// The line dataset that follows the header dataset.
db::SQLDataSet& linesOf(db::SQLDataSet& header) {
    if (header.details().empty()) throw Error(msg::kMissingDataSet);
    return *header.details().front();
}

// Parses the request, composes the header statement, opens the header dataset and moves to the
// first header of the requested page, then gives the line dataset its statement. The provider
// packs the page, running the line statement once for each header row.
void beforeRead(const BoundDocument& b, DataSetProvider& sender, const Variant& ownerData) {
    const ReadRequest r = b.layout ? parseShortOptions(*b.layout, ownerDataText(ownerData))
                                   : parseRecordOptions(ownerData);
    if (stops(*b.provider, r)) return;
    db::SQLDataSet& header = dataSetOf(sender);
    header.setCommandText(headerStatement(b, r));
    header.open();
    header.moveBy(pageSkip(r.pageNumber, r.pageSize));
    linesOf(header).setCommandText(lineStatement(*b.lines, r));
}

}  // namespace

void registerDocumentHandlers(server::HandlerTable& table) {
    for (const DocumentProvider& p : documentProviders()) {
        table.add(std::string(p.name) + "BeforeGetRecords",
                  server::RemoteEventHandler(
                      [b = bind(p)](TAZORVANIL&, DataSetProvider& sender, Variant& ownerData) {
                          beforeRead(b, sender, ownerData);
                      }));
        // Closes the header dataset; the packet writer has closed the lines already.
        table.add(std::string(p.name) + "AfterGetRecords",
                  server::RemoteEventHandler(closeProviderDataSet));
    }
}

}  // namespace zorvanil::read
