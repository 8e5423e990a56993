#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include <boost/json/serialize.hpp>
#include <boost/json/value.hpp>

#include "server/provider.hpp"
#include "support/delta_builder.hpp"
#include "support/server_fixture.hpp"
#include "support/sql_lines.hpp"
#include "support/test_driver.hpp"

namespace zorvanil::test {
namespace {

using db::FieldType;
using server::ResolverResponse;

DeltaBuilder lineFields() {
    return DeltaBuilder{{"ID_PEDIDO", FieldType::Integer},
                        {"LINEA", FieldType::Integer},
                        {"ARTICULO", FieldType::String},
                        {"CANTIDAD", FieldType::Float}};
}

// An order whose lines travel as its nested detail table QMD_LINEAS.
DeltaBuilder orderFields(const DeltaBuilder& lines) {
    DeltaBuilder order{{"ID_PEDIDO", FieldType::Integer},
                       {"ID_CLIENTE", FieldType::Integer},
                       {"TOTAL", FieldType::Float}};
    order.detail("QMD_LINEAS", lines);
    return order;
}

DeltaBuilder eanFields() {
    return DeltaBuilder{{"CODIGO_BARRAS", FieldType::String},
                        {"ID_ARTICULO", FieldType::String},
                        {"ENUSO", FieldType::Smallint}};
}

class ApplyCycle : public ServerFixture {
  protected:
    struct Applied {
        server::CallStatus status;
        std::int32_t errorCount = -1;
        Variant result;
        Variant owner;
        const packet::DataPacket& packet() const { return *result.asPacket(); }
    };
    Applied apply(std::string_view provider, const Variant& delta, std::int32_t maxErrors,
                  Variant owner = {}) {
        Applied a;
        a.owner = std::move(owner);
        a.status =
            module().AS_ApplyUpdates(provider, delta, maxErrors, a.errorCount, a.owner, a.result);
        return a;
    }
    server::CallStatus command(const std::string& sql, Variant& owner) {
        Variant params;
        return module().AS_Execute("DSPQ_ACTUALIZAR", sql, params, owner);
    }
    // A change of line 10/2's quantity, made on values that another user has changed since (the
    // article is now PERNO).
    Variant quantityChangeOfALineAnotherUserChanged() {
        Variant delta = lineFields()
                            .unchanged({Variant(10), Variant(2), Variant("TUERCA"), Variant(20.0)})
                            .modified({Variant(), Variant(), Variant(), Variant(25.0)})
                            .build();
        module();
        db.exec("UPDATE LINEAS SET ARTICULO = 'PERNO' WHERE ID_PEDIDO = 10 AND LINEA = 2");
        return delta;
    }
    // The statements of the trace that change rows.
    std::vector<std::string> writes() {
        std::vector<std::string> out;
        for (auto& s : db.statements())
            if (s.rfind("update", 0) == 0 || s.rfind("insert", 0) == 0 || s.rfind("delete", 0) == 0)
                out.push_back(s);
        return out;
    }
};

TEST_F(ApplyCycle, ModificationSetsTheChangedColumnAndComparesEveryColumn) {
    auto delta = lineFields()
                     .unchanged({Variant(10), Variant(1), Variant("TORNILLO"), Variant(10.0)})
                     .modified({Variant(), Variant(), Variant("CLAVO"), Variant()})
                     .build();
    module();
    db.trace().clear();
    auto a = apply("DSPQ_LINEAS", delta, 0);
    ASSERT_TRUE(a.status.ok()) << a.status.message;
    EXPECT_EQ(a.errorCount, 0);
    EXPECT_TRUE(a.result.isNull());
    auto lines = db.trace().lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1], R"({"sql":"SAVEPOINT APPLY_CHANGE","params":[],"connection":0})");
    const std::string update = sqlLines({
        "update \"LINEAS\"  set",
        " \"ARTICULO\" = ?",
        "where",
        " \"ID_PEDIDO\" = ? and",
        " \"LINEA\" = ? and",
        " \"ARTICULO\" = ? and",
        " \"CANTIDAD\" = ?",
    });
    EXPECT_EQ(lines[2], R"({"sql":)" + boost::json::serialize(boost::json::value(update)) +
                            R"(,"params":["CLAVO",10,1,"TORNILLO",10.0],"connection":0})");
    EXPECT_EQ(lines[3], R"({"sql":"RELEASE SAVEPOINT APPLY_CHANGE","params":[],"connection":0})");
    EXPECT_EQ(db.scalar("SELECT ARTICULO FROM LINEAS WHERE ID_PEDIDO = 10 AND LINEA = 1"), "CLAVO");
    EXPECT_EQ(log.events, (std::vector<std::string>{"BeforeUpdate:1", "AfterUpdate:CLAVO"}));
}

