#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/connection_defaults.hpp"
#include "catalogue/zorvanil_catalogue.hpp"
#include "common/text.hpp"
#include "support/sql_lines.hpp"

namespace zorvanil::catalogue {
namespace {

using db::FieldSpec;
using db::FieldType;
using test::sqlLines;

const Catalogue& cat() {
    return zorvanilCatalogue();
}

// The entry of a catalogue table with the name, without regard to letter case; null for none.
template <class Spec>
const Spec* findNamed(std::span<const Spec> table, std::string_view name) {
    for (const Spec& spec : table)
        if (sameText(spec.name, name)) return &spec;
    return nullptr;
}

const DatasetSpec* findDataset(std::string_view name) {
    return findNamed(cat().datasets, name);
}

const ProviderSpec* findProvider(std::string_view name) {
    return findNamed(cat().providers, name);
}

const MasterLinkSpec* findLink(std::string_view name) {
    return findNamed(cat().masterLinks, name);
}

const DatasetSpec& dataset(std::string_view name) {
    const DatasetSpec* found = findDataset(name);
    if (found == nullptr) throw std::runtime_error("no dataset " + std::string(name));
    return *found;
}

std::vector<std::string> providersWith(std::uint32_t option) {
    std::vector<std::string> names;
    for (const ProviderSpec& provider : cat().providers) {
        if (provider.options & option) names.emplace_back(provider.name);
    }
    return names;
}

// The column names of a SELECT list, upper case and without table qualifiers.
std::set<std::string> selectedColumns(std::string_view sql) {
    std::string upper = upperCase(sql);
    std::size_t from = upper.find(" FROM ");
    std::string list = upper.substr(std::string_view("SELECT ").size(), from - 7);
    std::set<std::string> columns;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        std::string_view column = trim(std::string_view(list).substr(start, comma - start));
        if (auto dot = column.find('.'); dot != std::string_view::npos)
            column.remove_prefix(dot + 1);
        columns.emplace(column);
        start = comma + 1;
    }
    return columns;
}

TEST(CatalogueTable, ModuleConnectionAndCounts) {
    EXPECT_EQ(cat().moduleName, "AZORVANIL");
    EXPECT_EQ(cat().onCreate, "RemoteDataModuleCreate");
    EXPECT_EQ(cat().datasets.size(), 71u);
    EXPECT_EQ(cat().masterLinks.size(), 13u);
    EXPECT_EQ(cat().providers.size(), 56u);

    const ConnectionSpec& connection = cat().connection;
    EXPECT_EQ(connection.name, "SQLConnection1");
    EXPECT_EQ(connection.connectionName, "DB2Connection");
    EXPECT_EQ(connection.libraryName, "dbexpdb2.dll");
    EXPECT_EQ(connection.getDriverFunc, "getSQLDriverDB2");
    EXPECT_EQ(connection.vendorLib, "db2cli.dll");
    EXPECT_FALSE(connection.loginPrompt);
    EXPECT_TRUE(connection.connected);
    EXPECT_EQ(connection.beforeConnect, "SQLConnection1BeforeConnect");

    std::vector<std::string> params;
    for (const ConnectionParam& param : connection.params) {
        params.push_back(std::string(param.name) + "=" + std::string(param.value));
    }
    const std::vector<std::string> expected = {
        "DriverName=DB2",  "Database=ZRV",
        "User_Name=z",     "Password=z",
        "BlobSize=-1",     "ErrorResourceFile=",
        "LocaleCode=0000", "DB2 TransIsolation=ReadCommited"};
    EXPECT_EQ(params, expected);
    EXPECT_EQ(connection.params[2].value, kDefaultUserName);
    EXPECT_EQ(connection.params[3].value, kDefaultPassword);
}

TEST(CatalogueTable, NamesAreUniqueWithoutRegardToCase) {
    std::set<std::string, CaseInsensitiveLess> datasets, providers, links;
    for (const DatasetSpec& d : cat().datasets)
        EXPECT_TRUE(datasets.insert(std::string(d.name)).second) << d.name;
    for (const ProviderSpec& p : cat().providers)
        EXPECT_TRUE(providers.insert(std::string(p.name)).second) << p.name;
    for (const MasterLinkSpec& l : cat().masterLinks)
        EXPECT_TRUE(links.insert(std::string(l.name)).second) << l.name;

    // The irregular names are part of the client interface.
    ASSERT_NE(findProvider("dspq_proveedor_acreedoraux"), nullptr);
    EXPECT_EQ(findProvider("DSPQ_PROVEEDOR_ACREEDORAUX")->name, "dspq_proveedor_acreedoraux");
    EXPECT_EQ(findProvider("dspq_proveedor_acreedoraux")->dataset, "q_proveedor_acreedoraux");
    EXPECT_EQ(findProvider("DSPQ_ARQUEODECAJA")->dataset, "Q_ARQUEDECAJA");
}

TEST(CatalogueTable, ProvidersPublishExistingDatasets) {
    std::map<std::string, int, CaseInsensitiveLess> published;
    for (const ProviderSpec& provider : cat().providers) {
        ASSERT_NE(findDataset(provider.dataset), nullptr) << provider.name;
        EXPECT_EQ(findDataset(provider.dataset)->name, provider.dataset)
            << "letter case of " << provider.name;
        ++published[std::string(provider.dataset)];
    }
    EXPECT_EQ(findProvider("DSPQ_PEDIDOSPENDIENTESAUX")->dataset, "Q_PEDIDOSPENDIENTES");
    EXPECT_EQ(published["Q_PEDIDOSPENDIENTES"], 2);

    // Datasets without a provider: the two scratch datasets, the unused pending-order dataset and
    // the 13 detail datasets, which travel inside their master's packet.
    std::vector<std::string> unpublished;
    for (const DatasetSpec& dataset : cat().datasets) {
        if (published.count(std::string(dataset.name)) == 0 && dataset.masterSource.empty()) {
            unpublished.emplace_back(dataset.name);
        }
        if (!dataset.masterSource.empty()) {
            EXPECT_EQ(published.count(std::string(dataset.name)), 0u);
        }
    }
    EXPECT_EQ(unpublished, (std::vector<std::string>{"Q_AUX", "Q_PEDIDOSPENDIENTESAUX", "Q_AUX1"}));
}

TEST(CatalogueTable, MasterLinksJoinEachDetailToAPublishedMaster) {
    std::map<std::string, int> uses;
    for (const DatasetSpec& detail : cat().datasets) {
        if (detail.masterSource.empty()) continue;
        const MasterLinkSpec* link = findLink(detail.masterSource);
        ASSERT_NE(link, nullptr) << detail.name;
        const DatasetSpec* master = findDataset(link->masterDataset);
        ASSERT_NE(master, nullptr) << link->name;
        EXPECT_TRUE(master->masterSource.empty()) << master->name << " is itself a detail";
        ++uses[std::string(link->name)];
    }
    for (const MasterLinkSpec& link : cat().masterLinks)
        EXPECT_EQ(uses[std::string(link.name)], 1) << link.name;
    EXPECT_EQ(dataset("Q_MDLINEATICKETAUX").masterSource, "DSTICKETAUX");
    EXPECT_EQ(findLink("DSMD_PROVEEDOR")->masterDataset, "QMD_PROVEEDOR");
}

TEST(CatalogueTable, DatasetSettings) {
    std::vector<std::string> withoutMetadata, withText;
    for (const DatasetSpec& d : cat().datasets) {
        if (!d.getMetadata) withoutMetadata.emplace_back(d.name);
        if (!d.commandText.empty()) withText.emplace_back(d.name);
        // Stored texts never begin with a blank; handlers append to the stored form.
        if (!d.commandText.empty()) {
            EXPECT_NE(d.commandText.front(), ' ') << d.name;
        }
        // After-scroll handlers are named after their dataset.
        if (!d.afterScroll.empty()) {
            EXPECT_EQ(d.afterScroll, std::string(d.name) + "AfterScroll");
        }
    }
    EXPECT_EQ(withoutMetadata, (std::vector<std::string>{"Q_MAXIMO", "Q_ALMACEN"}));
    EXPECT_EQ(withText.size(), 18u);

    EXPECT_EQ(dataset("QMD_PRESUPUESTO").commandText, "SELECT *  FROM PRESUPUESTOS ");
    EXPECT_EQ(dataset("Q_MDFACTURA").commandText, "SELECT  * FROM FACTURAS");
    EXPECT_EQ(dataset("Q_ARTICULOS").commandText, "select * from articulos");
    EXPECT_EQ(
        dataset("Q_MDPRESUPUESTOAUX").commandText,
        sqlLines({"SELECT RE,IVA,ID_PRESUPUESTO,ID_EMPRESA,PR.ID_CLIENTE, BASE_PRESUPUESTO, FECHA, "
                  "BASE_PRESUPUESTOSINIVA,DESCUENTO,pr.OBSERVACIONES,VALIDEZ,ANYO,CL.NOMBRE,"
                  "BASE_PRESUPUESTOSINIVA FROM PRESUPUESTOS PR,CLIENTES CL",
                  " WHERE PR.ID_CLIENTE=CL.ID_CLIENTE"}));
    std::string_view ticket = dataset("Q_MDTICKETAUX").commandText;
    EXPECT_TRUE(ticket.ends_with(
        sqlLines({"FROM TICKET TI, CLIENTES CL", " WHERE CL.ID_CLIENTE = TI.ID_CLIENTE "})));
    std::string_view invoice = dataset("Q_MDFACTURAAUX").commandText;
    EXPECT_TRUE(invoice.ends_with(
        sqlLines({"FROM FACTURAS FA,CLIENTES CL", "  WHERE FA.ID_CLIENTE = CL.ID_CLIENTE"})));
}

TEST(CatalogueTable, ProviderOptions) {
    EXPECT_EQ(providersWith(poAllowCommandText),
              (std::vector<std::string>{"DSPQ_ACTUALIZAR", "DSPQ_MAXIMO", "DSPQ_PROCEDURE",
                                        "DSPQ_MDTICKET"}));
    EXPECT_EQ(providersWith(poAutoRefresh),
              (std::vector<std::string>{"DSPQ_MDPRESUPUESTO", "DSPQ_ALMACEN"}));
    EXPECT_EQ(providersWith(poPropogateChanges),
              (std::vector<std::string>{"DSPQ_MDPRESUPUESTO", "DSPQ_ALMACEN"}));
    // Cascades: every master/detail provider but DSPQ_MDTICKETAUX, always both together.
    std::vector<std::string> cascading = providersWith(poCascadeDeletes);
    EXPECT_EQ(cascading, providersWith(poCascadeUpdates));
    EXPECT_EQ(cascading.size(), 12u);
    for (const ProviderSpec& provider : cat().providers) {
        bool isMasterDetail = false;
        for (const MasterLinkSpec& link : cat().masterLinks)
            isMasterDetail |= link.masterDataset == provider.dataset;
        bool cascades = (provider.options & poCascadeDeletes) != 0;
        EXPECT_EQ(cascades, isMasterDetail && provider.name != "DSPQ_MDTICKETAUX") << provider.name;
    }
}

TEST(CatalogueTable, EventBindings) {
    std::vector<std::string> sharingErrorHandler;
    for (const ProviderSpec& provider : cat().providers) {
        std::set<ProviderEvent> seen;
        for (const EventBinding& binding : provider.events) {
            EXPECT_TRUE(seen.insert(binding.event).second)
                << provider.name << " binds an event twice";
            // Every handler is named after a provider, which guards the table against typos.
            bool named = std::any_of(
                cat().providers.begin(), cat().providers.end(), [&](const ProviderSpec& p) {
                    return sameText(
                        binding.handler.substr(0, std::min(binding.handler.size(), p.name.size())),
                        p.name);
                });
            EXPECT_TRUE(named) << binding.handler;
            if (binding.handler == "DSPQ_PROVEEDOR_ACREEDORUpdateError")
                sharingErrorHandler.emplace_back(provider.name);
        }
    }
    EXPECT_EQ(sharingErrorHandler,
              (std::vector<std::string>{"DSPQ_PROVEEDOR_ACREEDOR", "dspq_proveedor_acreedoraux",
                                        "DSPQ_TIPOSIVA", "DSPQ_ALMACENDETALLE2"}));
    EXPECT_TRUE(findProvider("DSPQ_PROCEDURE")->events.empty());

    // Bindings keep their order, up to the six of the quote provider.
    const ProviderSpec& quotes = *findProvider("DSPQ_MDPRESUPUESTO");
    ASSERT_EQ(quotes.events.size(), 6u);
    EXPECT_EQ(quotes.events.front().event, ProviderEvent::OnGetData);
    EXPECT_EQ(quotes.events.back().handler, "DSPQ_MDPRESUPUESTOAfterGetRecords");
    const ProviderSpec& command = *findProvider("DSPQ_ACTUALIZAR");
    ASSERT_EQ(command.events.size(), 3u);
    EXPECT_EQ(command.events[1].event, ProviderEvent::BeforeExecute);
}

TEST(CatalogueFieldLists, CountsAndWellFormedFields) {
    const std::map<std::string, std::size_t> counts = {
        {"Q_FACTURAS", 8},      {"Q_ARTICULOS", 45},    {"QMD_PRESUPUESTO", 13},
        {"Q_ARTICULOSAUX", 43}, {"Q_MDALBARAN", 27},    {"Q_MDPRESUPUESTOAUX", 14},
        {"Q_MDFACTURA", 33},    {"Q_MDALBARANAUX", 28}, {"Q_MDCOBRO", 13},
        {"Q_MDFACTURAAUX", 32}, {"Q_MDCOBROAUX", 13},   {"Q_TARIFAS", 19},
        {"Q_TARIFASAUX", 19},   {"Q_MDTICKET", 23},     {"Q_OPCIONESNUMERICAS", 8},
        {"Q_TICKETAUX", 22},    {"Q_MDTICKETAUX", 23}};
    std::size_t withFields = 0;
    for (const DatasetSpec& d : cat().datasets) {
        if (d.fields.empty()) continue;
        ++withFields;
        ASSERT_EQ(counts.count(std::string(d.name)), 1u) << d.name;
        EXPECT_EQ(d.fields.size(), counts.at(std::string(d.name))) << d.name;
        std::set<std::string, CaseInsensitiveLess> names;
        for (const FieldSpec& f : d.fields) {
            EXPECT_TRUE(names.insert(std::string(f.name)).second) << d.name << "." << f.name;
            int expectedSize = f.type == FieldType::Blob ? 1 : 0;
            if (f.type == FieldType::String) {
                EXPECT_GT(f.size, 0) << d.name << "." << f.name;
            } else
                EXPECT_EQ(f.size, expectedSize) << d.name << "." << f.name;
            if (f.fixed()) {
                EXPECT_EQ(f.type, FieldType::String);
            }
            if (f.displayWidth != 0) {
                EXPECT_EQ(f.name, "familiadescripcion");
            }
        }
    }
    EXPECT_EQ(withFields, counts.size());
}

TEST(CatalogueFieldLists, DesignTimeColumnListsCoverTheDataFields) {
    // A statement lacking a declared data field fails on opening; the design-time column lists must
    // therefore name every field that is not calculated.
    for (const DatasetSpec& d : cat().datasets) {
        if (d.fields.empty() || d.commandText.find('*') != std::string_view::npos) continue;
        std::set<std::string> columns = selectedColumns(d.commandText);
        for (const FieldSpec& f : d.fields) {
            if (!f.calculated()) {
                EXPECT_EQ(columns.count(upperCase(f.name)), 1u) << d.name << "." << f.name;
            }
        }
    }
}

TEST(CatalogueFieldLists, SpotChecks) {
    auto fields = [](std::string_view name) { return dataset(name).fields; };

    auto articles = fields("Q_ARTICULOS");
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(articles[i].calculated());
        EXPECT_EQ(articles[i].size, 150);
    }
    EXPECT_EQ(articles[0].name, "colordescripcion");
    EXPECT_EQ(articles[2].name, "familiadescripcion");
    EXPECT_EQ(articles[2].displayWidth, 150);
    EXPECT_EQ(articles[3].name, "COD_ARTICULO");
    EXPECT_TRUE(articles[3].required());

