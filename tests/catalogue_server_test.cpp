#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <set>
#include <thread>

#include "app/zorvanil_handlers.hpp"
#include "catalogue/zorvanil_catalogue.hpp"
#include "common/text.hpp"
#include "db/sql_dataset.hpp"
#include "read/option_tokens.hpp"
#include "schema/demo_database.hpp"
#include "server/provider.hpp"
#include "server/remote_data_module.hpp"
#include "support/delta_builder.hpp"
#include "support/read_result.hpp"
#include "support/test_server.hpp"

namespace zorvanil::test {
namespace {

// Server objects of the real catalogue on one demo database, made once for the suite.
class CatalogueServer : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        database = new TestDatabase();
        std::filesystem::remove(database->file());
        schema::createDemoDatabase({database->file().string(), 1, 20261208, {}});
    }
    static void TearDownTestSuite() {
        delete database;
        database = nullptr;
    }
    std::unique_ptr<server::TAZORVANIL> makeModule() {
        return std::make_unique<server::TAZORVANIL>(
            catalogue::zorvanilCatalogue(), app::zorvanilHandlers(), database->environment());
    }
    ReadResult read(server::TAZORVANIL& m, std::string_view provider, std::int32_t count,
                    Variant owner = {}, std::string_view commandText = {}) {
        return getRecords(m, provider, count, server::grMetaData, std::move(owner), commandText);
    }
    static TestDatabase* database;
};
TestDatabase* CatalogueServer::database = nullptr;

TEST_F(CatalogueServer, ProviderNamesAreTheCatalogueSortedWithoutRegardToCase) {
    auto m = makeModule();
    Variant names;
    ASSERT_TRUE(m->AS_GetProviderNames(names).ok());
    const auto& array = names.asArray();
    ASSERT_EQ(array.size(), 56u);
    for (std::size_t i = 1; i < array.size(); ++i)
        EXPECT_LT(compareText(array[i - 1].asString(), array[i].asString()), 0)
            << array[i].asString();
    EXPECT_NE(std::find(array.begin(), array.end(), Variant("dspq_proveedor_acreedoraux")),
              array.end());
    EXPECT_EQ(m->providers().size(), 56u);
    EXPECT_EQ(m->providers().front()->name(), "DSPQ_ACTUALIZAR");
}

TEST_F(CatalogueServer, BindingsWithoutAHandlerAreListedInOnePlace) {
    auto m = makeModule();
    // Every binding whose handler is not built yet; none of them may be a read or command handler
    // that exists under another spelling.
    std::set<std::string> built;
    for (auto& name : app::zorvanilHandlers().names())
        built.insert(upperCase(name));
    std::cout << "Bindings without a handler (" << m->missingBindings().size() << "):\n";
    for (const auto& b : m->missingBindings()) {
        std::cout << "  " << b.component << "." << b.event << " -> " << b.handler << "\n";
        EXPECT_EQ(built.count(upperCase(b.handler)), 0u)
            << b.handler << " exists but was not bound";
    }
    // The connection's handlers, the creation handler and the command channel are bound.
    for (const auto& b : m->missingBindings()) {
        EXPECT_NE(b.component, "SQLConnection1");
        EXPECT_NE(b.component, "AZORVANIL");
        EXPECT_NE(b.component, "DSPQ_ACTUALIZAR");
    }
}

TEST_F(CatalogueServer, ProvidersWithAFixedStatementReturnRows) {
    auto m = makeModule();
    int checked = 0;
    for (const auto& spec : catalogue::zorvanilCatalogue().providers) {
        db::SQLDataSet& ds = m->dataSet(spec.dataset);
        // Document providers deliver lines whose statements their read handlers compose.
        if (ds.commandText().empty() || !ds.details().empty()) continue;
        auto r = read(*m, spec.name, 3);
        ASSERT_TRUE(r.status.ok()) << spec.name << ": " << r.status.message;
        // Without options the counters provider searches for "ASD" in company 1, year 1990: none.
        if (spec.name != "DSPQ_OPCIONESNUMERICAS") {
            EXPECT_GT(r.recsOut, 0) << spec.name;
        }
        ++checked;
    }
    EXPECT_EQ(checked, 7) << "providers read";
}

