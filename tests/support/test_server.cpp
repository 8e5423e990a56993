#include "support/test_server.hpp"

#include <cstdlib>

#include <boost/json.hpp>

#include "catalogue/connection_defaults.hpp"
#include "support/raw_sqlite.hpp"
#include "support/test_driver.hpp"

namespace zorvanil::test {

const char* const kShopDdl = R"(
CREATE TABLE CLIENTES (ID_CLIENTE INTEGER NOT NULL PRIMARY KEY, NOMBRE VARCHAR(50), NIF CHAR(9),
  ALTA DATE, HORA TIME, SALDO DOUBLE, BORRADO SMALLINT);
INSERT INTO CLIENTES VALUES (1, 'ALBA', '11111111A', '2024-01-15', '09:30:00', 10.5, 0);
INSERT INTO CLIENTES VALUES (2, 'BENITO', '22222222B', '2024-02-20', '10:00:00', 0, 0);
INSERT INTO CLIENTES VALUES (3, 'CARMEN', '33333333C', NULL, NULL, NULL, 0);
INSERT INTO CLIENTES VALUES (4, 'DAVID', '44444444D', '2024-03-01', '12:15:30', -2.25, -1);
INSERT INTO CLIENTES VALUES (5, 'ELENA', '55555555E', '2024-04-10', '18:45:00', 100, 0);
CREATE TABLE PEDIDOS (ID_PEDIDO INTEGER NOT NULL PRIMARY KEY, ID_CLIENTE INTEGER, TOTAL DOUBLE);
INSERT INTO PEDIDOS VALUES (10, 1, 30);
INSERT INTO PEDIDOS VALUES (11, 2, 0);
INSERT INTO PEDIDOS VALUES (12, 1, 12.5);
CREATE TABLE LINEAS (ID_PEDIDO INTEGER NOT NULL, LINEA INTEGER NOT NULL, ARTICULO VARCHAR(20),
  CANTIDAD DOUBLE, PRIMARY KEY (ID_PEDIDO, LINEA));
INSERT INTO LINEAS VALUES (10, 1, 'TORNILLO', 10);
INSERT INTO LINEAS VALUES (10, 2, 'TUERCA', 20);
INSERT INTO LINEAS VALUES (12, 1, 'ARANDELA', 5);
CREATE TABLE EAN (CODIGO_BARRAS VARCHAR(20) NOT NULL PRIMARY KEY, ID_ARTICULO VARCHAR(30), ENUSO SMALLINT);
INSERT INTO EAN VALUES ('8400000000011', 'TORNILLO', 0);
INSERT INTO EAN VALUES ('8400000000028', 'TUERCA', 1);
INSERT INTO EAN VALUES ('8400000000035', 'ARANDELA', 0);
CREATE TRIGGER EAN_IN_USE BEFORE DELETE ON EAN WHEN OLD.ENUSO = 1
  BEGIN SELECT RAISE(ABORT, 'bar code still in use'); END;
CREATE TRIGGER EAN_NO_EMPTY BEFORE UPDATE ON EAN WHEN NEW.ID_ARTICULO = ''
  BEGIN SELECT RAISE(ABORT, 'article required'); END;
)";

const char* const kSmallTableDdl = R"(
CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20));
INSERT INTO T VALUES (1, 'ONE'), (2, 'TWO'), (3, 'THREE');
)";

TestDatabase::TestDatabase(const std::string& ddl)
    : file_(dir_ / "shop.db"),
      trace_(std::make_shared<db::SqlTrace>()),
      reported_(std::make_shared<std::vector<std::string>>()) {
    {
        RawSqlite db(file_);
        db.exec("PRAGMA journal_mode=WAL");
        if (!ddl.empty()) db.exec("BEGIN;" + ddl + ";COMMIT;");
    }

    env_ = server::ServerEnvironment::makeDefault();
    env_->connectionFile = dir_ / "connection.txt";
    env_->creationFile = dir_ / "creation.txt";
    env_->connection.trace = trace_;
    env_->connection.driverImplementation = testDriver();
    env_->configFiles = std::make_shared<db::ConfigFileProcedure>(
        db::ConfigValues{std::string(catalogue::kDefaultUserName),
                         std::string(catalogue::kDefaultPassword),
                         std::string(catalogue::kDefaultDatabase)},
        [r = reported_](std::string_view m, std::string_view) { r->emplace_back(m); });
    pointConnectionFileAt(file_);
    // ZORVANIL_TEST_LOG shows the server's log while a test runs.
    env_->logger->set_level(std::getenv("ZORVANIL_TEST_LOG") ? spdlog::level::debug
                                                             : spdlog::level::off);
}

void TestDatabase::pointConnectionFileAt(const std::filesystem::path& database) const {
    writeFile(env_->connectionFile, "user\r\nsecret\r\n" + databaseAlias(database) + "\r\n");
}

std::vector<std::string> TestDatabase::statements() const {
    std::vector<std::string> out;
    for (auto& line : trace_->lines()) {
        std::string sql(boost::json::parse(line).at("sql").as_string());
        const bool savepoint = sql.rfind("SAVEPOINT ", 0) == 0 ||
                               sql.rfind("RELEASE SAVEPOINT ", 0) == 0 ||
                               sql.rfind("ROLLBACK TO SAVEPOINT ", 0) == 0;
        if (sql != "BEGIN IMMEDIATE" && sql != "COMMIT" && sql != "ROLLBACK" && !savepoint)
            out.push_back(sql);
    }
    return out;
}

void TestDatabase::exec(const std::string& sql) const {
    RawSqlite(file_).exec(sql);
}

std::string TestDatabase::scalar(const std::string& sql) const {
    return RawSqlite(file_).text(sql);
}

}  // namespace zorvanil::test
