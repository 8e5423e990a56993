#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/server_main.hpp"
#include "common/error.hpp"
#include "host/registration.hpp"
#include "host/registry.hpp"
#include "host/start_mode.hpp"
#include "support/temp_dir.hpp"

namespace zorvanil::host {
namespace {

using test::readFile;
using test::TempDir;

TEST(HostStartMode, SwitchesAreFoundInEitherFormAndAnyCaseFirstTestWinning) {
    struct Case {
        std::vector<std::string> args;
        StartMode mode;
    };
    const std::vector<Case> cases = {
        {{}, StartMode::Normal},
        {{"/REGSERVER"}, StartMode::Register},
        {{"-regserver"}, StartMode::Register},
        {{"/RegServer"}, StartMode::Register},
        {{"-UnRegServer"}, StartMode::Unregister},
        {{"/Embedding"}, StartMode::Automation},
        {{"-automation"}, StartMode::Automation},
        // Not switches: no switch character, two of them, or a longer word.
        {{"regserver"}, StartMode::Normal},
        {{"--regserver"}, StartMode::Normal},
        {{"/regservers"}, StartMode::Normal},
        // Automation is tested first, then register, then unregister, whatever the order given.
        {{"-unregserver", "-regserver"}, StartMode::Register},
        {{"/UNREGSERVER", "--listen", "x", "-Embedding"}, StartMode::Automation},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const auto& a : c.args)
            shown += a + " ";
        EXPECT_EQ(findStartMode(c.args), c.mode) << shown;
    }
}

// Writes and deletes as registration does them, in order.
class RecordingRegistry : public FileRegistry {
  public:
    std::vector<std::string> log;
    void createKey(std::string_view key) override {
        log.push_back("key " + std::string(key));
        FileRegistry::createKey(key);
    }
    void setValue(std::string_view key, std::string_view name, std::string_view value) override {
        log.push_back("set " + std::string(key) + " [" + std::string(name) +
                      "]=" + std::string(value));
        FileRegistry::setValue(key, name, value);
    }
    void deleteValue(std::string_view key, std::string_view name) override {
        log.push_back("delete " + std::string(key) + " [" + std::string(name) + "]");
        FileRegistry::deleteValue(key, name);
    }
    void deleteKey(std::string_view key) override {
        log.push_back("delete " + std::string(key));
        FileRegistry::deleteKey(key);
    }
};

constexpr const char* kClass = "CLSID\\{F66B33AA-8B49-4301-8D74-CDD98EA1FA4A}";
constexpr const char* kCategory = "{13E85B3C-9508-11D2-AB63-00C04FA35CFA}";

TEST(HostRegistration, RegisterWritesTheEntriesInOrderAndUnregisterRemovesThemInOrder) {
    RecordingRegistry registry;
    registerServer(registry, "/opt/zorvanil/bin/zorvanil-server");
    const std::string lib = "TypeLib\\{1E299054-8DEE-439F-A10D-1896D21DBF83}\\1.0";
    const std::string iface = "Interface\\{484002B8-9DE6-4D38-AF6A-CA7CD6C04711}";
    const std::string cls = kClass;
    const std::vector<std::string> registered = {
        "set " + lib + " []=ZORVANIL Library",
        "set " + lib + "\\0\\win32 []=/opt/zorvanil/bin/zorvanil-server",
        "set " + lib + "\\FLAGS []=0",
        "set " + lib + "\\HELPDIR []=/opt/zorvanil/bin",
        "set " + iface + " []=IZORVANIL3",
        "set " + iface + "\\ProxyStubClsid []={00020424-0000-0000-C000-000000000046}",
        "set " + iface + "\\ProxyStubClsid32 []={00020424-0000-0000-C000-000000000046}",
        "set " + iface + "\\TypeLib []={1E299054-8DEE-439F-A10D-1896D21DBF83}",
        "set " + iface + "\\TypeLib [Version]=1.0",
        "set " + cls + " []=Zorvanil Object",
        "set " + cls + "\\LocalServer32 []=/opt/zorvanil/bin/zorvanil-server",
        "set " + cls + "\\ProgID []=ZORVANIL.AZORVANIL",
        "set ZORVANIL.AZORVANIL []=Zorvanil Object",
        "set ZORVANIL.AZORVANIL\\Clsid []={F66B33AA-8B49-4301-8D74-CDD98EA1FA4A}",
        "key " + cls + "\\Implemented Categories\\" + kCategory,
        std::string("set Component Categories\\") + kCategory + " [409]=Application Servers",
        "set AppID\\{F66B33AA-8B49-4301-8D74-CDD98EA1FA4A} []=Zorvanil Object",
        "set " + cls + " [AppID]={F66B33AA-8B49-4301-8D74-CDD98EA1FA4A}",
        "set " + cls + " [Sockets]=1",
        "set " + cls + " [Web]=1",
    };
    EXPECT_EQ(registry.log, registered);

    registry.log.clear();
    unregisterServer(registry);
    const std::vector<std::string> unregistered = {
        "delete TypeLib\\{1E299054-8DEE-439F-A10D-1896D21DBF83}",
        "delete " + iface,
        "delete " + cls + " [Sockets]",
        "delete " + cls + " [Web]",
        "delete " + cls + "\\Implemented Categories",
        "delete AppID\\{F66B33AA-8B49-4301-8D74-CDD98EA1FA4A}",
        "delete " + cls,
        "delete ZORVANIL.AZORVANIL",
    };
    EXPECT_EQ(registry.log, unregistered);
    // Only the category stays.
    ASSERT_EQ(registry.keys().size(), 1u);
    EXPECT_EQ(registry.keys()[0].path, std::string("Component Categories\\") + kCategory);

    // Unregistering again finds nothing to delete and is no error.
    EXPECT_NO_THROW(unregisterServer(registry));
}

TEST(HostRegistration, LocalServerCommandIsQuotedWhenThePathHasABlank) {
    EXPECT_EQ(serverCommand("/opt/zorvanil/bin/zorvanil-server"),
              "/opt/zorvanil/bin/zorvanil-server");
    EXPECT_EQ(serverCommand("/opt/my apps/zorvanil-server"), "\"/opt/my apps/zorvanil-server\"");
}

TEST(HostRegistration, RegisterAndUnregisterModesWriteTheFileAndExitWithoutServing) {
    TempDir dir;
    std::filesystem::path file = dir.path() / "reg" / "registry.txt";
    std::filesystem::create_directory(dir.path() / "reg");
    EXPECT_EQ(app::runServer({"zorvanil-server", "--log-level", "off", "/RegServer", "--registry",
                              file.string()}),
              0);
    FileRegistry written = FileRegistry::load(file);
    std::vector<std::string> keys;
    for (const auto& k : written.keys())
        keys.push_back(k.path);
    const std::string cls = kClass;
    const std::vector<std::string> expected = {
        "TypeLib\\{1E299054-8DEE-439F-A10D-1896D21DBF83}\\1.0",
        "TypeLib\\{1E299054-8DEE-439F-A10D-1896D21DBF83}\\1.0\\0\\win32",
        "TypeLib\\{1E299054-8DEE-439F-A10D-1896D21DBF83}\\1.0\\FLAGS",
        "TypeLib\\{1E299054-8DEE-439F-A10D-1896D21DBF83}\\1.0\\HELPDIR",
        "Interface\\{484002B8-9DE6-4D38-AF6A-CA7CD6C04711}",
        "Interface\\{484002B8-9DE6-4D38-AF6A-CA7CD6C04711}\\ProxyStubClsid",
        "Interface\\{484002B8-9DE6-4D38-AF6A-CA7CD6C04711}\\ProxyStubClsid32",
        "Interface\\{484002B8-9DE6-4D38-AF6A-CA7CD6C04711}\\TypeLib",
        cls,
        cls + "\\LocalServer32",
        cls + "\\ProgID",
        "ZORVANIL.AZORVANIL",
        "ZORVANIL.AZORVANIL\\Clsid",
        cls + "\\Implemented Categories\\" + kCategory,
        std::string("Component Categories\\") + kCategory,
        "AppID\\{F66B33AA-8B49-4301-8D74-CDD98EA1FA4A}",
    };
    EXPECT_EQ(keys, expected);
    const auto& classValues = written.keys()[8].values;
    ASSERT_EQ(classValues.size(), 4u);
    EXPECT_EQ(classValues[0].name + "=" + classValues[0].data, "=Zorvanil Object");
    EXPECT_EQ(classValues[1].name, "AppID");
    EXPECT_EQ(classValues[2].name + "=" + classValues[2].data, "Sockets=1");
    EXPECT_EQ(classValues[3].name + "=" + classValues[3].data, "Web=1");
    // The executable is the running program.
    EXPECT_EQ(written.value(cls + "\\LocalServer32", ""),
              serverCommand(std::filesystem::read_symlink("/proc/self/exe")));

    // Registering again changes nothing.
    std::string first = readFile(file);
    EXPECT_EQ(app::runServer({"zorvanil-server", "--log-level", "off", "-REGSERVER", "--registry",
                              file.string()}),
              0);
    EXPECT_EQ(readFile(file), first);

    EXPECT_EQ(app::runServer({"zorvanil-server", "--log-level", "off", "-unregserver", "--registry",
                              file.string()}),
              0);
    EXPECT_EQ(readFile(file),
              "; Zorvanil registry: keys below the classes root, in the order they were created.\n"
              "\n"
              "[Component Categories\\{13E85B3C-9508-11D2-AB63-00C04FA35CFA}]\n"
              "\"409\"=\"Application Servers\"\n");
}

TEST(HostRegistration, RegisterModeFailsOnAnUnwritableRegistry) {
    TempDir dir;
    std::filesystem::path blocker = dir.path() / "file";
    std::ofstream(blocker) << "x";
    std::string file = (blocker / "registry.txt").string();
    EXPECT_EQ(
        app::runServer({"zorvanil-server", "--log-level", "off", "/regserver", "--registry", file}),
        1);
    // Unregistering where nothing can be written is not fatal.
    EXPECT_EQ(app::runServer(
                  {"zorvanil-server", "--log-level", "off", "/unregserver", "--registry", file}),
              0);
    EXPECT_FALSE(updateRegistration(file, false, "/x").empty());
}

// A registry file that cannot be kept is named with the reason, and no directory is made for it.
TEST(HostRegistration, AnUnusableRegistryIsNamedWithItsReason) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "adir");
    const std::pair<std::string, std::string> cases[] = {
        {"adir", "Cannot read the registry file %s: Is a directory"},
        {"missing/registry.txt", "Cannot lock the registry file %s: No such file or directory"},
    };
    for (const auto& [name, pattern] : cases) {
        const std::string file = (dir.path() / name).string();
        EXPECT_EQ(updateRegistration(file, false, "/x"), formatMessage(pattern, {file}));
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
}