TEST_F(ApplyCycle, NullComparesWithIsNullAndEmptyTextWithAParameter) {
    db.exec("INSERT INTO LINEAS VALUES (11, 1, '', NULL)");
    auto delta = lineFields()
                     .unchanged({Variant(11), Variant(1), Variant(""), Variant::null()})
                     .modified({Variant(), Variant(), Variant(), Variant(3.0)})
                     .build();
    auto a = apply("DSPQ_LINEAS", delta, 0);
    ASSERT_TRUE(a.status.ok()) << a.status.message;
    EXPECT_EQ(a.errorCount, 0) << (a.result.isNull() ? "" : a.packet().rows[0].error->message);
    const std::string updateQuantity = sqlLines({
        "update \"LINEAS\"  set",
        " \"CANTIDAD\" = ?",
        "where",
        " \"ID_PEDIDO\" = ? and",
        " \"LINEA\" = ? and",
        " \"ARTICULO\" = ? and",
        " \"CANTIDAD\" is null",
    });
    EXPECT_EQ(writes().back(), updateQuantity);
}

TEST_F(ApplyCycle, RowChangedByAnotherUserFailsAndReportsItsCurrentValues) {
    auto delta = quantityChangeOfALineAnotherUserChanged();
    auto a = apply("DSPQ_LINEAS", delta, -1);
    ASSERT_TRUE(a.status.ok()) << a.status.message;
    EXPECT_EQ(a.errorCount, 1);
    ASSERT_EQ(a.packet().rows.size(), 1u);
    const auto& failed = a.packet().rows[0];
    EXPECT_EQ(failed.error->message, "Record not found or changed by another user");
    EXPECT_EQ(failed.error->recordNo, 2);
    EXPECT_EQ(failed.error->errorCode, 1);
    EXPECT_EQ(failed.error->response, static_cast<int>(ResolverResponse::rrSkip));
    // The handler saw the value another user wrote, read by the table's key.
    EXPECT_EQ(log.events.back(), "UpdateError:Record not found or changed by another user:1:PERNO");
    auto statements = db.statements();
    const std::string selectByKey = sqlLines({
        "select",
        " \"ID_PEDIDO\",",
        " \"LINEA\",",
        " \"ARTICULO\",",
        " \"CANTIDAD\"",
        " from \"LINEAS\" ",
        "where",
        " \"ID_PEDIDO\" = ? and",
        " \"LINEA\" = ?",
    });
    EXPECT_EQ(statements.back(), selectByKey);
}

TEST_F(ApplyCycle, RetryWithCurrentValuesWhenTheHandlerAsksForIt) {
    auto delta = quantityChangeOfALineAnotherUserChanged();
    log.errorResponse = ResolverResponse::rrApply;
    auto a = apply("DSPQ_LINEAS", delta, 0);
    ASSERT_TRUE(a.status.ok()) << a.status.message;
    EXPECT_EQ(a.errorCount, 0);
    EXPECT_EQ(
        db.scalar("SELECT CANTIDAD || ARTICULO FROM LINEAS WHERE ID_PEDIDO = 10 AND LINEA = 2"),
        "25.0PERNO");
    // A merge of a field someone else changed too is refused, and nothing is kept.
    db.exec("UPDATE LINEAS SET CANTIDAD = 99 WHERE ID_PEDIDO = 10 AND LINEA = 2");
    log.errorResponse = ResolverResponse::rrMerge;
    auto merge = apply("DSPQ_LINEAS", delta, 0);
    EXPECT_EQ(merge.status.message, "Invalid response");
    // An insert cannot be retried.
    log.errorResponse = ResolverResponse::rrApply;
    auto insert = apply(
        "DSPQ_LINEAS",
        lineFields().inserted({Variant(10), Variant(1), Variant("X"), Variant(1.0)}).build(), 0);
    EXPECT_EQ(insert.status.message, "Invalid response");
    EXPECT_FALSE(module().SQLConnection1().inTransaction());
}

