#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "catalogue/zorvanil_catalogue.hpp"
#include "common/error.hpp"
#include "db/config_file.hpp"
#include "support/server_fixture.hpp"

namespace zorvanil::test {
namespace {

class ConfigFile : public ::testing::Test {
  protected:
    db::ConfigFileProcedure procedure{{"z", "z", "ZORVANIL"},
                                      [this](std::string_view m, std::string_view detail) {
                                          reported.emplace_back(m);
                                          details.emplace_back(detail);
                                      }};
    std::vector<std::string> reported;
    std::vector<std::string> details;
    TempDir dir;
    db::ParamList params{{"User_Name", "x"}, {"Password", "y"}, {"Database", "ZRV"}};
};

TEST_F(ConfigFile, MissingFileIsCreatedWithTheDefaults) {
    procedure.run(dir / "Zconfiguracion.txt", params);
    EXPECT_EQ(readFile(dir / "Zconfiguracion.txt"), "z\r\nz\r\nZORVANIL\r\n");
    EXPECT_EQ(params.value("user_name"), "z");
    EXPECT_EQ(params.value("PASSWORD"), "z");
    EXPECT_EQ(params.value("Database"), "ZORVANIL");
    // The parameter keeps the spelling and place the list gave it.
    EXPECT_EQ(params.entries().front().first, "User_Name");
}

TEST_F(ConfigFile, LinesAreTakenWholeAndRewrittenAsThree) {
    writeFile(dir / "one.txt", " admin ");
    procedure.run(dir / "one.txt", params);
    EXPECT_EQ(params.value("User_Name"), " admin ");
    EXPECT_EQ(params.value("Password"), "");
    EXPECT_EQ(params.value("Database"), "");
    EXPECT_EQ(readFile(dir / "one.txt"), " admin \r\n\r\n\r\n");

    writeFile(dir / "five.txt", "u\np\r\ndb\nfour\nfive\n");
    procedure.run(dir / "five.txt", params);
    EXPECT_EQ(params.value("Database"), "db");
    EXPECT_EQ(readFile(dir / "five.txt"), "u\r\np\r\ndb\r\n");
    EXPECT_TRUE(reported.empty());
}

// Two procedures stand for two server processes that share one connection file: each has its own
// lock, so only the lock on the directory keeps one from reading what the other is rewriting.
TEST_F(ConfigFile, ProcessesSharingTheFileNeverReadItHalfWritten) {
    const std::filesystem::path file = dir / "shared.txt";
    writeFile(file, "u\r\np\r\ndb\r\n");
    std::atomic<bool> torn{false};
    auto serve = [&] {
        db::ConfigFileProcedure process{{"z", "z", "ZORVANIL"}, {}};
        for (int i = 0; i < 2000 && !torn; ++i) {
            db::ParamList own{{"User_Name", ""}, {"Password", ""}, {"Database", ""}};
            process.run(file, own);
            if (own.value("Database") != "db") torn = true;
        }
    };
    std::thread other(serve);
    serve();
    other.join();
    EXPECT_FALSE(torn);
    EXPECT_EQ(readFile(file), "u\r\np\r\ndb\r\n");
}

TEST_F(ConfigFile, UnwritableLocationReportsAndFails) {
    try {
        procedure.run(dir / "no-such-dir" / "Zconfiguracion.txt", params);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "I/O error 103");
    }
    EXPECT_EQ(reported,
              std::vector<std::string>{"FALLO EN LA ESCRITURA DEL ARCHIVO DE CONFIGURACIONES"});
    // Creation failed too, so the parameters kept their values.
    EXPECT_EQ(params.value("User_Name"), "x");
}

TEST_F(ConfigFile, UnreadableFileGivesTheDefaults) {
    // A directory opens but cannot be read, nor rewritten.
    std::filesystem::create_directory(dir / "dir.txt");
    EXPECT_THROW(procedure.run(dir / "dir.txt", params), Error);
    EXPECT_EQ(params.value("Database"), "ZORVANIL");
    EXPECT_EQ(reported.size(), 1u);
}

// A file the procedure cannot use: the client reads "I/O error 103", the log the file and why;
// whatever the procedure tried, it made no directory.
struct UnusableCase {
    const char* name;
    const char* file;  // below the test's directory
    bool directory;    // the file is a directory
    const char* reason;
};

TEST_F(ConfigFile, AnUnusableFileIsNamedWithItsReasonAndNoDirectoryIsMade) {
    const UnusableCase cases[] = {
        {"a_directory", "dir.txt", true, "Is a directory"},
        {"in_a_missing_directory", "missing/deeper/Zconfiguracion.txt", false,
         "No such file or directory"},
    };
    for (const UnusableCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path file = dir / c.file;
        if (c.directory) std::filesystem::create_directory(file);
        reported.clear();
        details.clear();
        try {
            procedure.run(file, params);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "I/O error 103");
        }
        EXPECT_EQ(reported,
                  std::vector<std::string>{"FALLO EN LA ESCRITURA DEL ARCHIVO DE CONFIGURACIONES"});
        EXPECT_EQ(details,
                  std::vector<std::string>{"cannot write " + file.string() + ": " + c.reason});
        EXPECT_EQ(db::ConfigFileProcedure::problem(file), std::optional<std::string>(c.reason));
        EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
    }
    writeFile(dir / "fine.txt", "u\r\np\r\nd\r\n");
    EXPECT_EQ(db::ConfigFileProcedure::problem(dir / "fine.txt"), std::nullopt);
    EXPECT_EQ(db::ConfigFileProcedure::problem(dir / "new.txt"), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(dir / "new.txt"));
}

class ServerConfigFiles : public ServerFixture {};

TEST_F(ServerConfigFiles, ConnectionUsesTheConnectionFileAndCreationWritesTheCreationFile) {
    module();
    auto env = db.environment();
    EXPECT_EQ(readFile(env->creationFile), "z\r\nz\r\nZORVANIL\r\n");
    EXPECT_EQ(readFile(env->connectionFile), "user\r\nsecret\r\n" + db.file().string() + "\r\n");
    // The creation handler's values reach no connection: the open one uses the connection file.
    EXPECT_TRUE(read("DSPQ_CLIENTES", 1).status.ok());
}

TEST_F(ServerConfigFiles, MissingConnectionFileFailsCreationWithTheDefaultDatabase) {
    std::filesystem::remove(db.environment()->connectionFile);
    EXPECT_THROW(module(), Error);
    EXPECT_EQ(readFile(db.environment()->connectionFile), "z\r\nz\r\nZORVANIL\r\n");
}

TEST_F(ServerConfigFiles, TheCatalogueConnectionNeverPromptsForALogin) {
    const auto& connection = catalogue::zorvanilCatalogue().connection;
    EXPECT_FALSE(connection.loginPrompt);
    // The login handler is bound but a connection without a prompt never calls it: opening the
    // connection reads the connection file only, never the creation file.
    module();
    std::filesystem::remove(db.environment()->creationFile);
    module().SQLConnection1().close();
    module().SQLConnection1().open();
    EXPECT_FALSE(std::filesystem::exists(db.environment()->creationFile));
}

}  // namespace
}  // namespace zorvanil::test