TEST(HostRegistry, FileFormatKeepsOrderEscapesTextsAndComparesNamesWithoutCase) {
    FileRegistry r;
    r.setValue("A\\B", "", "say \"hi\"\\now\nnext");
    r.setValue("A", "x", "1");
    r.setValue("a\\b", "Name", "2");
    r.setValue("A\\B", "NAME", "3");
    r.createKey("A\\BC");
    FileRegistry back = FileRegistry::parse(r.text());
    EXPECT_EQ(back.text(), r.text());
    ASSERT_EQ(back.keys().size(), 3u);
    EXPECT_EQ(back.keys()[0].path, "A\\B");
    EXPECT_EQ(back.value("a\\b", ""), "say \"hi\"\\now\nnext");
    EXPECT_EQ(back.value("A\\B", "name"), "3");

    // Deleting a key takes the keys below it, not its siblings with a longer name.
    back.setValue("A\\B\\C", "", "deep");
    back.deleteKey("a\\B");
    EXPECT_FALSE(back.hasKey("A\\B\\C"));
    EXPECT_TRUE(back.hasKey("A\\BC"));
    EXPECT_TRUE(back.hasKey("A"));

    EXPECT_THROW(FileRegistry::parse("@=\"x\"\n"), Error);
    EXPECT_THROW(FileRegistry::parse("[K]\n\"a\"=\"unclosed\n"), Error);
    EXPECT_THROW(FileRegistry::parse("[K\n"), Error);
}

}  // namespace
}  // namespace zorvanil::host