    // The two article lists share their 42 data fields; the lookup list has a 20-character name.
    auto lookup = fields("Q_ARTICULOSAUX");
    std::map<std::string_view, const FieldSpec*> byName;
    for (const FieldSpec& f : lookup)
        byName[f.name] = &f;
    EXPECT_EQ(byName.at("nombreproveedor")->size, 20);
    EXPECT_TRUE(byName.at("nombreproveedor")->calculated());
    for (const FieldSpec& f : articles.subspan(3)) {
        ASSERT_EQ(byName.count(f.name), 1u) << f.name;
        const FieldSpec& other = *byName.at(f.name);
        EXPECT_TRUE(other.type == f.type && other.size == f.size && other.flags == f.flags)
            << f.name;
    }

    auto ticketLookup = fields("Q_TICKETAUX");
    EXPECT_EQ(ticketLookup[2].name, "NOMBRECLIENTE");
    EXPECT_EQ(std::count_if(ticketLookup.begin(), ticketLookup.end(),
                            [](auto& f) { return f.calculated(); }),
              1);

    std::vector<std::string_view> ticketCalculated;
    for (const FieldSpec& f : fields("Q_MDTICKET")) {
        if (f.calculated()) ticketCalculated.push_back(f.name);
    }
    EXPECT_EQ(ticketCalculated,
              (std::vector<std::string_view>{"NOMBRECLIENTE", "FORMAPAGODESCRIPCION"}));

    const FieldSpec& nif = fields("Q_FACTURAS")[3];
    EXPECT_EQ(nif.name, "NIF");
    EXPECT_TRUE(nif.required() && nif.fixed());
    EXPECT_EQ(nif.size, 9);

    auto tariffs = fields("Q_TARIFAS");
    auto tariffLookup = fields("Q_TARIFASAUX");
    EXPECT_EQ(tariffs[0].name, "nombreproveedor");
    EXPECT_EQ(tariffLookup[0].name, "NOMBREPROVEEDOR");
    EXPECT_EQ(tariffLookup[0].size, 50);
    for (std::size_t i = 1; i < tariffs.size(); ++i) {
        EXPECT_TRUE(
            tariffs[i].name == tariffLookup[i].name && tariffs[i].type == tariffLookup[i].type &&
            tariffs[i].size == tariffLookup[i].size && tariffs[i].flags == tariffLookup[i].flags)
            << tariffs[i].name;
    }
    EXPECT_EQ(fields("Q_ARTICULOS")[21].type, FieldType::Blob);
    EXPECT_EQ(fields("Q_MDALBARAN").back().type, FieldType::Date);
}

}  // namespace
}  // namespace zorvanil::catalogue
