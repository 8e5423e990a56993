#include <gtest/gtest.h>

#include "db/sql_dataset.hpp"
#include "packet/xml_codec.hpp"
#include "server/provider.hpp"
#include "support/server_fixture.hpp"

namespace zorvanil::test {
namespace {

using server::grMetaData;
using server::grReset;

class ReadCycle : public ServerFixture {};

TEST_F(ReadCycle, CountZeroDeliversMetadataOnlyAndRaisesBothEvents) {
    auto r = read("DSPQ_CLIENTES", 0, 0, Variant("opts"));
    ASSERT_TRUE(r.status.ok()) << r.status.message;
    EXPECT_EQ(r.recsOut, 0);
    EXPECT_TRUE(r.packet().hasMetadata);
    EXPECT_TRUE(r.packet().rows.empty());
    ASSERT_EQ(r.packet().fields.size(), 7u);
    EXPECT_EQ(r.packet().fields[0].def.name, "ID_CLIENTE");
    EXPECT_EQ(r.packet().fields[0].def.type, db::FieldType::Integer);
    EXPECT_TRUE(r.packet().fields[0].def.required);
    EXPECT_EQ(r.packet().fields[2].def.size, 9);
    EXPECT_TRUE(r.packet().fields[2].def.fixed);
    EXPECT_EQ(log.events,
              (std::vector<std::string>{"Before:DSPQ_CLIENTES:opts", "GetData:DSPQ_CLIENTES:0",
                                        "After:DSPQ_CLIENTES"}));
    EXPECT_TRUE(r.params.isNull());
}

TEST_F(ReadCycle, FirstPacketDescribesFieldsLaterOnesCarryRowsOnly) {
    auto first = read("DSPQ_CLIENTES", 2);
    auto second = read("DSPQ_CLIENTES", 2);
    auto asked = read("DSPQ_CLIENTES", 2, grMetaData);
    EXPECT_TRUE(first.packet().hasMetadata);
    EXPECT_FALSE(second.packet().hasMetadata);
    EXPECT_TRUE(asked.packet().hasMetadata);
    // The provider keeps its place between calls: the dataset stays open after a full page.
    EXPECT_EQ(first.column(1), (std::vector<std::string>{"ALBA", "BENITO"}));
    EXPECT_EQ(second.column(1), (std::vector<std::string>{"CARMEN", "DAVID"}));
    EXPECT_EQ(asked.column(1), (std::vector<std::string>{"ELENA"}));
    // Fewer rows than asked: the provider reset, the next read starts over.
    EXPECT_EQ(read("DSPQ_CLIENTES", 1).column(1), std::vector<std::string>{"ALBA"});
    const auto& attrs = first.packet().attributes;
    ASSERT_EQ(attrs.size(), 1u);
    EXPECT_EQ(attrs[0].first, "LCID");
    EXPECT_EQ(attrs[0].second, Variant(0));
}

TEST_F(ReadCycle, MinusOneReturnsEveryRowAndResets) {
    auto r = read("DSPQ_CLIENTES", -1);
    EXPECT_EQ(r.recsOut, 5);
    EXPECT_EQ(r.column(0), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    EXPECT_FALSE(module().dataSet("Q_CLIENTES").active());
    EXPECT_EQ(module().FindProvider("DSPQ_CLIENTES").recordsSent(), 0);
    EXPECT_EQ(read("DSPQ_CLIENTES", -1).recsOut, 5);
}

TEST_F(ReadCycle, ValuesArriveWithTheirTypes) {
    auto r = read("DSPQ_CLIENTES", 1);
    const auto& row = r.packet().rows.at(0).values;
    EXPECT_EQ(row[0], Variant(1));
    EXPECT_EQ(row[2], Variant("11111111A"));
    EXPECT_EQ(row[3], Variant(Date::fromYmd(2024, 1, 15)));
    EXPECT_EQ(row[4], Variant(Time::fromHms(9, 30, 0)));
    EXPECT_EQ(row[5], Variant(10.5));
    EXPECT_EQ(row[6], Variant(std::int16_t{0}));
    auto nulls = read("DSPQ_CLIENTES", -1, grReset);
    EXPECT_TRUE(nulls.packet().rows.at(2).values[3].isNull());
}

TEST_F(ReadCycle, HandlerPagingAndResetBit) {
    // The handler skips two rows: the page starts at the third.
    auto page = read("dspq_paged", 2, 0, Variant("2"));
    EXPECT_EQ(page.column(0), (std::vector<std::string>{"3", "4"}));
    // With the reset bit the rewind runs the statement again and undoes the skip.
    auto reset = read("dspq_paged", 2, grReset, Variant("2"));
    EXPECT_EQ(reset.column(0), (std::vector<std::string>{"1", "2"}));
    // A skip beyond the last row leaves nothing to send.
    auto past = read("dspq_paged", 10, 0, Variant("50"));
    EXPECT_EQ(past.recsOut, 0);
    EXPECT_TRUE(past.packet().rows.empty());
    // A handler that fails after opening its dataset leaves it closed: the provider is not stuck.
    EXPECT_EQ(read("dspq_paged", 1, 0, Variant("x")).status.message,
              "'x' is not a valid integer value");
    EXPECT_FALSE(module().dataSet("Q_PAGED").active());
    // Reset with count 0 builds no packet at all.
    auto none = read("dspq_paged", 0, grReset, Variant("1"));
    ASSERT_TRUE(none.status.ok());
    EXPECT_TRUE(none.result.isNull());
}

TEST_F(ReadCycle, EmptyOwnerDataReadsTheStatementLeftFromBefore) {
    // The handler returns early: the provider opens the dataset with the statement it holds.
    auto first = read("dspq_paged", 2, 0, Variant(""));
    EXPECT_EQ(first.status.message, "Missing query, table name or procedure name");
    ASSERT_TRUE(read("dspq_paged", 2, 0, Variant("1")).status.ok());
    auto again = read("dspq_paged", 2, 0, Variant(""));
    ASSERT_TRUE(again.status.ok()) << again.status.message;
    EXPECT_EQ(again.column(0), (std::vector<std::string>{"1", "2"}));
}

TEST_F(ReadCycle, CommandTextRefusedOrAllowed) {
    auto refused = read("DSPQ_CLIENTES", -1, 0, {}, "SELECT 1");
    EXPECT_EQ(refused.status.message, "CommandText changes are not allowed");
    auto allowed = read("DSPQ_MAXIMO", -1, 0, {}, "   SELECT MAX(ID_PEDIDO) FROM PEDIDOS");
    ASSERT_TRUE(allowed.status.ok()) << allowed.status.message;
    EXPECT_EQ(allowed.column(0), std::vector<std::string>{"12"});
    // An expression column is named by its position.
    EXPECT_EQ(allowed.packet().fields.at(0).def.name, "1");
    EXPECT_EQ(module().dataSet("Q_NOTEXT").commandText(), "SELECT MAX(ID_PEDIDO) FROM PEDIDOS");
    EXPECT_EQ(db.statements().back(), "SELECT MAX(ID_PEDIDO) FROM PEDIDOS");
}

TEST_F(ReadCycle, MissingDataSetAndMissingStatement) {
    EXPECT_EQ(read("DSPQ_NODATASET", -1).status.message, "Missing DataSet property");
    Variant owner, params, result;
    EXPECT_EQ(module().AS_Execute("DSPQ_NODATASET", "", params, owner).message,
              "Missing DataSet property");
    EXPECT_EQ(module().AS_GetParams("DSPQ_NODATASET", owner, result).message,
              "Missing DataSet property");
    EXPECT_EQ(read("DSPQ_MAXIMO", -1).status.message,
              "Missing query, table name or procedure name");
}

TEST_F(ReadCycle, MasterRowsCarryTheirDetailRows) {
    auto r = read("DSPQ_MDPEDIDOS", -1);
    ASSERT_TRUE(r.status.ok()) << r.status.message;
    const auto& p = r.packet();
    ASSERT_EQ(p.fields.size(), 4u);
    EXPECT_EQ(p.fields[3].def.name, "QMD_LINEAS");
    EXPECT_EQ(p.fields[3].def.type, db::FieldType::DataSet);
    ASSERT_EQ(p.fields[3].children.size(), 4u);
    EXPECT_EQ(p.fields[3].children[2].def.name, "ARTICULO");
    ASSERT_EQ(p.rows.size(), 3u);
    auto lines = [&](int row) {
        std::vector<std::string> out;
        for (auto& l : p.rows[row].values[3].asPacket()->rows)
            out.push_back(l.values[2].toString());
        return out;
    };
    EXPECT_EQ(lines(0), (std::vector<std::string>{"TORNILLO", "TUERCA"}));
    EXPECT_TRUE(lines(1).empty());
    EXPECT_EQ(lines(2), std::vector<std::string>{"ARANDELA"});
    EXPECT_EQ(p.attribute("MD_SEMANTICS")->toInt32(), 3);
    // The detail statement ran once per master row with the master's key.
    auto trace = db.trace().lines();
    int detailRuns = 0;
    for (auto& l : trace)
        detailRuns +=
            l.find("FROM LINEAS") != std::string::npos && l.find("[12]") != std::string::npos;
    EXPECT_EQ(detailRuns, 1);
}

TEST_F(ReadCycle, PersistentFieldsAndCalculatedLookups) {
    auto r = read("DSPQ_LOOKUP", 2);
    ASSERT_TRUE(r.status.ok()) << r.status.message;
    const auto& p = r.packet();
    ASSERT_EQ(p.fields.size(), 4u);
    EXPECT_EQ(p.fields[0].def.name, "NOMBRECLIENTE");
    EXPECT_TRUE(p.fields[0].def.calculated);
    EXPECT_EQ(p.fields[1].def.name, "ID_PEDIDO");
    // Each packed row was computed before it was written; the name is cut to the field's four
    // characters.
    EXPECT_EQ(r.column(0), (std::vector<std::string>{"ALBA", "BENI"}));
    // Once for each packed row: the row the move after the page arrives on is never read.
    EXPECT_EQ(log.scrolls, 2);
}

TEST_F(ReadCycle, PersistentFieldMissingFromTheStatement) {
    module().dataSet("Q_LOOKUP").setCommandText("SELECT ID_PEDIDO, ID_CLIENTE FROM PEDIDOS");
    EXPECT_EQ(read("DSPQ_LOOKUP", 1).status.message, "Field 'TOTAL' not found");
    module()
        .dataSet("Q_LOOKUP")
        .setCommandText("SELECT ID_PEDIDO, ID_CLIENTE, 'x' AS TOTAL FROM PEDIDOS");
    EXPECT_EQ(read("DSPQ_LOOKUP", 1).status.message,
              "Type mismatch for field 'TOTAL', expecting: Float actual: String");
    // An error while the packet is built leaves the dataset closed.
    EXPECT_FALSE(module().dataSet("Q_LOOKUP").active());
}

TEST_F(ReadCycle, ExecuteCycleRaisesItsEventsAndReturnsOwnerData) {
    Variant params, owner = Variant(7);
    auto st = module().AS_Execute(
        "DSPQ_EXEC", "UPDATE PEDIDOS SET TOTAL = TOTAL + 1 WHERE ID_PEDIDO = :ID", params, owner);
    // No value for the parameter: the statement is not run.
    EXPECT_EQ(st.message, "No value for parameter 'ID'");

    auto packet = std::make_shared<packet::DataPacket>();
    packet::PacketField f;
    f.def.name = "id";
    f.def.type = db::FieldType::Integer;
    f.paramType = db::ParamDirection::Input;
    packet->fields.push_back(f);
    packet->rows.push_back(packet::PacketRow{packet::RowStatus::Unchanged, {Variant(10)}, {}});
    params = Variant(packet::PacketPtr(packet));
    log.events.clear();
    st = module().AS_Execute(
        "DSPQ_EXEC", "UPDATE PEDIDOS SET TOTAL = TOTAL + 1 WHERE ID_PEDIDO = :ID", params, owner);
    ASSERT_TRUE(st.ok()) << st.message;
    EXPECT_EQ(db.scalar("SELECT TOTAL FROM PEDIDOS WHERE ID_PEDIDO = 10"), "31.0");
    EXPECT_EQ(log.events, (std::vector<std::string>{"BeforeExecute:7", "AfterExecute"}));
    EXPECT_EQ(owner, Variant(42));
    EXPECT_TRUE(params.isNull());

    // The dataset now has one parameter, which AS_GetParams reports.
    Variant result;
    ASSERT_TRUE(module().AS_GetParams("DSPQ_EXEC", owner, result).ok());
    ASSERT_EQ(result.type(), Variant::Type::Packet);
    EXPECT_EQ(result.asPacket()->fields.at(0).def.name, "ID");
    EXPECT_EQ(result.asPacket()->rows.at(0).values.at(0), Variant(10));
    ASSERT_TRUE(module().AS_GetParams("DSPQ_CLIENTES", owner, result).ok());
    EXPECT_TRUE(result.isNull());
}

TEST_F(ReadCycle, RowRequestLocatesARowByItsValues) {
    auto request = std::make_shared<packet::DataPacket>();
    packet::PacketField id, name;
    id.def = {"ID_CLIENTE", db::FieldType::Integer, 0, false, false, false, 0, {}};
    name.def = {"NOMBRE", db::FieldType::String, 50, false, false, false, 0, {}};
    request->fields = {id, name};
    request->rows.push_back(
        packet::PacketRow{packet::RowStatus::Unchanged, {Variant(3), Variant("CARMEN")}, {}});
    Variant owner, result;
    auto st = module().AS_RowRequest("DSPQ_CLIENTES", Variant(packet::PacketPtr(request)), 1, owner,
                                     result);
    ASSERT_TRUE(st.ok()) << st.message;
    EXPECT_EQ(result.asPacket()->rows.at(0).values.at(2), Variant("33333333C"));
    EXPECT_FALSE(module().dataSet("Q_CLIENTES").active());

    request->rows[0].values[1] = Variant("NOBODY");
    st = module().AS_RowRequest("DSPQ_CLIENTES", Variant(packet::PacketPtr(request)), 1, owner,
                                result);
    EXPECT_EQ(st.message, "Record not found or changed by another user");
    request->fields[0].providerFlags = request->fields[1].providerFlags = packet::pfInUpdate;
    st = module().AS_RowRequest("DSPQ_CLIENTES", Variant(packet::PacketPtr(request)), 1, owner,
                                result);
    EXPECT_EQ(st.message, "Unable to find record.  No key specified");
}

TEST_F(ReadCycle, XmlOptionBitsAnswerText) {
    auto r = read("DSPQ_CLIENTES", 1, server::grXML);
    ASSERT_EQ(r.result.type(), Variant::Type::String);
    auto back = packet::dataPacketFromXml(r.result.asString());
    EXPECT_EQ(back.rows.at(0).values.at(1), Variant("ALBA"));
    auto utf8 = read("DSPQ_CLIENTES", 1, server::grXMLUTF8 | grMetaData);
    EXPECT_NE(utf8.result.asString().find("UTF-8"), std::string::npos);
}

}  // namespace
}  // namespace zorvanil::test
