#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "app/zorvanil_handlers.hpp"
#include "catalogue/zorvanil_catalogue.hpp"
#include "read/list_statements.hpp"
#include "read/report_statements.hpp"
#include "read/statement.hpp"
#include "server/remote_data_module.hpp"

namespace zorvanil::test {
namespace {

using read::Pasting;
using read::RequestValue;

std::size_t apostrophesIn(std::string_view sql) {
    return static_cast<std::size_t>(std::count(sql.begin(), sql.end(), '\''));
}

// Every value the pieces paste is marked quoted exactly when it stands between apostrophes, that
// is when the fixed text before it, `before` included, holds an odd number of them.
void expectQuotedWhereApostrophesAre(std::string_view before, const read::Pieces& pieces,
                                     const std::string& where) {
    std::size_t apostrophes = apostrophesIn(before);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const read::Piece& piece = pieces[i];
        if (piece.value == RequestValue::None) {
            apostrophes += apostrophesIn(piece.sql);
            continue;
        }
        EXPECT_EQ(piece.pasting == Pasting::Quoted, apostrophes % 2 == 1)
            << where << " piece " << i;
    }
    EXPECT_EQ(apostrophes % 2, 0u) << where;
}

void expectQuotedMarksMatch(const read::ReadTables& tables) {
    for (const read::ListStatement& s : tables.statements) {
        std::string_view before;
        if (s.follows == read::Follows::Base)
            for (const read::ListProvider& p : tables.providers)
                if (p.name == s.provider) before = p.base;
        expectQuotedWhereApostrophesAre(
            before, s.tail, std::string(s.provider) + " mode " + std::string(s.when.mode));
    }
}

TEST(ReadListTable, QuotedMarksMatchTheApostrophesAroundEachValue) {
    expectQuotedMarksMatch(read::listTables());
    expectQuotedMarksMatch(read::reportTables());
    const read::InvoiceRegister& invoices = read::invoiceRegister();
    const std::string before = std::string(invoices.base) + std::string(invoices.where);
    for (const read::ConditionFilter& f : invoices.filters)
        expectQuotedWhereApostrophesAre(before, f.pieces, "DSPQ_FACTURAS filter");
}

// The names of a family's providers, each checked to be in the catalogue with a short layout
// exactly when it reads one, and to have every tail's provider among them.
std::set<std::string_view> providersInTheCatalogue(const read::ReadTables& tables) {
    const catalogue::Catalogue& c = catalogue::zorvanilCatalogue();
    std::set<std::string_view> names;
    auto inCatalogue = [&](std::string_view name) {
        names.insert(name);
        bool found = false;
        for (const catalogue::ProviderSpec& spec : c.providers)
            found = found || spec.name == name;
        EXPECT_TRUE(found) << name;
    };
    for (const read::ListProvider& p : tables.providers) {
        inCatalogue(p.name);
        std::size_t layouts = 0;
        for (const read::ShortLayout& l : tables.layouts)
            layouts += l.provider == p.name;
        EXPECT_EQ(layouts, p.layout == read::OptionsLayout::Short ? 1u : 0u) << p.name;
    }
    for (const read::SharedRead& s : tables.shared)
        inCatalogue(s.provider);
    for (const read::ListStatement& s : tables.statements)
        EXPECT_TRUE(names.count(s.provider)) << s.provider;
    return names;
}

// None of the providers has a read event without its handler.
void expectReadEventsBound(const std::set<std::string_view>& names) {
    const std::set<std::string_view> readEvents = {"BeforeGetRecords", "AfterGetRecords",
                                                   "OnGetData"};
    for (const server::MissingBinding& m :
         server::missingBindings(catalogue::zorvanilCatalogue(), app::zorvanilHandlers()))
        EXPECT_FALSE(names.count(m.component) && readEvents.count(m.event))
            << m.component << " " << m.event;
}

TEST(ReadListTable, EveryProviderIsInTheCatalogueWithAllItsHandlers) {
    std::set<std::string_view> names = providersInTheCatalogue(read::listTables());
    EXPECT_EQ(names.size(), 30u);  // with DSPQ_MAXIMO, the 31 list and lookup providers
    // Their read events are all bound; the update events belong to the update rules.
    names.insert("DSPQ_MAXIMO");
    expectReadEventsBound(names);
}

TEST(ReadListTable, EveryReportProviderIsInTheCatalogueWithItsReadHandlers) {
    std::set<std::string_view> names = providersInTheCatalogue(read::reportTables());
    // With the invoice register, the ten report, listing and pending-order providers.
    names.insert(read::invoiceRegister().layout.provider);
    EXPECT_EQ(names.size(), 10u);
    expectReadEventsBound(names);

    // The after-read binding of DSPQ_FALBARANESAUX is spelled as the module spells its handler.
    const catalogue::Catalogue& c = catalogue::zorvanilCatalogue();
    for (const catalogue::ProviderSpec& spec : c.providers)
        if (spec.name == "DSPQ_FALBARANESAUX") {
            EXPECT_EQ(spec.events.back().handler, "DSPQ_FALBARANESAUXAFTERGetRecords");
        }
}

TEST(ReadListTable, ApostrophesAreDoubled) {
    EXPECT_EQ(read::doubleApostrophes("L'HORTA"), "L''HORTA");
    EXPECT_EQ(read::doubleApostrophes("''"), "''''");
    EXPECT_EQ(read::doubleApostrophes("50% _x"), "50% _x");
    EXPECT_EQ(read::doubleApostrophes(""), "");
}

TEST(ReadListTable, PageSkipWrapsLikeA32BitMultiplication) {
    EXPECT_EQ(read::pageSkip(3, 20), 60);
    EXPECT_EQ(read::pageSkip(65536, 65536), 0);
    EXPECT_EQ(read::pageSkip(65537, 65536), 65536);
    EXPECT_EQ(read::pageSkip(2147483647, 2), -2);
    EXPECT_EQ(read::pageSkip(-1, 50), -50);
}

}  // namespace
}  // namespace zorvanil::test