TEST_F(ApplyCycle, NewDocumentWritesTheMasterBeforeItsLines) {
    auto lines = lineFields()
                     .inserted({Variant(20), Variant(1), Variant("A"), Variant(1.0)})
                     .inserted({Variant(20), Variant(2), Variant("B"), Variant(2.0)})
                     .inserted({Variant(20), Variant(3), Variant("C"), Variant(3.0)});
    auto delta = orderFields(lines)
                     .inserted({Variant(20), Variant(5), Variant(6.0), lines.nested()})
                     .build();
    auto a = apply("DSPQ_MDPEDIDOS", delta, 0);
    ASSERT_TRUE(a.status.ok()) << a.status.message;
    EXPECT_EQ(a.errorCount, 0);
    auto w = writes();
    ASSERT_EQ(w.size(), 4u);
    const std::string insertOrder = sqlLines({
        "insert into \"PEDIDOS\"",
        "  (\"ID_PEDIDO\", \"ID_CLIENTE\", \"TOTAL\")",
        "values",
        "  (?, ?, ?)",
    });
    EXPECT_EQ(w[0], insertOrder);
    const std::string insertLine = sqlLines({
        "insert into \"LINEAS\"",
        "  (\"ID_PEDIDO\", \"LINEA\", \"ARTICULO\", \"CANTIDAD\")",
        "values",
        "  (?, ?, ?, ?)",
    });
    EXPECT_EQ(w[1], insertLine);
    EXPECT_EQ(db.scalar("SELECT GROUP_CONCAT(ARTICULO, '') FROM (SELECT ARTICULO FROM LINEAS WHERE "
                        "ID_PEDIDO = 20 ORDER BY rowid)"),
              "ABC");
    std::vector<std::string> inserts;
    for (const std::string& line : db.trace().lines())
        if (line.rfind(R"({"sql":"insert)", 0) == 0) inserts.push_back(line);
    ASSERT_EQ(inserts.size(), 4u);
    EXPECT_NE(inserts[2].find("\"params\":[20,2,\"B\""), std::string::npos) << inserts[2];
}

TEST_F(ApplyCycle, DeletedDocumentDeletesItsLinesFirst) {
    auto lines = lineFields()
                     .deleted({Variant(10), Variant(1), Variant("TORNILLO"), Variant(10.0)})
                     .deleted({Variant(10), Variant(2), Variant("TUERCA"), Variant(20.0)});
    auto delta = orderFields(lines)
                     .deleted({Variant(10), Variant(1), Variant(30.0), lines.nested()})
                     .build();
    auto a = apply("DSPQ_MDPEDIDOS", delta, 0);
    ASSERT_TRUE(a.status.ok()) << a.status.message;
    auto w = writes();
    ASSERT_EQ(w.size(), 3u);
    const std::string deleteLine = sqlLines({
        "delete from \"LINEAS\" ",
        "where",
        " \"ID_PEDIDO\" = ? and",
        " \"LINEA\" = ? and",
        " \"ARTICULO\" = ? and",
        " \"CANTIDAD\" = ?",
    });
    EXPECT_EQ(w[0], deleteLine);
    const std::string deleteOrder = sqlLines({
        "delete from \"PEDIDOS\" ",
        "where",
        " \"ID_PEDIDO\" = ? and",
        " \"ID_CLIENTE\" = ? and",
        " \"TOTAL\" = ?",
    });
    EXPECT_EQ(w[2], deleteOrder);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM LINEAS WHERE ID_PEDIDO = 10"), "0");
}

TEST_F(ApplyCycle, QuotedTableNamesAreUsedUnchanged) {
    DeltaBuilder clients{{"ID_CLIENTE", FieldType::Integer}, {"NOMBRE", FieldType::String}};
    auto a = apply("DSPQ_QUOTED", clients.deleted({Variant(3), Variant("CARMEN")}).build(), 0);
    ASSERT_TRUE(a.status.ok()) << a.status.message;
    const std::string deleteClient = sqlLines({
        "delete from \"CLIENTES\" ",
        "where",
        " \"ID_CLIENTE\" = ? and",
        " \"NOMBRE\" = ?",
    });
    EXPECT_EQ(writes().back(), deleteClient);
    DeltaBuilder named{{"ID_CLIENTE", FieldType::Integer}};
    auto b = apply(
        "DSPQ_QUOTED",
        named.attribute("TABLE_NAME", Variant("main.CLIENTES")).deleted({Variant(2)}).build(), 0);
    ASSERT_TRUE(b.status.ok()) << b.status.message;
    const std::string deleteQualified = sqlLines({
        "delete from \"main\".\"CLIENTES\" ",
        "where",
        " \"ID_CLIENTE\" = ?",
    });
    EXPECT_EQ(writes().back(), deleteQualified);
}

TEST_F(ApplyCycle, MaxErrorsDecidesWhatIsKept) {
    auto twoChanges = [] {
        return lineFields()
            .unchanged({Variant(10), Variant(1), Variant("WRONG"), Variant(10.0)})
            .modified({Variant(), Variant(), Variant("X"), Variant()})
            .unchanged({Variant(10), Variant(2), Variant("TUERCA"), Variant(20.0)})
            .modified({Variant(), Variant(), Variant("Y"), Variant()})
            .build();
    };
    auto none = apply("DSPQ_LINEAS", twoChanges(), 0);
    ASSERT_TRUE(none.status.ok());
    EXPECT_EQ(none.errorCount, 1);
    EXPECT_EQ(none.packet().rows.size(), 1u);
    EXPECT_EQ(none.packet().rows[0].error->response, static_cast<int>(ResolverResponse::rrAbort));
    EXPECT_EQ(db.scalar("SELECT ARTICULO FROM LINEAS WHERE ID_PEDIDO = 10 AND LINEA = 2"),
              "TUERCA");

    auto all = apply("DSPQ_LINEAS", twoChanges(), -1);
    EXPECT_EQ(all.errorCount, 1);
    EXPECT_EQ(all.packet().rows.size(), 1u);
    EXPECT_EQ(db.scalar("SELECT ARTICULO FROM LINEAS WHERE ID_PEDIDO = 10 AND LINEA = 2"), "Y");
    EXPECT_FALSE(module().SQLConnection1().inTransaction());
}

TEST_F(ApplyCycle, HandlersCanApplyThemselvesRefuseOrChangeValues) {
    auto change = [] {
        return lineFields()
            .unchanged({Variant(12), Variant(1), Variant("ARANDELA"), Variant(5.0)})
            .modified({Variant(), Variant(), Variant(), Variant(6.0)})
            .build();
    };
    log.markApplied = true;
    ASSERT_TRUE(apply("DSPQ_LINEAS", change(), 0).status.ok());
    EXPECT_TRUE(writes().empty());

    log.markApplied = false;
    log.failBeforeUpdate = true;
    auto refused = apply("DSPQ_LINEAS", change(), 0);
    EXPECT_EQ(refused.packet().rows.at(0).error->message, "refused by handler");

    // A handler that changes new values has the row sent back (the provider propagates changes).
    log.failBeforeUpdate = false;
    log.renameArticle = true;
    auto renamed = apply("DSPQ_LINEAS", change(), 0);
    ASSERT_TRUE(renamed.status.ok()) << renamed.status.message;
    ASSERT_EQ(renamed.packet().rows.size(), 1u);
    EXPECT_FALSE(renamed.packet().rows[0].error);
    EXPECT_EQ(renamed.packet().rows[0].values[2], Variant("RENAMED"));
    EXPECT_EQ(db.scalar("SELECT ARTICULO || CANTIDAD FROM LINEAS WHERE ID_PEDIDO = 12"),
              "RENAMED6.0");
}

TEST_F(ApplyCycle, UpdateHittingSeveralRowsIsRolledBack) {
    db.exec(
        "INSERT INTO LINEAS VALUES (30, 1, 'SAME', 1); INSERT INTO LINEAS VALUES (30, 2, 'SAME', "
        "1)");
    // LINEA travels but does not take part in the condition, so the update finds both rows.
    auto partial = lineFields()
                       .unchanged({Variant(30), Variant(1), Variant("SAME"), Variant(1.0)})
                       .modified({Variant(), Variant(), Variant("OTHER"), Variant()})
                       .flags(1, packet::pfInUpdate)
                       .build();
    auto a = apply("DSPQ_LINEAS", partial, -1);
    ASSERT_TRUE(a.status.ok()) << a.status.message;
    EXPECT_EQ(a.packet().rows.at(0).error->message, "Update affected more than 1 record.");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM LINEAS WHERE ARTICULO = 'SAME'"), "2");
    EXPECT_FALSE(module().SQLConnection1().inTransaction());
}

TEST_F(ApplyCycle, CommandChannelTransactions) {
    Variant owner = Variant(7);
    auto ok = command("UPDATE PEDIDOS SET TOTAL = TOTAL + 1 WHERE ID_PEDIDO = 10", owner);
    ASSERT_TRUE(ok.ok()) << ok.message;
    EXPECT_EQ(owner, Variant(7));
    EXPECT_EQ(db.scalar("SELECT TOTAL FROM PEDIDOS WHERE ID_PEDIDO = 10"), "31.0");

    owner = Variant(7);
    auto bad = command("UPDATE PEDIDOS SET", owner);
    EXPECT_EQ(engineText(bad.message), "incomplete input");
    EXPECT_TRUE(module().SQLConnection1().inTransaction());

    // An apply inside the open transaction neither commits nor rolls it back.
    auto a = apply(
        "DSPQ_LINEAS",
        lineFields().deleted({Variant(12), Variant(1), Variant("ARANDELA"), Variant(5.0)}).build(),
        0);
    ASSERT_TRUE(a.status.ok()) << a.status.message;
    EXPECT_TRUE(module().SQLConnection1().inTransaction());

    owner = Variant(7);
    EXPECT_EQ(command("UPDATE PEDIDOS SET TOTAL = 0", owner).message,
              "A transaction is already active");
    owner = Variant(-1);
    auto recovered = command("UPDATE PEDIDOS SET TOTAL = TOTAL + 1 WHERE ID_PEDIDO = 11", owner);
    ASSERT_TRUE(recovered.ok()) << recovered.message;
    EXPECT_EQ(owner, Variant(-1));
    EXPECT_FALSE(module().SQLConnection1().inTransaction());
    // The rolled-back transaction took the apply's delete with it.
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM LINEAS WHERE ID_PEDIDO = 12"), "1");
    EXPECT_EQ(db.scalar("SELECT TOTAL FROM PEDIDOS WHERE ID_PEDIDO = 11"), "1.0");

    owner = Variant(-1);
    EXPECT_EQ(command("UPDATE PEDIDOS SET TOTAL = 0", owner).message,
              "There is no active transaction");
    owner = Variant("x");
    EXPECT_EQ(command("UPDATE PEDIDOS SET TOTAL = 0", owner).message,
              "'x' is not a valid integer value");
    EXPECT_FALSE(module().SQLConnection1().inTransaction());
}

TEST_F(ApplyCycle, FailedDeletionsAreDroppedFailedModificationsReported) {
    auto delta =
        eanFields()
            .deleted({Variant("8400000000028"), Variant("TUERCA"), Variant(std::int16_t{1})})
            .deleted({Variant("8400000000035"), Variant("ARANDELA"), Variant(std::int16_t{0})})
            .build();
    auto a = apply("DSPQ_EAN", delta, 0);
    ASSERT_TRUE(a.status.ok()) << a.status.message;
    EXPECT_EQ(a.errorCount, 0);
    EXPECT_TRUE(a.result.isNull());
    EXPECT_EQ(db.scalar("SELECT GROUP_CONCAT(CODIGO_BARRAS, ',') FROM EAN"),
              "8400000000011,8400000000028");

    auto modify =
        eanFields()
            .unchanged({Variant("8400000000011"), Variant("TORNILLO"), Variant(std::int16_t{0})})
            .modified({Variant(), Variant(""), Variant()})
            .build();
    auto m = apply("DSPQ_EAN", modify, -1);
    EXPECT_EQ(m.errorCount, 1);
    EXPECT_EQ(engineText(m.packet().rows.at(0).error->message), "article required");
}

// A modified row without the unchanged row before it cannot be located: it fails as its own row,
// within the error limit like any other failed change.
struct OrphanCase {
    const char* name;
    bool pairFirst;  // line 10/1 changed to X, as a proper pair, before the orphan
    std::int32_t maxErrors;
    std::int32_t recordNo;  // of the orphan
    const char* articles;   // of lines 10/1 and 10/2 afterwards
};

TEST_F(ApplyCycle, AModifiedRowWithoutItsOriginalFailsAsItsRow) {
    const OrphanCase cases[] = {
        {"alone", false, -1, 1, "TORNILLO,TUERCA"},
        {"after_a_pair_the_pair_is_kept", true, -1, 3, "X,TUERCA"},
        {"after_a_pair_with_no_errors_allowed", true, 0, 3, "TORNILLO,TUERCA"},
    };
    for (const OrphanCase& c : cases) {
        SCOPED_TRACE(c.name);
        db.exec(
            "UPDATE LINEAS SET ARTICULO = CASE LINEA WHEN 1 THEN 'TORNILLO' ELSE 'TUERCA' END "
            "WHERE ID_PEDIDO = 10");
        DeltaBuilder delta = lineFields();
        if (c.pairFirst)
            delta.unchanged({Variant(10), Variant(1), Variant("TORNILLO"), Variant(10.0)})
                .modified({Variant(), Variant(), Variant("X"), Variant()});
        delta.modified({Variant(10), Variant(2), Variant("Y"), Variant()});
        auto a = apply("DSPQ_LINEAS", delta.build(), c.maxErrors);
        ASSERT_TRUE(a.status.ok()) << a.status.message;
        EXPECT_EQ(a.errorCount, 1);
        ASSERT_FALSE(a.result.isNull());
        const auto& failed = a.packet().rows.back();
        ASSERT_TRUE(failed.error.has_value());
        EXPECT_EQ(failed.error->recordNo, c.recordNo);
        EXPECT_EQ(failed.error->message,
                  "A modified row must follow the unchanged row that it changes");
        EXPECT_EQ(db.scalar("SELECT GROUP_CONCAT(ARTICULO, ',') FROM (SELECT ARTICULO FROM LINEAS "
                            "WHERE ID_PEDIDO = 10 ORDER BY LINEA)"),
                  c.articles);
    }
}

// Changes of order 10's two lines, to articles X and Y, whose after-update handler adds 1 to the
// order's TOTAL before it fails for one article: what the apply keeps of the rows and of what their
// handlers ran.
struct SavepointCase {
    const char* name;
    std::int32_t maxErrors;
    const char* failFor;  // the article whose handler fails
    int failures;         // how many times it fails
    std::optional<ResolverResponse> response;
    std::int32_t errorCount;
    const char* articles;  // of lines 10/1 and 10/2 afterwards
    const char* total;     // of order 10 afterwards
};

TEST_F(ApplyCycle, EachChangeKeepsOrUndoesWhatItsHandlersRanWithIt) {
    const SavepointCase cases[] = {
        {"every change succeeds", -1, "", 0, {}, 0, "X,Y", "32.0"},
        {"a failed change leaves nothing behind", -1, "X", 1, {}, 1, "TORNILLO,Y", "31.0"},
        {"limit 0 keeps nothing", 0, "X", 1, {}, 1, "TORNILLO,TUERCA", "30.0"},
        {"within the limit the others stay", 1, "Y", 1, {}, 1, "X,TUERCA", "31.0"},
        {"a change tried again starts clean", 0, "X", 1, ResolverResponse::rrApply, 0, "X,Y",
         "32.0"},
    };
    for (const SavepointCase& c : cases) {
        SCOPED_TRACE(c.name);
        db.exec(
            "UPDATE LINEAS SET ARTICULO = CASE LINEA WHEN 1 THEN 'TORNILLO' ELSE 'TUERCA' END "
            "WHERE ID_PEDIDO = 10; UPDATE PEDIDOS SET TOTAL = 30 WHERE ID_PEDIDO = 10");
        log.afterUpdateStatement = "UPDATE PEDIDOS SET TOTAL = TOTAL + 1 WHERE ID_PEDIDO = 10";
        log.failAfterUpdateFor = c.failFor;
        log.failAfterUpdateTimes = c.failures;
        log.errorResponse = c.response;
        auto delta = lineFields()
                         .unchanged({Variant(10), Variant(1), Variant("TORNILLO"), Variant(10.0)})
                         .modified({Variant(), Variant(), Variant("X"), Variant()})
                         .unchanged({Variant(10), Variant(2), Variant("TUERCA"), Variant(20.0)})
                         .modified({Variant(), Variant(), Variant("Y"), Variant()})
                         .build();
        module();
        db.trace().clear();
        auto a = apply("DSPQ_LINEAS", delta, c.maxErrors);
        ASSERT_TRUE(a.status.ok()) << a.status.message;
        EXPECT_EQ(a.errorCount, c.errorCount);
        EXPECT_EQ(db.scalar("SELECT GROUP_CONCAT(ARTICULO, ',') FROM (SELECT ARTICULO FROM LINEAS "
                            "WHERE ID_PEDIDO = 10 ORDER BY LINEA)"),
                  c.articles);
        EXPECT_EQ(db.scalar("SELECT TOTAL FROM PEDIDOS WHERE ID_PEDIDO = 10"), c.total);
        EXPECT_FALSE(module().SQLConnection1().inTransaction());
        if (c.failures == 0) continue;
        // The failed change was undone before its current values were read for the error
        // handler.
        const auto lines = db.trace().lines();
        auto undone = std::find(lines.begin(), lines.end(),
                                R"({"sql":"ROLLBACK TO SAVEPOINT APPLY_CHANGE","params":[],)"
                                R"("connection":0})");
        auto read = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
            return l.rfind(R"({"sql":"select)", 0) == 0;
        });
        EXPECT_TRUE(undone < read);
    }
}

