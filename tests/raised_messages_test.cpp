#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

#include "common/base64.hpp"
#include "db/sql_trace.hpp"
#include "db/sqlite_driver.hpp"
#include "host/registry.hpp"
#include "server/handler_table.hpp"
#include "server/remote_data_module.hpp"
#include "support/message_of.hpp"
#include "support/server_fixture.hpp"
#include "support/temp_dir.hpp"

namespace zorvanil::test {
namespace {

// The failures of the files, the database driver and the tables of the server, each with the
// exact text it raises.
class RaisedMessages : public ServerFixture {
  protected:
    std::unique_ptr<db::DriverConnection> connect(const std::filesystem::path& database) {
        db::ConnectRequest request;
        request.database = database.string();
        return db::SqliteDriver().connect(request);
    }
    TempDir dir;
};

TEST_F(RaisedMessages, AreTheTextsOfTheirFailures) {
    const std::string d = dir.path().string();
    std::ofstream(dir / "empty.db").close();
    // A path below a plain file can be neither created nor opened.
    const std::string underFile = "/dev/null/registry.txt";
    struct Case {
        const char* what;
        std::function<void()> call;
        std::string message;
    };
    const Case cases[] = {
        {"base64", [] { base64Decode("QQ*="); }, "Invalid base64 text"},
        {"handler twice",
         [] {
             server::HandlerTable t;
             t.add("Create", server::ModuleHandler());
             t.add("CREATE", server::ModuleHandler());
         },
         "Handler registered twice: CREATE"},
        {"dataset", [&] { module().dataSet("Q_NONE"); }, "Dataset not found: Q_NONE"},
        {"trace file", [&] { db::SqlTrace(d + "/none/trace.txt"); },
         "Cannot open the SQL trace file " + d + "/none/trace.txt: No such file or directory"},
        {"no database", [&] { connect(dir / "none.db"); },
         "Database '" + d + "/none.db' not found"},
        {"database not a file", [&] { connect(dir.path()); },
         "Cannot open database '" + d + "': unable to open database file"},
        {"empty statement", [&] { connect(dir / "empty.db")->prepare("  "); },
         "The statement is empty"},
        {"array parameter",
         [&] {
             connect(dir / "empty.db")->prepare("SELECT ?")->bind(1, Variant(Variant::Array{}));
         },
         "Cannot bind a value of type Array"},
        {"key not closed", [] { host::FileRegistry::parse("[A\n", "r.txt"); },
         "Registry file r.txt, line 1: a key is not closed by ]"},
        {"value before key", [] { host::FileRegistry::parse("\n\"v\"=\"1\"", "r.txt"); },
         "Registry file r.txt, line 2: a value stands before any key"},
        {"name not quoted", [] { host::FileRegistry::parse("[A]\nv=\"1\"", "r.txt"); },
         "Registry file r.txt, line 2: a quoted text was expected"},
        {"quote not closed", [] { host::FileRegistry::parse("[A]\n\"v\"=\"1", "r.txt"); },
         "Registry file r.txt, line 2: a quoted text is not closed"},
        {"no equals", [] { host::FileRegistry::parse("[A]\n\"v\" \"1\"", "r.txt"); },
         "Registry file r.txt, line 2: = was expected"},
        {"text after value", [] { host::FileRegistry::parse("[A]\n@=\"1\" x", "r.txt"); },
         "Registry file r.txt, line 2: text after the value"},
        {"registry not written", [&] { host::FileRegistry().save(underFile); },
         "Cannot write the registry file " + underFile + ": Not a directory"},
        {"registry not locked", [&] { host::RegistryFileLock lock(underFile); },
         "Cannot lock the registry file " + underFile + ": Not a directory"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(messageOf(c.call), c.message) << c.what;
}

}  // namespace
}  // namespace zorvanil::test
