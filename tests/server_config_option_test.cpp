#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/command_line.hpp"
#include "support/case_names.hpp"
#include "support/temp_dir.hpp"

namespace zorvanil::app {
namespace {

using test::quotedText;
using test::TempDir;

constexpr const char* kFile = "FILE";  // stands for the configuration file's path

// The file kFile names holds `text`; without text there is no file, and "/" makes it a directory.
struct ConfigCase {
    const char* name;
    std::optional<std::string> text = std::nullopt;
    std::vector<std::string> args = {};  // after the program
    // What was read, when it reads.
    unsigned maxRate = ServerOptions{}.maxRate;
    std::string listen = ServerOptions{}.listen;
    host::StartMode mode = host::StartMode::Normal;
    // The start-up error, kFile in it standing for the path, when it does not.
    std::string error = "";
};

void PrintTo(const ConfigCase& c, std::ostream* os) {
    *os << (c.text ? quotedText(*c.text) : "no file");
    for (const std::string& arg : c.args)
        *os << " " << arg;
}

const ConfigCase kConfigCases[] = {
    {.name = "FileSetsOptions",
     .text = "max-rate=10\nlisten=\"0.0.0.0:9000\"\n",
     .args = {"--config", kFile},
     .maxRate = 10,
     .listen = "0.0.0.0:9000"},
    {.name = "CommandLineWinsWhereverItStands",
     .text = "max-rate=10\nlisten=\"0.0.0.0:9000\"\n",
     .args = {"--max-rate", "20", "--config", kFile, "--listen", ":1"},
     .maxRate = 20,
     .listen = ":1"},
    {.name = "ConfigWithEquals",
     .text = "max-rate=10\n",
     .args = {std::string("--config=") + kFile},
     .maxRate = 10},
    {.name = "CommentsAndBlankLinesAreSkipped",
     .text = "# max-rate=5\n\n; max-rate=6\nmax-rate = 7 \n",
     .args = {"--config", kFile},
     .maxRate = 7},
    {.name = "StartModeBesideConfig",
     .text = "max-rate=10\n",
     .args = {"/regserver", "--config", kFile},
     .maxRate = 10,
     .mode = host::StartMode::Register},
    {.name = "MissingFile",
     .args = {"--config", kFile},
     .error = "The configuration file FILE cannot be used: No such file or directory"},
    {.name = "Directory",
     .text = "/",
     .args = {"--config", kFile},
     .error = "The configuration file FILE cannot be used: Is a directory"},
    {.name = "UnknownName",
     .text = "max-rate=10\nmax-rat=10\n",
     .args = {"--config", kFile},
     .error = "The configuration file FILE cannot be used: no option is named max-rat"},
    {.name = "LineWithoutOption",
     .text = "listen 127.0.0.1\n",
     .args = {"--config", kFile},
     .error = "The configuration file FILE cannot be used: no option is named listen 127.0.0.1"},
    {.name = "Section",
     .text = "[server]\nmax-rate=10\n",
     .args = {"--config", kFile},
     .error = "The configuration file FILE cannot be used: no option is named [server]"},
    // The file is wrong even where the command line would have set the option.
    {.name = "ValueNotANumber",
     .text = "max-rate=\"many\"\n",
     .args = {"--config", kFile, "--max-rate", "5"},
     .error = "The configuration file FILE cannot be used: Could not convert: --max-rate = many"},
    {.name = "ValueNotAChoice",
     .text = "driver=\"db2\"\n",
     .args = {"--config", kFile},
     .error = "The configuration file FILE cannot be used: --driver: db2 not in {sqlite,odbc}"},
    {.name = "ConfigInsideConfig",
     .text = "config=\"other.conf\"\n",
     .args = {"--config", kFile},
     .error = "The configuration file FILE cannot be used: config: This option is not allowed "
              "in a configuration file"},
};

class ConfigOption : public ::testing::TestWithParam<ConfigCase> {
  protected:
    TempDir dir;
};

std::string replaced(std::string text, const std::string& what, const std::string& with) {
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

TEST_P(ConfigOption, ReadsTheFileUnderTheCommandLine) {
    const ConfigCase& c = GetParam();
    const std::filesystem::path file = dir / "zorvanil-server.conf";
    if (c.text == "/")
        std::filesystem::create_directory(file);
    else if (c.text)
        test::writeFile(file, *c.text);
    std::vector<std::string> args{"zorvanil-server"};
    for (const std::string& arg : c.args)
        args.push_back(replaced(arg, kFile, file.string()));

    ServerCommand command = readCommandLine(args);
    if (!c.error.empty()) {
        EXPECT_EQ(command.error, replaced(c.error, kFile, file.string()));
        return;
    }
    ASSERT_EQ(command.error, std::nullopt);
    ASSERT_EQ(command.exitCode, std::nullopt);
    EXPECT_EQ(command.options.maxRate, c.maxRate);
    EXPECT_EQ(command.options.listen, c.listen);
    EXPECT_EQ(command.mode, c.mode);
}

INSTANTIATE_TEST_SUITE_P(Files, ConfigOption, ::testing::ValuesIn(kConfigCases), test::CaseName());

std::string printedConfig(std::vector<std::string> args) {
    args.insert(args.begin(), "zorvanil-server");
    args.push_back("--print-config");
    ::testing::internal::CaptureStdout();
    ServerCommand command = readCommandLine(args);
    std::string text = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(command.exitCode, 0);
    return text;
}

// The printed configuration reads back as what it printed: the defaults, or what the command
// line and its file gave.
TEST(PrintConfig, ReadsBackAsWhatItPrinted) {
    TempDir dir;
    const std::filesystem::path defaults = dir / "defaults.conf";
    test::writeFile(defaults, printedConfig({}));
    ServerCommand read = readCommandLine({"zorvanil-server", "--config", defaults.string()});
    ASSERT_EQ(read.error, std::nullopt);
    EXPECT_EQ(read.options, ServerOptions{});

    const std::filesystem::path changed = dir / "changed.conf";
    test::writeFile(changed, printedConfig({"--config", defaults.string(), "--max-rate", "5",
                                            "--sql-trace", "/var/log/zorvanil/trace.jsonl"}));
    read = readCommandLine({"zorvanil-server", "--config", changed.string()});
    ServerOptions expected;
    expected.maxRate = 5;
    expected.sqlTrace = "/var/log/zorvanil/trace.jsonl";
    EXPECT_EQ(read.options, expected);
}

}  // namespace
}  // namespace zorvanil::app
