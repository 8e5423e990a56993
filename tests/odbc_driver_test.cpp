#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <ostream>

#include "common/error.hpp"
#include "db/named_parameters.hpp"
#include "db/odbc_driver.hpp"
#include "support/case_names.hpp"
#include "support/message_of.hpp"
#include "support/project_files.hpp"
#include "support/server_fixture.hpp"
#include "support/test_driver.hpp"

namespace zorvanil::test {
namespace {

// A client's SQL that the database refuses, and the SQLite ODBC driver's own text for it.
struct RefusedSqlCase {
    const char* name;
    const char* sql;
    const char* message;
};

void PrintTo(const RefusedSqlCase& c, std::ostream* os) {
    *os << c.sql;
}

const RefusedSqlCase kRefusedSql[] = {
    {"no_such_table", "DELETE FROM NOSUCH", "[SQLite]no such table: NOSUCH (1)"},
    {"syntax_error", "SELEC 1", "[SQLite]near \"SELEC\": syntax error (1)"},
    {"trigger_refusal", "DELETE FROM EAN WHERE CODIGO_BARRAS = '8400000000028'",
     "[SQLite]bar code still in use (19)"},
    {"key_violation", "INSERT INTO CLIENTES (ID_CLIENTE) VALUES (1)",
     "[SQLite]UNIQUE constraint failed: CLIENTES.ID_CLIENTE (19)"},
};

// The server object on the odbc driver, whichever driver the other suites use.
class OdbcDriverRefusal : public ServerFixture,
                          public ::testing::WithParamInterface<RefusedSqlCase> {
  protected:
    OdbcDriverRefusal() {
        db.environment()->connection.driverImplementation = "odbc";
        writeFile(db.environment()->connectionFile,
                  "user\r\nsecret\r\n" + sqliteOdbcConnectionString(db.file()) + "\r\n");
    }
};

TEST_P(OdbcDriverRefusal, TheClientReadsTheDriversOwnText) {
    Variant params;
    Variant owner;
    const server::CallStatus status =
        module().AS_Execute("DSPQ_ACTUALIZAR", GetParam().sql, params, owner);
    EXPECT_EQ(status.status, kGeneralFailure);
    EXPECT_EQ(status.message, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Sql, OdbcDriverRefusal, ::testing::ValuesIn(kRefusedSql), CaseName());

// A database alias and what connecting to it answers.
struct ConnectCase {
    const char* name;
    std::string alias;
    std::string message;  // "(no error)" when it connects
};

void PrintTo(const ConnectCase& c, std::ostream* os) {
    *os << quotedText(c.alias);
}

// Data sources of a per-test odbc.ini (ODBCINI), so that the cases need nothing of the machine.
class OdbcDriverConnect : public ::testing::TestWithParam<ConnectCase> {
  protected:
    void SetUp() override {
        // The driver manager loads its data-source reader (libodbcinst) when it reads an odbc.ini
        // and unloads it when the last connection goes, leaving the reader's cache of the file
        // allocated and no longer reachable: the leak checker would count it against the test.
        // Kept loaded, the cache stays reachable from the library, as in a running server.
        ::dlopen("libodbcinst.so.2", RTLD_NOW | RTLD_NODELETE);
        writeFile(dir / "odbc.ini",
                  "[ZORVANIL_TEST]\nDriver=" + sqliteOdbcDriverPath() +
                      "\nDatabase=" + db.file().string() + "\nLoadExt=" + db2ExtensionPath() +
                      "\nNoCreat=1\n\n[BROKEN]\nDriver=" + (dir / "libnone.so").string() +
                      "\nDatabase=x\n");
        ::setenv("ODBCINI", (dir / "odbc.ini").c_str(), 1);
    }
    void TearDown() override { ::unsetenv("ODBCINI"); }

    TestDatabase db{kShopDdl};
    TempDir dir;
};

TEST_P(OdbcDriverConnect, NamesWhatCannotBeOpened) {
    db::ConnectRequest request;
    request.database = GetParam().alias;
    request.userName = "z";
    request.password = "z";
    EXPECT_EQ(messageOf([&] {
                  auto connection = db::OdbcDriver().connect(request);
                  // The DB2 functions came with the data source.
                  auto statement = connection->prepare("SELECT CHAR(ID_CLIENTE) FROM CLIENTES");
                  statement->execute();
                  ASSERT_TRUE(statement->fetch());
                  EXPECT_EQ(statement->value(0).toString(), "1");
              }),
              GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Aliases, OdbcDriverConnect,
    ::testing::Values(
        ConnectCase{"data_source", "ZORVANIL_TEST", "(no error)"},
        ConnectCase{"unknown_data_source", "NOSUCH",
                    "Unknown data source NOSUCH: [unixODBC][Driver Manager]Data source name not "
                    "found and no default driver specified"},
        ConnectCase{"driver_not_loadable", "BROKEN", "Unable to Load BROKEN"},
        ConnectCase{"connection_string_driver_not_loadable",
                    "DRIVER=/nonexistent/libnone.so;DATABASE=x",
                    "Unable to Load /nonexistent/libnone.so"}),
    CaseName());

// Named parameters as the driver sends them: "?" in order, names kept for the dataset.
struct MarkerCase {
    const char* name;
    const char* sql;
    const char* sent;
    std::vector<std::string> names;
};

void PrintTo(const MarkerCase& c, std::ostream* os) {
    *os << quotedText(c.sql);
}

class OdbcDriverMarkers : public ::testing::TestWithParam<MarkerCase> {};

TEST_P(OdbcDriverMarkers, NamedParametersBecomeQuestionMarks) {
    const db::MarkedStatement marked = db::markParameters(GetParam().sql);
    EXPECT_EQ(marked.text, GetParam().sent);
    EXPECT_EQ(marked.names, GetParam().names);
}

INSTANTIATE_TEST_SUITE_P(
    Statements, OdbcDriverMarkers,
    ::testing::Values(
        MarkerCase{"in_order",
                   "SELECT * FROM L WHERE A = :ID_PEDIDO AND B = :linea_2",
                   "SELECT * FROM L WHERE A = ? AND B = ?",
                   {"ID_PEDIDO", "linea_2"}},
        MarkerCase{"question_marks_stay", "VALUES (?, :B)", "VALUES (?, ?)", {"", "B"}},
        MarkerCase{"literal_with_colons",
                   "SELECT '10:30:00', 'it'':A' FROM T WHERE A=:A",
                   "SELECT '10:30:00', 'it'':A' FROM T WHERE A=?",
                   {"A"}},
        MarkerCase{"quoted_identifier", "SELECT \"X:Y\" FROM T", "SELECT \"X:Y\" FROM T", {}},
        MarkerCase{
            "comments", "SELECT 1 -- :A\n/* :B */ FROM T", "SELECT 1 -- :A\n/* :B */ FROM T", {}},
        MarkerCase{"colon_alone", "SELECT a : b, :1", "SELECT a : b, :1", {}}),
    CaseName());

}  // namespace
}  // namespace zorvanil::test
