#include "support/test_catalogue.hpp"

#include "catalogue/zorvanil_catalogue.hpp"
#include "common/error.hpp"
#include "db/sql_dataset.hpp"
#include "server/connection_handlers.hpp"
#include "server/provider.hpp"
#include "server/remote_data_module.hpp"
#include "update/command_channel.hpp"

namespace zorvanil::test {

namespace {

using catalogue::ProviderEvent;
using db::FieldType;

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
    {"Q_EXEC", {}, {}, {}, true, {}},
    {"Q_LINEAS", "SELECT * FROM LINEAS L ORDER BY ID_PEDIDO, LINEA", {}, {}, true, {}},
    {"Q_QUOTED", "SELECT * FROM \"CLIENTES\" C", {}, {}, true, {}},
    {"Q_EAN", "SELECT * FROM EAN", {}, {}, true, {}},
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
    {ProviderEvent::BeforeExecute, "TestBeforeExecute"},
    {ProviderEvent::AfterExecute, "TestAfterExecute"},
};
constexpr catalogue::EventBinding kCommandEvents[] = {
    {ProviderEvent::OnUpdateError, "DSPQ_ACTUALIZARUpdateError"},
    {ProviderEvent::BeforeExecute, "DSPQ_ACTUALIZARBeforeExecute"},
    {ProviderEvent::AfterExecute, "DSPQ_ACTUALIZARAfterExecute"},
};
constexpr catalogue::EventBinding kEanEvents[] = {
    {ProviderEvent::OnUpdateError, "DSPQ_EANUpdateError"},
};
constexpr catalogue::EventBinding kLineasEvents[] = {
    {ProviderEvent::BeforeUpdateRecord, "LineasBeforeUpdateRecord"},
    {ProviderEvent::AfterUpdateRecord, "LineasAfterUpdateRecord"},
    {ProviderEvent::OnUpdateError, "LineasUpdateError"},
};
constexpr catalogue::EventBinding kPedidosEvents[] = {
    {ProviderEvent::AfterUpdateRecord, "PedidosAfterUpdateRecord"},
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
    {"DSPQ_MDPEDIDOS", "QMD_PEDIDOS", kCascade, kPedidosEvents},
    {"DSPQ_NODATASET", "", 0, {}},
    {"DSPQ_FAILING", "Q_CLIENTES", 0, kFailingEvents},
    {"DSPQ_STATUS", "Q_CLIENTES", 0, kStatusEvents},
    {"DSPQ_EXEC", "Q_EXEC", catalogue::poAllowCommandText, kExecuteEvents},
    {"DSPQ_ACTUALIZAR", "Q_ACTUALIZAR", catalogue::poAllowCommandText, kCommandEvents},
    {"DSPQ_LINEAS", "Q_LINEAS", catalogue::poPropogateChanges, kLineasEvents},
    {"DSPQ_QUOTED", "Q_QUOTED", 0, {}},
    {"DSPQ_EAN", "Q_EAN", 0, kEanEvents},
    {"DSPQ_UNBOUND", "Q_AUX", 0, kUnboundEvents},
};

}  // namespace

const catalogue::Catalogue& testCatalogue() {
    // The real connection with its handlers, and the test's own datasets and providers.
    static const catalogue::Catalogue kCatalogue{"AZORVANIL",
                                                 "RemoteDataModuleCreate",
                                                 catalogue::zorvanilCatalogue().connection,
                                                 kDatasets,
                                                 kLinks,
                                                 kProviders};
    return kCatalogue;
}

server::HandlerTable testHandlers(HandlerLog& log) {
    using server::DataSetProvider;
    using server::TAZORVANIL;
    server::HandlerTable t;
    server::registerConnectionHandlers(t);
    update::registerCommandChannelHandlers(t);
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
    t.add("TestBeforeExecute",
          server::RemoteEventHandler([l](TAZORVANIL&, DataSetProvider&, Variant& owner) {
              l->events.push_back("BeforeExecute:" + owner.toString());
          }));
    t.add("TestAfterExecute",
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
    t.add("LineasBeforeUpdateRecord",
          server::BeforeUpdateRecordHandler([l](TAZORVANIL&, DataSetProvider&, db::SQLDataSet&,
                                                server::DeltaRecord& d, server::UpdateKind,
                                                bool& applied) {
              l->events.push_back("BeforeUpdate:" + d.oldValue("LINEA").toString());
              if (l->failBeforeUpdate) throw Error("refused by handler");
              if (l->markApplied) applied = true;
              if (l->renameArticle) d.setNewValue("ARTICULO", Variant("RENAMED"));
          }));
    t.add("LineasAfterUpdateRecord",
          server::AfterUpdateRecordHandler([l](TAZORVANIL& m, DataSetProvider&, db::SQLDataSet&,
                                               server::DeltaRecord& d, server::UpdateKind) {
              const std::string article = d.value("ARTICULO").toString();
              l->events.push_back("AfterUpdate:" + article);
              if (!l->afterUpdateStatement.empty()) {
                  m.Q_AUX().close();
                  m.Q_AUX().setCommandText(l->afterUpdateStatement);
                  m.Q_AUX().execSQL(db::Execution::Direct);
              }
              if (article == l->failAfterUpdateFor && l->failAfterUpdateTimes > 0) {
                  --l->failAfterUpdateTimes;
                  throw Error("posting failed");
              }
          }));
    t.add(
        "PedidosAfterUpdateRecord",
        server::AfterUpdateRecordHandler([l](TAZORVANIL&, DataSetProvider&, db::SQLDataSet& source,
                                             server::DeltaRecord& d, server::UpdateKind) {
            const server::MasterRow* master = d.master();
            l->masters.push_back(source.name() + ":" +
                                 (master ? master->value("ID_CLIENTE").toString() : "-"));
        }));
    t.add("LineasUpdateError",
          server::UpdateErrorHandler([l](TAZORVANIL&, DataSetProvider&, server::DeltaRecord& d,
                                         const server::EUpdateError& e, server::UpdateKind,
                                         server::ResolverResponse& response) {
              l->events.push_back("UpdateError:" + std::string(e.what()) + ":" +
                                  std::to_string(e.errorCode()) + ":" +
                                  d.curValue("ARTICULO").toString());
              if (l->errorResponse) response = *l->errorResponse;
          }));
    return t;
}

}  // namespace zorvanil::test
