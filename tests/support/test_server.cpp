#include "support/test_server.hpp"

#include <sqlite3.h>

#include <boost/json.hpp>
#include <stdexcept>

#include "catalogue/connection_defaults.hpp"

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

namespace {

void run(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string text = error ? error : "error";
        sqlite3_free(error);
        throw std::runtime_error(text);
    }
}

sqlite3* openDb(const std::filesystem::path& file) {
    sqlite3* db = nullptr;
    if (sqlite3_open(file.c_str(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot open test db");
    return db;
}

}  // namespace

TestDatabase::TestDatabase(const std::string& ddl)
    : file_(dir_ / "shop.db"),
      trace_(std::make_shared<db::SqlTrace>()),
      reported_(std::make_shared<std::vector<std::string>>()) {
    sqlite3* db = openDb(file_);
    run(db, "PRAGMA journal_mode=WAL");
    if (!ddl.empty()) run(db, "BEGIN;" + ddl + ";COMMIT;");
    sqlite3_close(db);

    env_ = server::ServerEnvironment::makeDefault();
    env_->connectionFile = dir_ / "connection.txt";
    env_->creationFile = dir_ / "creation.txt";
    env_->connection.trace = trace_;
    env_->configFiles = std::make_shared<db::ConfigFileProcedure>(
        db::ConfigValues{std::string(catalogue::kDefaultUserName),
                         std::string(catalogue::kDefaultPassword),
                         std::string(catalogue::kDefaultDatabase)},
        [r = reported_](std::string_view m) { r->emplace_back(m); });
    writeFile(env_->connectionFile, "user\r\nsecret\r\n" + file_.string() + "\r\n");
    env_->logger->set_level(spdlog::level::off);
}

std::vector<std::string> TestDatabase::statements() const {
    std::vector<std::string> out;
    for (auto& line : trace_->lines()) {
        std::string sql(boost::json::parse(line).at("sql").as_string());
        if (sql != "BEGIN IMMEDIATE" && sql != "COMMIT" && sql != "ROLLBACK") out.push_back(sql);
    }
    return out;
}

void TestDatabase::exec(const std::string& sql) const {
    sqlite3* db = openDb(file_);
    sqlite3_busy_timeout(db, 5000);
    try {
        run(db, sql);
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    sqlite3_close(db);
}

std::string TestDatabase::scalar(const std::string& sql) const {
    sqlite3* db = openDb(file_);
    sqlite3_stmt* stmt = nullptr;
    std::string out;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
        if (auto t = sqlite3_column_text(stmt, 0)) out = reinterpret_cast<const char*>(t);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return out;
}

}  // namespace zorvanil::test
