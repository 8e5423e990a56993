#include <gtest/gtest.h>

#include <set>
#include <string>

#include "catalogue/zorvanil_catalogue.hpp"
#include "read/list_statements.hpp"
#include "read/statement.hpp"
#include "server/remote_data_module.hpp"
#include "server/zorvanil_handlers.hpp"

namespace zorvanil::test {
namespace {

using read::Pasting;
using read::RequestValue;

// Every value the tables paste is marked quoted exactly when it stands between apostrophes, that is
// when the fixed text before it holds an odd number of them.
TEST(ReadListTable, QuotedMarksMatchTheApostrophesAroundEachValue) {
    for (const read::ListStatement& s : read::listStatements()) {
        std::size_t apostrophes = 0;
        for (const read::ListProvider& p : read::listProviders())
            if (p.name == s.provider)
                for (char c : p.base)
                    apostrophes += c == '\'';
        for (std::size_t i = 0; i < s.tail.size(); ++i) {
            const read::Piece& piece = s.tail[i];
            if (piece.value == RequestValue::None) {
                for (char c : piece.sql)
                    apostrophes += c == '\'';
                continue;
            }
            EXPECT_EQ(piece.pasting == Pasting::Quoted, apostrophes % 2 == 1)
                << s.provider << " mode " << s.when.mode << " piece " << i;
        }
        EXPECT_EQ(apostrophes % 2, 0u) << s.provider << " mode " << s.when.mode;
    }
}

TEST(ReadListTable, EveryProviderIsInTheCatalogueWithAllItsHandlers) {
    const catalogue::Catalogue& c = catalogue::zorvanilCatalogue();
    std::set<std::string_view> names;
    for (const read::ListProvider& p : read::listProviders()) {
        names.insert(p.name);
        bool found = false;
        for (const catalogue::ProviderSpec& spec : c.providers)
            found = found || spec.name == p.name;
        EXPECT_TRUE(found) << p.name;
        // A short layout exactly for the providers that read one.
        std::size_t layouts = 0;
        for (const read::ShortLayout& l : read::shortLayouts())
            layouts += l.provider == p.name;
        EXPECT_EQ(layouts, p.layout == read::OptionsLayout::Short ? 1u : 0u) << p.name;
    }
    EXPECT_EQ(names.size(), 30u);  // with DSPQ_MAXIMO, the 31 list and lookup providers
    for (const read::ListStatement& s : read::listStatements())
        EXPECT_TRUE(names.count(s.provider)) << s.provider;

    // Their read events are all bound; the update events belong to the update rules.
    names.insert("DSPQ_MAXIMO");
    const std::set<std::string_view> readEvents = {"BeforeGetRecords", "AfterGetRecords",
                                                   "OnGetData"};
    for (const server::MissingBinding& m : server::missingBindings(c, server::zorvanilHandlers()))
        EXPECT_FALSE(names.count(m.component) && readEvents.count(m.event))
            << m.component << " " << m.event;
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
