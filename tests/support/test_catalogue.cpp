#include "support/test_catalogue.hpp"

#include "common/error.hpp"
#include "db/sql_dataset.hpp"
#include "server/connection_handlers.hpp"
#include "server/provider.hpp"
#include "server/remote_data_module.hpp"

namespace zorvanil::test {

namespace {

using catalogue::ProviderEvent;
using db::FieldType;

constexpr catalogue::ConnectionParam kParams[] = {
    {"DriverName", "DB2"},  {"Database", "ZRV"},
    {"User_Name", "z"},     {"Password", "z"},
    {"BlobSize", "-1"},     {"ErrorResourceFile", ""},
    {"LocaleCode", "0000"}, {"DB2 TransIsolation", "ReadCommited"},
};

constexpr db::FieldSpec kLookupFields[] = {
    {"NOMBRECLIENTE", FieldType::String, 4, db::kCalculated, 0},
    {"ID_PEDIDO", FieldType::Integer, 0, db::kRequired, 0},
    {"ID_CLIENTE", FieldType::Integer, 0, 0, 0},
    {"TOTAL", FieldType::Float, 0, 0, 0},
};

constexpr catalogue::DatasetSpec kDatasets[] = {
    {"Q_ACTUALIZAR", {}, {}, {}, true, {}},
    {"Q_AUX", {}, {}, {}, true, {}},
    {"Q_CLIENTES", "  SELECT * FROM CLIENTES ORDER BY ID_CLIENTE", {}, {}, true, {}},
    {"Q_PAGED", {}, {}, {}, true, {}},
    {"Q_LOOKUP",
     "SELECT * FROM PEDIDOS ORDER BY ID_PEDIDO",
     {},
     "Q_LOOKUPAfterScroll",
     true,
     kLookupFields},
    {"QMD_LINEAS",
     "SELECT * FROM LINEAS WHERE ID_PEDIDO = :ID_PEDIDO ORDER BY LINEA",
     "DSPEDIDOS",
     {},
     true,
     {}},
    {"QMD_PEDIDOS", "SELECT * FROM PEDIDOS ORDER BY ID_PEDIDO", {}, {}, true, {}},
    {"Q_NOTEXT", {}, {}, {}, false, {}},
};

constexpr catalogue::MasterLinkSpec kLinks[] = {{"DSPEDIDOS", "QMD_PEDIDOS"}};

constexpr catalogue::EventBinding kClientesEvents[] = {
    {ProviderEvent::BeforeGetRecords, "DSPQ_CLIENTESBeforeGetRecords"},
    {ProviderEvent::AfterGetRecords, "dspq_clientesAFTERGetRecords"},
    {ProviderEvent::OnGetData, "DSPQ_CLIENTESGetData"},
};
constexpr catalogue::EventBinding kPagedEvents[] = {
    {ProviderEvent::BeforeGetRecords, "PagedBeforeGetRecords"},
    {ProviderEvent::AfterGetRecords, "PagedAfterGetRecords"},
};
constexpr catalogue::EventBinding kFailingEvents[] = {
    {ProviderEvent::BeforeGetRecords, "FailingBeforeGetRecords"},
};
constexpr catalogue::EventBinding kStatusEvents[] = {
    {ProviderEvent::BeforeGetRecords, "StatusBeforeGetRecords"},
};
constexpr catalogue::EventBinding kExecuteEvents[] = {
    {ProviderEvent::BeforeExecute, "DSPQ_ACTUALIZARBeforeExecute"},
    {ProviderEvent::AfterExecute, "DSPQ_ACTUALIZARAfterExecute"},
};
constexpr catalogue::EventBinding kUnboundEvents[] = {
    {ProviderEvent::BeforeGetRecords, "NoSuchHandler"},
    {ProviderEvent::OnUpdateError, "PagedBeforeGetRecords"},
};

constexpr std::uint32_t kCascade = catalogue::poCascadeDeletes | catalogue::poCascadeUpdates;

constexpr catalogue::ProviderSpec kProviders[] = {
    {"DSPQ_CLIENTES", "Q_CLIENTES", 0, kClientesEvents},
    {"DSPQ_MAXIMO", "Q_NOTEXT", catalogue::poAllowCommandText, {}},
    {"dspq_paged", "Q_PAGED", 0, kPagedEvents},
    {"DSPQ_LOOKUP", "Q_LOOKUP", 0, {}},
    {"DSPQ_MDPEDIDOS", "QMD_PEDIDOS", kCascade, {}},
    {"DSPQ_NODATASET", "", 0, {}},
    {"DSPQ_FAILING", "Q_CLIENTES", 0, kFailingEvents},
    {"DSPQ_STATUS", "Q_CLIENTES", 0, kStatusEvents},
    {"DSPQ_ACTUALIZAR", "Q_ACTUALIZAR", catalogue::poAllowCommandText, kExecuteEvents},
    {"DSPQ_UNBOUND", "Q_AUX", 0, kUnboundEvents},
};

constexpr catalogue::Catalogue kCatalogue{
    "AZORVANIL",
    "RemoteDataModuleCreate",
    {"SQLConnection1", "DB2Connection", "DB2", "dbexpdb2.dll", "getSQLDriverDB2", "db2cli.dll",
     false, true, "SQLConnection1BeforeConnect", "SQLConnection1Login", kParams},
    kDatasets,
    kLinks,
    kProviders,
};

}  // namespace

const catalogue::Catalogue& testCatalogue() {
    return kCatalogue;
}

server::HandlerTable testHandlers(HandlerLog& log) {
    using server::DataSetProvider;
    using server::TAZORVANIL;
    server::HandlerTable t;
    server::registerConnectionHandlers(t);
    HandlerLog* l = &log;
    t.add("DSPQ_CLIENTESBeforeGetRecords",
          server::RemoteEventHandler([l](TAZORVANIL&, DataSetProvider& p, Variant& owner) {
              l->events.push_back("Before:" + p.name() + ":" + owner.toString());
          }));
    t.add("DSPQ_CLIENTESAfterGetRecords",
          server::RemoteEventHandler([l](TAZORVANIL&, DataSetProvider& p, Variant&) {
              l->events.push_back("After:" + p.name());
          }));
    t.add("DSPQ_CLIENTESGetData",
          server::GetDataHandler([l](TAZORVANIL&, DataSetProvider& p, packet::DataPacket& d) {
              l->events.push_back("GetData:" + p.name() + ":" + std::to_string(d.rows.size()));
          }));
    // A list handler in miniature: the owner data is the number of rows to skip; empty stops.
    t.add("PagedBeforeGetRecords",
          server::RemoteEventHandler([](TAZORVANIL&, DataSetProvider& p, Variant& owner) {
              std::string text = owner.toString();
              if (text.empty()) return;
              p.dataSet()->setCommandText("SELECT * FROM CLIENTES ORDER BY ID_CLIENTE");
              p.dataSet()->open();
              p.dataSet()->moveBy(stringToInt32(text));
          }));
    t.add("PagedAfterGetRecords",
          server::RemoteEventHandler(
              [](TAZORVANIL&, DataSetProvider& p, Variant&) { p.dataSet()->close(); }));
    t.add("FailingBeforeGetRecords",
          server::RemoteEventHandler([](TAZORVANIL&, DataSetProvider&, Variant& owner) {
              (void)stringToInt32(owner.toString());
              throw std::runtime_error("Handler failed");
          }));
    t.add("StatusBeforeGetRecords",
          server::RemoteEventHandler([](TAZORVANIL&, DataSetProvider&, Variant&) {
              throw Error("Access denied", static_cast<std::int32_t>(0x80070005u), 7);
          }));
    t.add("DSPQ_ACTUALIZARBeforeExecute",
          server::RemoteEventHandler([l](TAZORVANIL&, DataSetProvider&, Variant& owner) {
              l->events.push_back("BeforeExecute:" + owner.toString());
          }));
    t.add("DSPQ_ACTUALIZARAfterExecute",
          server::RemoteEventHandler([l](TAZORVANIL&, DataSetProvider&, Variant& owner) {
              l->events.push_back("AfterExecute");
              owner = Variant(std::int32_t{42});
          }));
    t.add("Q_LOOKUPAfterScroll", server::AfterScrollHandler([l](TAZORVANIL& m, db::SQLDataSet& ds) {
              ++l->scrolls;
              std::string key = ds.fieldByName("ID_CLIENTE").asString();
              if (key.empty()) return ds.fieldByName("NOMBRECLIENTE").setValue(Variant(""));
              db::SQLDataSet& aux = m.Q_AUX();
              aux.close();
              aux.setCommandText("SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = " + key);
              aux.open();
              ds.fieldByName("NOMBRECLIENTE").setValue(aux.eof() ? Variant("") : aux.value(0));
              aux.close();
          }));
    return t;
}

}  // namespace zorvanil::test
