#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/sql_connection.hpp"
#include "support/case_names.hpp"
#include "support/message_of.hpp"
#include "support/test_server.hpp"

namespace zorvanil::test {
namespace {

// One step on the connection, which keeps the statements it runs with parameters compiled from
// one run to the next: a statement run (`Run`: the rows it affected), a query's first row
// (`First`: its values joined by '|'), the connection closed and opened again by its next
// statement (`Close`), or SQL run by another connection meanwhile (`Other`: the first column of
// its first row). Each gives its result, or the message of its error.
struct Step {
    enum Action { Run, First, Close, Other } action;
    std::string sql;
    std::vector<Variant> params;
    std::string result;
};

struct KeptCase {
    const char* name;
    std::vector<Step> steps;
    std::string rowsAfter;  // of KEPT afterwards, "A:B" by A, joined by ';'
};

void PrintTo(const KeptCase& c, std::ostream* os) {
    *os << c.name << ", " << c.steps.size() << " steps";
}

const std::string kInsert = "INSERT INTO KEPT (A, B) VALUES (?, ?)";
const std::string kSelect = "SELECT * FROM KEPT WHERE A >= ?";

// More texts than the connection keeps, each an INSERT of its own, all run twice in turn.
KeptCase manyTexts() {
    KeptCase c{"MoreTextsThanAreKept", {}, ""};
    for (int round = 0; round < 2; ++round) {
        for (int t = 0; t < 20; ++t) {
            const int a = 100 + 20 * round + t;
            const std::string b = "T" + std::to_string(t);
            c.steps.push_back(
                {Step::Run, "INSERT INTO KEPT (A, B) VALUES (?, '" + b + "')", {Variant(a)}, "1"});
            c.rowsAfter += (c.rowsAfter.empty() ? "" : ";") + std::to_string(a) + ":" + b;
        }
    }
    return c;
}

const KeptCase kCases[] = {
    {"ARepeatedTextRunsWithItsNewValues",
     {{Step::Run, kInsert, {Variant(1), Variant("ONE")}, "1"},
      {Step::Run, kInsert, {Variant(2), Variant("TWO")}, "1"},
      {Step::First, kSelect, {Variant(2)}, "2|TWO"}},
     "1:ONE;2:TWO"},
    // A value left out is null, as in a statement compiled afresh, not the last run's value.
    {"AParameterWithoutValueIsNull",
     {{Step::Run, kInsert, {Variant(1), Variant("ONE")}, "1"},
      {Step::Run, kInsert, {Variant(2)}, "1"}},
     "1:ONE;2:"},
    {"AFailedRunLeavesTheStatementUsable",
     {{Step::Run, kInsert, {Variant(1), Variant("ONE")}, "1"},
      {Step::Run, kInsert, {Variant(1), Variant("AGAIN")}, "UNIQUE constraint failed: KEPT.A"},
      {Step::Run, kInsert, {Variant(2), Variant("TWO")}, "1"}},
     "1:ONE;2:TWO"},
    // A kept query holds no read of the database once it has given its row: another connection
    // can write and truncate the log (the checkpoint reports 0, not busy).
    {"AKeptQueryHoldsNoRead",
     {{Step::Run, kInsert, {Variant(1), Variant("ONE")}, "1"},
      {Step::Run, kInsert, {Variant(2), Variant("TWO")}, "1"},
      {Step::First, kSelect, {Variant(1)}, "1|ONE"},
      {Step::Other, "INSERT INTO KEPT VALUES (3, 'THREE')", {}, ""},
      {Step::Other, "PRAGMA wal_checkpoint(TRUNCATE)", {}, "0"},
      {Step::First, kSelect, {Variant(3)}, "3|THREE"}},
     "1:ONE;2:TWO;3:THREE"},
    {"AColumnAddedMeanwhileIsSeen",
     {{Step::Run, kInsert, {Variant(1), Variant("ONE")}, "1"},
      {Step::First, kSelect, {Variant(1)}, "1|ONE"},
      {Step::Other, "ALTER TABLE KEPT ADD COLUMN C VARCHAR(10) DEFAULT 'NEW'", {}, ""},
      {Step::First, kSelect, {Variant(1)}, "1|ONE|NEW"}},
     "1:ONE"},
    {"ATableDroppedMeanwhileFailsAndMadeAgainServes",
     {{Step::Run, kInsert, {Variant(1), Variant("ONE")}, "1"},
      {Step::Other, "DROP TABLE KEPT", {}, ""},
      {Step::Run, kInsert, {Variant(2), Variant("TWO")}, "no such table: KEPT"},
      {Step::Other, "CREATE TABLE KEPT (A INTEGER PRIMARY KEY, B VARCHAR(10))", {}, ""},
      {Step::Run, kInsert, {Variant(3), Variant("THREE")}, "1"}},
     "3:THREE"},
    {"ReconnectedTheStatementsRunAgain",
     {{Step::Run, kInsert, {Variant(1), Variant("ONE")}, "1"},
      {Step::Close, "", {}, "(no error)"},
      {Step::Run, kInsert, {Variant(2), Variant("TWO")}, "1"},
      {Step::First, kSelect, {Variant(2)}, "2|TWO"}},
     "1:ONE;2:TWO"},
    manyTexts(),
};

class KeptStatementTest : public ::testing::TestWithParam<KeptCase> {
  protected:
    KeptStatementTest()
        : connection(db::SQLConnection::Settings{},
                     db::ParamList{{"Database", database.file().string()}}, {}) {}

