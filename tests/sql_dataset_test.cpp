#include <gtest/gtest.h>

#include <algorithm>

#include "common/error.hpp"
#include "db/sql_connection.hpp"
#include "db/sql_dataset.hpp"
#include "db/sql_params.hpp"
#include "support/message_of.hpp"
#include "support/test_server.hpp"

namespace zorvanil::test {
namespace {

using db::SQLDataSet;

// A connection straight to the shop database, without a server object.
class SqlDataSetTest : public ::testing::Test {
  protected:
    SqlDataSetTest() : connection(db::SQLConnection::Settings{}, params(), services()) {}
    db::ParamList params() { return db::ParamList{{"Database", database.file().string()}}; }
    db::ConnectionServices services() {
        db::ConnectionServices s;
        s.trace = std::shared_ptr<db::SqlTrace>(database.environment(), &database.trace());
        return s;
    }

    TestDatabase database{kShopDdl};
    db::SQLConnection connection;
};

TEST_F(SqlDataSetTest, CommandTextRules) {
    SQLDataSet ds("Q_TEST", connection);
    EXPECT_EQ(messageOf([&] { ds.open(); }), "Missing query, table name or procedure name");
    EXPECT_EQ(messageOf([&] { ds.execSQL(); }), "Missing query, table name or procedure name");

    ds.setCommandText(" \r\n SELECT * FROM CLIENTES ");
    EXPECT_EQ(ds.commandText(), "SELECT * FROM CLIENTES ");
    ds.open();
    // The same text again changes nothing, even while open; another text fails.
    ds.setCommandText("SELECT * FROM CLIENTES ");
    EXPECT_EQ(messageOf([&] { ds.setCommandText("SELECT * FROM PEDIDOS"); }),
              "Cannot perform this operation on an open dataset");
    ds.close();
    ds.setCommandText("SELECT * FROM PEDIDOS");
    EXPECT_EQ(ds.commandText(), "SELECT * FROM PEDIDOS");
}

// Giving a dataset a text again: whether that is a change of statement. The new text is compared
// as the dataset stores it, without its leading blanks.
struct RepeatedTextCase {
    const char* held;
    const char* given;
    bool change;
};

TEST_F(SqlDataSetTest, ARepeatedTextKeepsTheCompiledStatement) {
    const RepeatedTextCase cases[] = {
        {" SELECT * FROM LINEAS L WHERE L.ID_PEDIDO=:ID_PEDIDO ",
         " SELECT * FROM LINEAS L WHERE L.ID_PEDIDO=:ID_PEDIDO ", false},
        {"SELECT * FROM LINEAS L WHERE L.ID_PEDIDO=:ID_PEDIDO ",
         " \r\n SELECT * FROM LINEAS L WHERE L.ID_PEDIDO=:ID_PEDIDO ", false},
        {" SELECT * FROM LINEAS L WHERE L.ID_PEDIDO=:ID_PEDIDO ",
         "SELECT * FROM LINEAS L WHERE L.ID_PEDIDO=:ID_PEDIDO", true},
        {"SELECT * FROM LINEAS L WHERE L.ID_PEDIDO=:ID_PEDIDO ",
         "SELECT * FROM LINEAS L WHERE L.ID_PEDIDO=:ID_PEDIDO ORDER BY LINEA", true},
    };
    for (const RepeatedTextCase& c : cases) {
        SCOPED_TRACE(c.given);
        SQLDataSet ds("Q_TEST", connection);
        ds.setCommandText(c.held);
        ds.prepare();
        ds.findParam("ID_PEDIDO")->value = Variant(1);
        ds.setCommandText(c.given);
        EXPECT_EQ(ds.prepared(), !c.change);
        ASSERT_NE(ds.findParam("ID_PEDIDO"), nullptr);
        EXPECT_EQ(ds.findParam("ID_PEDIDO")->value.isUnassigned(), c.change);
        // While open, the same statement is no change and another one fails.
        ds.findParam("ID_PEDIDO")->value = Variant(1);
        ds.open();
        EXPECT_EQ(messageOf([&] { ds.setCommandText(c.held); }),
                  c.change ? "Cannot perform this operation on an open dataset" : "(no error)");
    }
}

TEST_F(SqlDataSetTest, ForwardCursorSkipsAndRaisesAfterScrollWhereItStops) {
    SQLDataSet ds("Q_TEST", connection);
    std::vector<std::string> seen;
    ds.afterScroll = [&](SQLDataSet& d) { seen.push_back(d.fieldByName("nombre").asString()); };
    ds.setCommandText("SELECT * FROM CLIENTES ORDER BY ID_CLIENTE");
    ds.open();
    EXPECT_TRUE(ds.bof());
    ds.currentRow();
    EXPECT_EQ(ds.moveBy(0), 0);
    EXPECT_EQ(ds.moveBy(2), 2);
    EXPECT_EQ(ds.fieldByName("ID_CLIENTE").value(), Variant(3));
    ds.next();
    ds.currentRow();
    // Past the end the cursor stays on the last row and the handler saw that row.
    EXPECT_EQ(ds.moveBy(10), 1);
    EXPECT_TRUE(ds.eof());
    ds.currentRow();
    ds.next();
    EXPECT_EQ(seen, (std::vector<std::string>{"ALBA", "CARMEN", "DAVID", "ELENA"}));
    ds.first();
    ds.currentRow();
    EXPECT_EQ(seen.back(), "ALBA");
    EXPECT_EQ(messageOf([&] { ds.fieldByName("NOPE"); }), "Field 'NOPE' not found");

    // An empty result raises nothing.
    ds.close();
    ds.setCommandText("SELECT * FROM CLIENTES WHERE 1 = 0");
    seen.clear();
    ds.open();
    EXPECT_TRUE(ds.eof() && ds.bof());
    EXPECT_TRUE(seen.empty());
}

// Cursor moves and reads of a dataset with an after-scroll handler; the handler writes the
// name it saw into SALDO, so that a value written before it would be lost.
enum class Step { Open, Read, Write, Next, Skip2, SkipPastEnd, First, Close };

struct ScrollCase {
    const char* name;
    std::vector<Step> steps;
    std::vector<std::string> seen;  // the rows the handler ran for, in order
    const char* saldo = nullptr;    // SALDO of the current row at the end, when given
};

void take(SQLDataSet& ds, Step step) {
    switch (step) {
        case Step::Open:
            return ds.open();
        case Step::Read:
            ds.currentRow();
            return;
        case Step::Write:
            return ds.fieldByName("SALDO").setValue(Variant("by step"));
        case Step::Next:
            return ds.next();
        case Step::Skip2:
            ds.moveBy(2);
            return;
        case Step::SkipPastEnd:
            ds.moveBy(10);
            return;
        case Step::First:
            return ds.first();
        case Step::Close:
            return ds.close();
    }
}

TEST_F(SqlDataSetTest, AfterScrollRunsOnceForEachRowRead) {
    using enum Step;
    const ScrollCase cases[] = {
        {"opened, read twice", {Open, Read, Read}, {"ALBA"}, "by handler"},
        {"opened, never read", {Open, Close}, {}},
        {"each step read", {Open, Read, Next, Read, Next, Read}, {"ALBA", "BENITO", "CARMEN"}},
        {"steps over unread rows", {Open, Next, Next, Read}, {"CARMEN"}},
        {"skip passes over rows", {Open, Skip2, Read}, {"CARMEN"}},
        {"skip past the end owes the last row", {Open, SkipPastEnd, Read}, {"ELENA"}},
        {"skip past the end, unread", {Open, SkipPastEnd, Next, Close}, {}},
        {"step past the last row", {Open, Skip2, Next, Next, Read, Next, Read}, {"ELENA"}},
        {"a write completes the row first", {Open, Write, Read}, {"ALBA"}, "by step"},
        {"rewind", {Open, Read, Next, First, Read}, {"ALBA", "ALBA"}},
        {"closing forgets the row", {Open, Close, Open, Read}, {"ALBA"}},
    };
    for (const ScrollCase& c : cases) {
        SCOPED_TRACE(c.name);
        SQLDataSet ds("Q_TEST", connection);
        std::vector<std::string> seen;
        ds.afterScroll = [&](SQLDataSet& d) {
            seen.push_back(d.fieldByName("NOMBRE").asString());
            d.fieldByName("SALDO").setValue(Variant("by handler"));
        };
        ds.setCommandText("SELECT * FROM CLIENTES ORDER BY ID_CLIENTE");
        for (Step step : c.steps)
            take(ds, step);
        EXPECT_EQ(seen, c.seen);
        if (c.saldo) {
            EXPECT_EQ(ds.fieldByName("SALDO").value(), Variant(c.saldo));
        }
    }
}

TEST_F(SqlDataSetTest, AStatementTheDatabaseRefusesIsTracedWithItsError) {
    struct Refused {
        const char* sql;
        bool query;  // opened, or executed
        const char* message;
    };
    const Refused cases[] = {
        {"SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = X9", true, "no such column: X9"},
        {"UPDATE NOPE SET A = 1", false, "no such table: NOPE"},
    };
    for (const Refused& c : cases) {
        SQLDataSet ds("Q_TEST", connection);
        ds.setCommandText(c.sql);
        EXPECT_EQ(messageOf([&] { c.query ? ds.open() : (void)ds.execSQL(); }), c.message);
        EXPECT_EQ(database.trace().lines().back(),
                  std::string(R"({"sql":")") + c.sql + R"(","params":[],"connection":0})");
        EXPECT_FALSE(ds.active());
    }
}

TEST_F(SqlDataSetTest, NamedParametersBindByNameWithoutRegardToCase) {
    EXPECT_EQ(db::parseParamNames(
                  "SELECT ':X', \":Y\" FROM T WHERE A = :id AND B = :Name OR C = :ID AND d::int"),
              (std::vector<std::string>{"id", "Name"}));
    SQLDataSet ds("Q_TEST", connection);
    ds.setCommandText("SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = :Id OR NOMBRE = :NOMBRE");
    ASSERT_EQ(ds.params().size(), 2u);
    ds.findParam("ID")->value = Variant(2);
    ds.findParam("nombre")->value = Variant::null();
    ds.open();
    EXPECT_EQ(ds.value(0), Variant("BENITO"));
    ds.next();
    EXPECT_TRUE(ds.eof());
    auto lines = database.trace().lines();
    EXPECT_EQ(
        lines.back(),
        R"({"sql":"SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = :Id OR NOMBRE = :NOMBRE","params":[2,null],"connection":0})");
}

TEST_F(SqlDataSetTest, DetailFollowsItsMaster) {
    SQLDataSet master("QMD_M", connection), detail("QMD_D", connection);
    db::DataSource source("DSM", &master);
    detail.setMasterSource(&source);
    EXPECT_EQ(master.details(), std::vector<SQLDataSet*>{&detail});
    master.setCommandText("SELECT * FROM PEDIDOS ORDER BY ID_PEDIDO");
    detail.setCommandText("SELECT LINEA FROM LINEAS WHERE ID_PEDIDO = :ID_PEDIDO ORDER BY LINEA");
    master.open();
    detail.open();
    EXPECT_EQ(detail.value(0), Variant(1));
    detail.next();
    EXPECT_EQ(detail.value(0), Variant(2));
    detail.close();
    master.next();
    detail.open();
    EXPECT_TRUE(detail.eof());
}

TEST_F(SqlDataSetTest, ADetailTakesItsParametersByNameWhateverTheMastersColumns) {
    // One master and one detail, opened in turn on each statement of the master: the detail keeps
    // its compiled statement and its fields throughout, while the master's columns move.
    struct MasterCase {
        const char* masterSql;
        std::vector<std::vector<int>> lines;  // the detail's LINEA values for each master row
    };
    const MasterCase cases[] = {
        {"SELECT * FROM PEDIDOS ORDER BY ID_PEDIDO", {{1, 2}, {}, {1}}},
        {"SELECT TOTAL, ID_CLIENTE, ID_PEDIDO FROM PEDIDOS ORDER BY ID_PEDIDO DESC",
         {{1}, {}, {1, 2}}},
        {"SELECT TOTAL, ID_CLIENTE, ID_PEDIDO FROM PEDIDOS ORDER BY ID_PEDIDO DESC",
         {{1}, {}, {1, 2}}},
        {"SELECT ID_PEDIDO, TOTAL FROM PEDIDOS WHERE ID_PEDIDO > 10 ORDER BY ID_PEDIDO", {{}, {1}}},
        {"SELECT * FROM PEDIDOS ORDER BY ID_PEDIDO", {{1, 2}, {}, {1}}},
    };
    SQLDataSet master("QMD_M", connection), detail("QMD_D", connection);
    db::DataSource source("DSM", &master);
    detail.setMasterSource(&source);
    detail.setCommandText("SELECT LINEA FROM LINEAS WHERE ID_PEDIDO = :ID_PEDIDO ORDER BY LINEA");
    for (const MasterCase& c : cases) {
        SCOPED_TRACE(c.masterSql);
        master.setCommandText(c.masterSql);
        std::vector<std::vector<int>> lines;
        for (master.open(); !master.eof(); master.next()) {
            std::vector<int>& ofRow = lines.emplace_back();
            for (detail.open(); !detail.eof(); detail.next())
                ofRow.push_back(detail.value(0).toInt32());
            ASSERT_EQ(detail.fieldCount(), 1);
            EXPECT_EQ(detail.fieldDefs()[0].name, "LINEA");
            detail.close();
        }
        master.close();
        EXPECT_EQ(lines, c.lines);
    }
}

TEST_F(SqlDataSetTest, FieldsFromColumnsAreRequiredWhereTheTableSaysNotNull) {
    struct RequiredCase {
        const char* sql;
        std::vector<bool> required;
    };
    const RequiredCase cases[] = {
        {"SELECT ID_CLIENTE, NOMBRE FROM CLIENTES", {true, false}},
        {"SELECT L.LINEA, L.ARTICULO, P.ID_PEDIDO, P.TOTAL FROM LINEAS L JOIN PEDIDOS P ON "
         "P.ID_PEDIDO = L.ID_PEDIDO",
         {true, false, true, false}},
        {"SELECT ID_PEDIDO + 1, COUNT(*) FROM LINEAS GROUP BY ID_PEDIDO", {false, false}},
    };
    for (const RequiredCase& c : cases) {
        SCOPED_TRACE(c.sql);
        SQLDataSet ds("Q_TEST", connection);
        ds.setCommandText(c.sql);
        // Told on the first open, and on an open that keeps the fields of the one before.
        for (int open = 0; open < 2; ++open) {
            ds.open();
            std::vector<bool> required;
            for (const db::FieldDef& def : ds.fieldDefs())
                required.push_back(def.required);
            EXPECT_EQ(required, c.required);
            EXPECT_EQ(ds.field(0).def().required, c.required[0]);
            ds.close();
        }
    }
}

TEST_F(SqlDataSetTest, ExecSqlCountsRowsAndPrepareKeepsTheStatement) {
    SQLDataSet ds("Q_TEST", connection);
    ds.setCommandText("UPDATE CLIENTES SET BORRADO = 1 WHERE BORRADO = 0");
    ds.prepare();
    EXPECT_TRUE(ds.prepared());
    EXPECT_EQ(ds.execSQL(), 4);
    EXPECT_EQ(ds.execSQL(), 0);
    ds.unprepare();
    EXPECT_FALSE(ds.prepared());
    EXPECT_EQ(database.scalar("SELECT COUNT(*) FROM CLIENTES WHERE BORRADO = 1"), "4");
}

// A statement run directly: the rows it affects, or the message it fails with. Either way it is
// in the trace as sent, without parameters.
struct DirectCase {
    const char* sql;
    std::int64_t affected;
    const char* message;
};

TEST_F(SqlDataSetTest, ExecSqlDirectSendsTheTextAsItStands) {
    const DirectCase cases[] = {
        {"UPDATE CLIENTES SET BORRADO = 1 WHERE BORRADO = 0", 4, "(no error)"},
        {"UPDATE CLIENTES SET NOMBRE = 'L''HORTA' WHERE ID_CLIENTE = 3", 1, "(no error)"},
        {"SELECT * FROM CLIENTES", 0, "(no error)"},
        // The dataset's parameters are not taken, even when one has a value.
        {"UPDATE CLIENTES SET NOMBRE = :NOMBRE WHERE ID_CLIENTE = 3", 0,
         "No value for parameter 'NOMBRE'"},
        {"UPDATE CLIENTES SET NOMBRE = ? WHERE ID_CLIENTE = 3", 0, "No value for parameter '?'"},
        {"UPDATE NOPE SET X = 1", 0, "no such table: NOPE"},
    };
    for (const DirectCase& c : cases) {
        SCOPED_TRACE(c.sql);
        SQLDataSet ds("Q_TEST", connection);
        ds.setCommandText(c.sql);
        if (db::DataSetParam* p = ds.findParam("NOMBRE")) p->value = Variant("X");
        std::int64_t affected = 0;
        EXPECT_EQ(messageOf([&] { affected = ds.execSQL(db::Execution::Direct); }), c.message);
        EXPECT_EQ(affected, c.affected);
        EXPECT_FALSE(ds.prepared());
        EXPECT_EQ(database.trace().lines().back(),
                  R"({"sql":")" + std::string(c.sql) + R"(","params":[],"connection":0})");
    }
    EXPECT_EQ(database.scalar("SELECT NOMBRE FROM CLIENTES WHERE ID_CLIENTE = 3"), "L'HORTA");
    SQLDataSet empty("Q_TEST", connection);
    EXPECT_EQ(messageOf([&] { empty.execSQL(db::Execution::Direct); }),
              "Missing query, table name or procedure name");
}

// A statement run on the connection with its parameters, by either way the connection offers: it is
// in the trace as sent, also when the database refuses to compile it.
struct ConnectionCase {
    const char* sql;
    bool firstRow;  // read its first row instead of executing it
    const char* message;
};

TEST_F(SqlDataSetTest, ConnectionStatementsAreTracedWhetherOrNotTheyCompile) {
    const ConnectionCase cases[] = {
        {"UPDATE CLIENTES SET NOMBRE = ? WHERE ID_CLIENTE = 3", false, "(no error)"},
        {"UPDATE CLIENTES SET NOPE = ? WHERE ID_CLIENTE = 3", false, "no such column: NOPE"},
        {"SELECT NOMBRE FROM CLIENTES WHERE NOMBRE <> ?", true, "(no error)"},
        {"SELECT NOMBRE FROM NOPE WHERE NOMBRE <> ?", true, "no such table: NOPE"},
    };
    for (const ConnectionCase& c : cases) {
        SCOPED_TRACE(c.sql);
        const std::vector<Variant> params{Variant("X")};
        EXPECT_EQ(messageOf([&] {
                      if (c.firstRow)
                          connection.firstRow(c.sql, params);
                      else
                          connection.execute(c.sql, params);
                  }),
                  c.message);
        EXPECT_EQ(database.trace().lines().back(),
                  R"({"sql":")" + std::string(c.sql) + R"(","params":["X"],"connection":0})");
    }
}

// One step on the connection's savepoints: what it does, the message it fails with, and the
// lines of order 10 that the transaction sees afterwards.
struct SavepointStep {
    enum Action { Begin, DeleteOrder10, Set, Release, RollBackTo, Commit, RollBack } action;
    const char* name;
    const char* message;
    const char* linesOf10;
};

TEST_F(SqlDataSetTest, SavepointsUndoOrKeepWhatRanAfterThem) {
    using enum SavepointStep::Action;
    const SavepointStep steps[] = {
        {Set, "A", "There is no active transaction", "2"},
        {Begin, "", "(no error)", "2"},
        {Set, "A", "(no error)", "2"},
        {DeleteOrder10, "", "(no error)", "0"},
        {RollBackTo, "A", "(no error)", "2"},
        // Rolled back to, a savepoint stays; released, it goes, with those set after it.
        {DeleteOrder10, "", "(no error)", "0"},
        {Set, "B", "(no error)", "0"},
        {Release, "A", "(no error)", "0"},
        {RollBackTo, "B", "There is no savepoint B", "0"},
        {Release, "A", "There is no savepoint A", "0"},
        // The end of the transaction ends its savepoints.
        {Set, "C", "(no error)", "0"},
        {RollBack, "", "(no error)", "2"},
        {RollBackTo, "C", "There is no savepoint C", "2"},
        {Begin, "", "(no error)", "2"},
        {Set, "D", "(no error)", "2"},
        {DeleteOrder10, "", "(no error)", "0"},
        {Commit, "", "(no error)", "0"},
        {Release, "D", "There is no savepoint D", "0"},
    };
    db::TransactionDesc t;
    SQLDataSet ds("Q_TEST", connection);
    ds.setCommandText("DELETE FROM LINEAS WHERE ID_PEDIDO = 10");
    SQLDataSet count("Q_COUNT", connection);
    count.setCommandText("SELECT COUNT(*) FROM LINEAS WHERE ID_PEDIDO = 10");
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const SavepointStep& step = steps[i];
        SCOPED_TRACE("step " + std::to_string(i + 1));
        EXPECT_EQ(messageOf([&] {
                      switch (step.action) {
                          case Begin:
                              return connection.startTransaction(t);
                          case DeleteOrder10:
                              return static_cast<void>(ds.execSQL());
                          case Set:
                              return connection.savepoint(step.name);
                          case Release:
                              return connection.releaseSavepoint(step.name);
                          case RollBackTo:
                              return connection.rollbackToSavepoint(step.name);
                          case Commit:
                              return connection.commit(t);
                          case RollBack:
                              return connection.rollback(t);
                      }
                  }),
                  step.message);
        if (step.action == Set && std::string_view(step.message) == "(no error)") {
            EXPECT_TRUE(connection.hasSavepoint(step.name));
        }
        count.open();
        EXPECT_EQ(count.value(0).toString(), step.linesOf10);
        count.close();
    }
    EXPECT_EQ(database.scalar("SELECT COUNT(*) FROM LINEAS WHERE ID_PEDIDO = 10"), "0");
    const std::vector<std::string> trace = database.trace().lines();
    EXPECT_NE(std::find(trace.begin(), trace.end(),
                        R"({"sql":"ROLLBACK TO SAVEPOINT A","params":[],"connection":0})"),
              trace.end());
}

TEST_F(SqlDataSetTest, AReopenedStatementSeesTheSchemaAsItIsNow) {
    SQLDataSet ds("Q_TEST", connection);
    ds.setCommandText("SELECT * FROM CLIENTES WHERE ID_CLIENTE = 1");
    ds.open();
    const int before = ds.fieldCount();
    ds.close();
    // Another connection adds a column while the statement is kept compiled.
    database.exec("ALTER TABLE CLIENTES ADD COLUMN ZONA VARCHAR(10)");
    database.exec("UPDATE CLIENTES SET ZONA = 'NORTE' WHERE ID_CLIENTE = 1");
    ds.open();
    ASSERT_EQ(ds.fieldCount(), before + 1);
    EXPECT_EQ(ds.fieldByName("ZONA").value(), Variant("NORTE"));
    ds.close();
}

TEST_F(SqlDataSetTest, DriverSpeaksTheDialectTheStatementsUse) {
    SQLDataSet ds("Q_TEST", connection);
    // CHAR gives the text of a number; LIKE compares letter case; names come in upper case.
    ds.setCommandText(
        "SELECT id_cliente, nombre FROM CLIENTES WHERE CHAR(ID_CLIENTE) LIKE ('1%') OR NOMBRE LIKE "
        "('elena%')");
    ds.open();
    EXPECT_EQ(ds.fieldDefs().at(0).name, "ID_CLIENTE");
    EXPECT_EQ(ds.fieldDefs().at(1).name, "NOMBRE");
    EXPECT_EQ(ds.value(1), Variant("ALBA"));
    ds.next();
    EXPECT_TRUE(ds.eof());
    ds.close();
    ds.setCommandText(
        "SELECT CHAR(BORRADO), CHAR(SALDO), CHAR(NULL) FROM CLIENTES WHERE ID_CLIENTE = 4");
    ds.open();
    EXPECT_EQ(ds.value(0), Variant("-1"));
    EXPECT_EQ(ds.value(1), Variant("-2.25"));
    EXPECT_TRUE(ds.value(2).isNull());
    // Keys: a composite primary key, and an INTEGER PRIMARY KEY that has no index of its own.
    EXPECT_EQ(ds.keyFields("LINEAS"), (std::vector<std::string>{"ID_PEDIDO", "LINEA"}));
    EXPECT_EQ(ds.keyFields("pedidos"), std::vector<std::string>{"ID_PEDIDO"});
}

TEST_F(SqlDataSetTest, TransactionsOneAtATimeWithTheirMessages) {
    db::TransactionDesc t;
    t.transactionID = 1;
    EXPECT_EQ(messageOf([&] { connection.commit(t); }), "There is no active transaction");
    EXPECT_EQ(messageOf([&] { connection.rollback(t); }), "There is no active transaction");
    connection.startTransaction(t);
    EXPECT_TRUE(connection.inTransaction());
    EXPECT_EQ(messageOf([&] { connection.startTransaction(t); }),
              "A transaction is already active");
    SQLDataSet ds("Q_TEST", connection);
    ds.setCommandText("DELETE FROM LINEAS");
    ds.execSQL();
    connection.rollback(t);
    EXPECT_FALSE(connection.inTransaction());
    EXPECT_EQ(database.scalar("SELECT COUNT(*) FROM LINEAS"), "3");
}

TEST_F(SqlDataSetTest, IsolationLevelFromItsParameter) {
    auto level = [&](const char* value) {
        connection.params().setValue("db2 transisolation", value);
        return connection.isolationLevel();
    };
    EXPECT_EQ(level("ReadCommited"), db::IsolationLevel::ReadCommitted);
    EXPECT_EQ(level("DIRTYREAD"), db::IsolationLevel::DirtyRead);
    EXPECT_EQ(level("repeatableRead"), db::IsolationLevel::RepeatableRead);
    EXPECT_EQ(level("serializable"), db::IsolationLevel::ReadCommitted);
}

}  // namespace
}  // namespace zorvanil::test