TEST_F(CatalogueServer, ProvidersWithoutAStatementFail) {
    auto m = makeModule();
    EXPECT_EQ(read(*m, "DSPQ_PROCEDURE", -1).status.message,
              "Missing query, table name or procedure name");
    EXPECT_EQ(read(*m, "DSPQ_MAXIMO", -1).status.message,
              "Missing query, table name or procedure name");
    auto maximo = read(*m, "DSPQ_MAXIMO", -1, {}, "SELECT MAX(ID_CLIENTE) FROM CLIENTES");
    ASSERT_TRUE(maximo.status.ok()) << maximo.status.message;
    EXPECT_EQ(maximo.recsOut, 1);
}

TEST_F(CatalogueServer, PersistentFieldListsShapeThePacket) {
    auto m = makeModule();
    auto articles = read(*m, "DSPQ_ARTICULOS", 2);
    ASSERT_TRUE(articles.status.ok()) << articles.status.message;
    const auto& fields = articles.packet().fields;
    ASSERT_EQ(fields.size(), 45u);
    EXPECT_EQ(fields[0].name(), "colordescripcion");
    EXPECT_EQ(fields[1].name(), "nombreproveedor");
    EXPECT_EQ(fields[2].name(), "familiadescripcion");
    EXPECT_EQ(fields[2].def.displayWidth, 150);
    EXPECT_TRUE(fields[0].def.calculated && fields[1].def.calculated && fields[2].def.calculated);
    EXPECT_EQ(fields[3].name(), "COD_ARTICULO");
    EXPECT_EQ(fields[44].name(), "CONTADOR");

    // A statement without a declared field fails when the dataset opens; a blank search text makes
    // the provider open the dataset with the statement it holds.
    m->dataSet("Q_TARIFAS")
        .setCommandText(
            "SELECT "
            "ID_PROVEEDOR,ART_PROVEEDOR,ID_ARTICULO,GRUPO,GDESCRIPCION,NOMBRE,OBSERVACIONES,PRECIO,"
            "FECHA,"
            "DIAS_SUMINISTRO,DESCUENTO,NETO,IVA,EAN_FABRICANTE,MARCA,BRAZOS,ID_COLOR FROM "
            "TARIFAS_PROVEEDORES");
    std::string blankSearch;
    for (const char* token : {"0", "10", "1", "2026", "", "-1", "  "})
        blankSearch += std::string(token) + "-***#";
    EXPECT_EQ(read(*m, "DSPQ_TARIFAS", 5, Variant(blankSearch)).status.message,
              "Field 'PVPCAT' not found");
}

TEST_F(CatalogueServer, TwoObjectsApplyToOneTableAtOnce) {
    auto first = makeModule();
    auto second = makeModule();
    auto insertColours = [](server::TAZORVANIL& m, int from, std::int32_t& errors) {
        for (int i = 0; i < 20; ++i) {
            DeltaBuilder colour{{"ID_COLOR", db::FieldType::String},
                                {"DESCRIPCION", db::FieldType::String}};
            auto delta = colour.attribute("TABLE_NAME", Variant("COLORES"))
                             .inserted({Variant("T" + std::to_string(from + i)), Variant("TEST")})
                             .build();
            Variant owner, result;
            std::int32_t count = 0;
            auto st = m.AS_ApplyUpdates("DSPQ_COLORES", delta, 0, count, owner, result);
            errors += st.ok() ? count : 1;
        }
    };
    std::int32_t errorsA = 0, errorsB = 0;
    std::thread a([&] { insertColours(*first, 0, errorsA); });
    std::thread b([&] { insertColours(*second, 100, errorsB); });
    a.join();
    b.join();
    EXPECT_EQ(errorsA, 0);
    EXPECT_EQ(errorsB, 0);
    EXPECT_EQ(database->scalar("SELECT COUNT(*) FROM COLORES WHERE DESCRIPCION = 'TEST'"), "40");
    database->exec("DELETE FROM COLORES WHERE DESCRIPCION = 'TEST'");
}

}  // namespace
}  // namespace zorvanil::test