    std::string run(const Step& step) {
        std::string result;
        const std::string message = messageOf([&] {
            switch (step.action) {
                case Step::Run:
                    result = std::to_string(connection.execute(step.sql, step.params));
                    return;
                case Step::First:
                    for (const Variant& v : connection.firstRow(step.sql, step.params))
                        result += (result.empty() ? "" : "|") + v.toString();
                    return;
                case Step::Close:
                    connection.close();
                    result = "(no error)";
                    return;
                case Step::Other:
                    result = database.scalar(step.sql);
                    return;
            }
        });
        return message == "(no error)" ? result : message;
    }

    TestDatabase database{"CREATE TABLE KEPT (A INTEGER PRIMARY KEY, B VARCHAR(10))"};
    db::SQLConnection connection;
};

TEST_P(KeptStatementTest, RunsAsIfCompiledAfresh) {
    const KeptCase& c = GetParam();
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
        SCOPED_TRACE("step " + std::to_string(i + 1) + ": " + c.steps[i].sql);
        EXPECT_EQ(run(c.steps[i]), c.steps[i].result);
    }
    EXPECT_EQ(database.scalar("SELECT GROUP_CONCAT(A || ':' || IFNULL(B, ''), ';') FROM "
                              "(SELECT * FROM KEPT ORDER BY A)"),
              c.rowsAfter);
}

INSTANTIATE_TEST_SUITE_P(Connection, KeptStatementTest, ::testing::ValuesIn(kCases), CaseName());

// The key fields of a table asked for twice, with another connection's change of the schema
// between: the second answer is the schema's as it is then.
struct KeyCase {
    const char* name;
    const char* schemaBefore;
    const char* changeBetween;
    std::vector<std::string> before, after;
};

void PrintTo(const KeyCase& c, std::ostream* os) {
    *os << c.schemaBefore << " then " << c.changeBetween;
}

const KeyCase kKeyCases[] = {
    {"Unchanged",
     "CREATE TABLE KEYED (A INTEGER NOT NULL, B INTEGER NOT NULL, PRIMARY KEY (A, B))",
     "INSERT INTO KEYED VALUES (1, 2)",
     {"A", "B"},
     {"A", "B"}},
    {"PrimaryKeyChanged",
     "CREATE TABLE KEYED (A INTEGER NOT NULL, B INTEGER NOT NULL, PRIMARY KEY (A, B))",
     "DROP TABLE KEYED; CREATE TABLE KEYED (A INTEGER NOT NULL, B INTEGER NOT NULL, PRIMARY KEY "
     "(B))",
     {"A", "B"},
     {"B"}},
    {"UniqueIndexAdded",
     "CREATE TABLE KEYED (A INTEGER, B INTEGER)",
     "CREATE UNIQUE INDEX KEYED_B ON KEYED (B)",
     {},
     {"B"}},
};

class KeyFieldsTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyFieldsTest, FollowTheSchema) {
    const KeyCase& c = GetParam();
    TestDatabase database(c.schemaBefore);
    db::SQLConnection connection(db::SQLConnection::Settings{},
                                 db::ParamList{{"Database", database.file().string()}}, {});
    EXPECT_EQ(connection.driverConnection().uniqueIndexFields("KEYED"), c.before);
    database.exec(c.changeBetween);
    EXPECT_EQ(connection.driverConnection().uniqueIndexFields("KEYED"), c.after);
}

INSTANTIATE_TEST_SUITE_P(Connection, KeyFieldsTest, ::testing::ValuesIn(kKeyCases), CaseName());

}  // namespace
}  // namespace zorvanil::test