TEST_F(ApplyCycle, AChangeWhoseTransactionEndedUnderItHasNoSavepointToUndo) {
    // A failed command leaves its transaction open; the command channel's error handler rolls it
    // back, and with it the savepoint of the failed change.
    Variant owner = Variant(7);
    EXPECT_EQ(engineText(command("UPDATE PEDIDOS SET", owner).message), "incomplete input");
    auto delta = lineFields()
                     .attribute("TABLE_NAME", Variant("LINEAS"))
                     .unchanged({Variant(10), Variant(1), Variant("WRONG"), Variant(10.0)})
                     .modified({Variant(), Variant(), Variant("X"), Variant()})
                     .unchanged({Variant(10), Variant(2), Variant("TUERCA"), Variant(20.0)})
                     .modified({Variant(), Variant(), Variant("Y"), Variant()})
                     .build();
    auto a = apply("DSPQ_ACTUALIZAR", delta, -1);
    ASSERT_TRUE(a.status.ok()) << a.status.message;
    EXPECT_EQ(a.errorCount, 1);
    EXPECT_FALSE(module().SQLConnection1().inTransaction());
    // The next change ran without a transaction, and stays.
    EXPECT_EQ(db.scalar("SELECT ARTICULO FROM LINEAS WHERE ID_PEDIDO = 10 AND LINEA = 2"), "Y");
}

