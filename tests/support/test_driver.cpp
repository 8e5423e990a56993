#include "support/test_driver.hpp"

#include <cstdlib>

namespace zorvanil::test {

std::string testDriver() {
    const char* chosen = std::getenv("ZORVANIL_TEST_DRIVER");
    return chosen && *chosen ? chosen : "sqlite";
}

bool testingThroughOdbc() {
    return testDriver() == "odbc";
}

std::string engineText(std::string_view message) {
    constexpr std::string_view kDriver = "[SQLite]";
    if (!testingThroughOdbc() || !message.starts_with(kDriver)) return std::string(message);
    message.remove_prefix(kDriver.size());
    const std::size_t code = message.rfind(" (");
    if (code != std::string_view::npos && message.ends_with(")")) message = message.substr(0, code);
    return std::string(message);
}

std::string sqliteOdbcDriverPath() {
    return ZORVANIL_SQLITE_ODBC_DRIVER_PATH;
}

std::string db2ExtensionPath() {
    return ZORVANIL_DB2_EXTENSION_PATH;
}

std::string sqliteOdbcConnectionString(const std::filesystem::path& database) {
    // NoCreat: a missing file is an error, as with the embedded driver; Timeout: writers wait
    // for each other as long as the embedded driver lets them.
    return std::string("DRIVER=") + sqliteOdbcDriverPath() + ";DATABASE=" + database.string() +
           ";LoadExt=" + db2ExtensionPath() + ";NoCreat=1;Timeout=30000;SyncPragma=FULL";
}

std::string databaseAlias(const std::filesystem::path& database) {
    return testingThroughOdbc() ? sqliteOdbcConnectionString(database) : database.string();
}

}  // namespace zorvanil::test