// A packet carrying lines, and the master row (its ID_CLIENTE) that each change's handler read.
struct MasterCase {
    const char* name;
    Variant delta;
    std::vector<std::string> masters;
};

TEST_F(ApplyCycle, LineHandlersReadTheMasterRowOfTheirPacket) {
    auto newLine = lineFields().inserted({Variant(20), Variant(1), Variant("A"), Variant(1.0)});
    auto line1 = lineFields()
                     .unchanged({Variant(10), Variant(1), Variant("TORNILLO"), Variant(10.0)})
                     .modified({Variant(), Variant(), Variant("X"), Variant()});
    auto line2 = lineFields()
                     .unchanged({Variant(10), Variant(2), Variant("TUERCA"), Variant(20.0)})
                     .modified({Variant(), Variant(), Variant("Y"), Variant()});
    auto gone1 = lineFields().deleted({Variant(10), Variant(1), Variant("X"), Variant(10.0)});
    auto gone12 =
        lineFields().deleted({Variant(12), Variant(1), Variant("ARANDELA"), Variant(5.0)});
    const MasterCase cases[] = {
        {"inserted master",
         orderFields(newLine)
             .inserted({Variant(20), Variant(5), Variant(1.0), newLine.nested()})
             .build(),
         {"QMD_PEDIDOS:-", "QMD_LINEAS:5"}},
        {"master that only carries its lines",
         orderFields(line1)
             .unchanged({Variant(10), Variant(1), Variant(30.0), line1.nested()})
             .build(),
         {"QMD_LINEAS:1"}},
        {"modified master: the new value it sets",
         orderFields(line2)
             .unchanged({Variant(10), Variant(1), Variant(30.0), Variant()})
             .modified({Variant(), Variant(2), Variant(), line2.nested()})
             .build(),
         {"QMD_LINEAS:2", "QMD_PEDIDOS:-"}},
        {"modified master: the fetched value it leaves",
         orderFields(gone1)
             .unchanged({Variant(10), Variant(2), Variant(30.0), gone1.nested()})
             .modified({Variant(), Variant(), Variant(31.0), Variant()})
             .build(),
         {"QMD_LINEAS:2", "QMD_PEDIDOS:-"}},
        {"deleted master",
         orderFields(gone12)
             .deleted({Variant(12), Variant(1), Variant(12.5), gone12.nested()})
             .build(),
         {"QMD_LINEAS:1", "QMD_PEDIDOS:-"}},
    };
    for (const MasterCase& c : cases) {
        SCOPED_TRACE(c.name);
        log.masters.clear();
        auto a = apply("DSPQ_MDPEDIDOS", c.delta, 0);
        ASSERT_TRUE(a.status.ok()) << a.status.message;
        EXPECT_EQ(a.errorCount, 0) << (a.result.isNull() ? "" : a.packet().rows[0].error->message);
        EXPECT_EQ(log.masters, c.masters);
    }
}

TEST_F(ApplyCycle, GarbageDeltaFailsWithoutHarm) {
    EXPECT_EQ(apply("DSPQ_LINEAS", Variant("junk"), 0).status.message, "Invalid change packet");
    EXPECT_FALSE(module().SQLConnection1().inTransaction());
    DeltaBuilder unknown{{"NO_SUCH_COLUMN", FieldType::Integer}};
    auto a = apply("DSPQ_QUOTED", unknown.inserted({Variant(1)}).build(), 0);
    ASSERT_TRUE(a.status.ok()) << a.status.message;
    EXPECT_NE(a.packet().rows.at(0).error->message.find("NO_SUCH_COLUMN"), std::string::npos);
    EXPECT_TRUE(read("DSPQ_LINEAS", 1).status.ok());
}

}  // namespace
}  // namespace zorvanil::test
