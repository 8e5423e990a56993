// zorvanil-cli: a command-line client of the Zorvanil server.

#include <algorithm>
#include <array>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "client/client.hpp"
#include "common/text.hpp"
#include "packet/data_packet.hpp"
#include "packet/json_codec.hpp"
#include "packet/json_parser.hpp"

#ifndef ZORVANIL_VERSION
#define ZORVANIL_VERSION "0"
#endif

namespace {

namespace json = boost::json;
using zorvanil::Variant;
using zorvanil::client::Client;
using zorvanil::packet::DataPacket;

constexpr std::string_view kSeparator = "-***#";
constexpr std::int32_t kMetaData = 1;  // the packet carries its field descriptions
constexpr std::size_t kMaxColumnWidth = 60;

constexpr const char* kOptionsHelp = R"(The options string
  A read request carries, as its owner data, an options string: fourteen tokens, each closed
  by "-***#" (the last one too). Give it whole with `read --options`, or token by token with
  the `read` flags below; tokens not given then take the values shown (those of an empty
  options string).

   #  token                 flag             default
   1  page number           --page           0
   2  page size             --page-size      0    (rows skipped: page number x page size)
   3  company               --company        1
   4  year                  --year           1990
   5  second year           --year2
   6  type filter           --type           -1
   7  search text           --search         ASD  (an empty search reads nothing)
   8  search mode           --mode                (most lists know "1" to "4")
   9  order clause          --order               (appended last, e.g. "ORDER BY NOMBRE")
  10  detail order clause   --detail-order
  11  deleted filter        --deleted        -1
  12  second value          --value2              (family, depth, series, extra condition)
  13  extra clause          --extra
  14  series                --series

  Tokens are pasted into the provider's SQL as they stand. Some providers read a shorter
  list of their own (page number and page size first): use --options for them.
  A document provider (DSPQ_MD...) answers headers with their lines: each header row is
  printed with its lines indented below it; --detail-order orders the lines.
  Example: --options "0-***#20-***#1-***#2024-***#-***#-1-***#GARCIA-***#1-***#-***#-***#-1-***#-***#-***#-***#"
)";

// The fourteen tokens, in string order, with the values of an empty options string.
struct OptionTokens {
    std::array<std::string, 14> values = {"0", "0", "1", "1990", "", "-1", "ASD",
                                          "",  "",  "",  "-1",   "", "",   ""};
    std::array<bool, 14> given{};

    std::string text() const {
        std::string out;
        for (const std::string& v : values)
            out += v + std::string(kSeparator);
        return out;
    }
    bool any() const { return std::find(given.begin(), given.end(), true) != given.end(); }
};

// The display width of a UTF-8 text: its characters.
std::size_t widthOf(std::string_view text) {
    std::size_t width = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++width;
    return width;
}

std::string cellText(const Variant& value) {
    if (value.isUnassigned() || value.isNull()) return "";
    if (value.type() == Variant::Type::Packet)
        return "[" + std::to_string(value.asPacket() ? value.asPacket()->rows.size() : 0) +
               " rows]";
    if (value.type() == Variant::Type::Blob)
        return "<" + std::to_string(value.asBlob().bytes.size()) + " bytes>";
    std::string text = value.toString();
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    return text;
}

std::string csvCell(const std::string& text) {
    if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

// The fields printed as columns: all but nested tables, which are printed below their row.
std::vector<std::size_t> columnFields(const DataPacket& packet) {
    std::vector<std::size_t> columns;
    for (std::size_t i = 0; i < packet.fields.size(); ++i)
        if (packet.fields[i].def.type != zorvanil::db::FieldType::DataSet) columns.push_back(i);
    return columns;
}

// The rows of a nested table held in a row, with the field descriptions of its parent's field.
DataPacket nestedTable(const zorvanil::packet::PacketField& field, const Variant& value) {
    DataPacket table;
    table.fields = field.children;
    if (value.type() == Variant::Type::Packet && value.asPacket())
        table.rows = value.asPacket()->rows;
    return table;
}

// The rows as aligned columns under their names. A master row's detail rows follow it as a table
// of their own, indented; a master row without detail rows is followed by "(0 rows)".
void printTable(const DataPacket& packet, std::ostream& out, const std::string& indent = "") {
    const std::vector<std::size_t> columns = columnFields(packet);
    std::vector<std::string> header;
    for (std::size_t i : columns)
        header.push_back(packet.fields[i].name());
    std::vector<std::vector<std::string>> cells;
    for (const auto& row : packet.rows) {
        std::vector<std::string> line;
        for (std::size_t i : columns) {
            std::string text = i < row.values.size() ? cellText(row.values[i]) : "";
            if (widthOf(text) > kMaxColumnWidth)
                text = std::string(zorvanil::cutToChars(text, kMaxColumnWidth - 1)) + "~";
            line.push_back(std::move(text));
        }
        cells.push_back(std::move(line));
    }
    std::vector<std::size_t> widths;
    for (const auto& h : header)
        widths.push_back(widthOf(h));
    for (const auto& line : cells)
        for (std::size_t i = 0; i < line.size(); ++i)
            widths[i] = std::max(widths[i], widthOf(line[i]));
    auto print = [&](const std::vector<std::string>& line) {
        std::string text;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (i > 0) text += "  ";
            text += line[i];
            if (i + 1 < line.size()) text += std::string(widths[i] - widthOf(line[i]), ' ');
        }
        out << indent << zorvanil::trimRight(text) << "\n";
    };
    print(header);
    std::vector<std::string> rule;
    for (std::size_t w : widths)
        rule.push_back(std::string(w, '-'));
    print(rule);
    for (std::size_t r = 0; r < cells.size(); ++r) {
        print(cells[r]);
        for (std::size_t i = 0; i < packet.fields.size(); ++i) {
            if (packet.fields[i].def.type != zorvanil::db::FieldType::DataSet) continue;
            const auto& values = packet.rows[r].values;
            DataPacket lines =
                nestedTable(packet.fields[i], i < values.size() ? values[i] : Variant());
            if (lines.rows.empty())
                out << indent << "    (0 rows)\n";
            else
                printTable(lines, out, indent + "    ");
        }
    }
    const std::size_t n = packet.rows.size();
    out << indent << "(" << n << " row" << (n == 1 ? "" : "s") << ")\n";
}

void printCsv(const DataPacket& packet, std::ostream& out) {
    for (std::size_t i = 0; i < packet.fields.size(); ++i)
        out << (i ? "," : "") << csvCell(packet.fields[i].name());
    out << "\n";
    for (const auto& row : packet.rows) {
        for (std::size_t i = 0; i < packet.fields.size(); ++i)
            out << (i ? "," : "") << csvCell(i < row.values.size() ? cellText(row.values[i]) : "");
        out << "\n";
    }
}

// A JSON value as given, or the text itself as a string when it is not JSON.
Variant ownerDataFrom(const std::optional<std::string>& text) {
    if (!text) return {};
    boost::system::error_code ec;
    json::value value = zorvanil::packet::parseJson(*text, ec);
    if (ec) return Variant(*text);
    return zorvanil::packet::variantFromJson(value);
}

void printVariant(std::string_view name, const Variant& value) {
    if (value.isUnassigned()) return;
    std::cout << name << ": " << zorvanil::packet::jsonText(value) << "\n";
}

json::value readJsonFile(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("Cannot read " + file);
    std::ostringstream text;
    text << in.rdbuf();
    boost::system::error_code ec;
    json::value value = zorvanil::packet::parseJson(text.str(), ec);
    if (ec) throw std::runtime_error(file + " is not JSON: " + ec.message());
    return value;
}

std::optional<std::string> readKey(const std::string& file) {
    if (file.empty()) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("Cannot read the access key file " + file);
    std::ostringstream text;
    text << in.rdbuf();
    return std::string(zorvanil::trim(text.str()));
}

}  // namespace

// One line per row that failed to apply (detail rows inside their master row included).
void printFailedRows(const Variant& result, const std::string& indent = "") {
    if (result.type() != Variant::Type::Packet || !result.asPacket()) return;
    for (const auto& row : result.asPacket()->rows) {
        if (row.error)
            std::cout << indent << "row " << row.error->recordNo
                      << " failed: " << row.error->message << " (code " << row.error->errorCode
                      << ", response " << row.error->response << ")\n";
        for (const Variant& value : row.values)
            if (value.type() == Variant::Type::Packet) printFailedRows(value, indent + "  ");
    }
}

int main(int argc, char** argv) {
    CLI::App app("Command-line client of the Zorvanil server.", "zorvanil-cli");
    app.set_version_flag("--version", std::string("zorvanil-cli ") + ZORVANIL_VERSION);
    app.require_subcommand(1);
    app.footer(std::string("\n") + kOptionsHelp);
    std::string server = "127.0.0.1:8211";
    std::string keyFile;
    zorvanil::client::TlsSettings tls;
    app.add_option("-s,--server", server,
                   "Server address, HOST:PORT, ws://HOST:PORT/ or wss://HOST:PORT/ (TLS)")
        ->capture_default_str();
    app.add_option("--ca-file", tls.caFile,
                   "For wss://: the authorities (PEM) whose certificates the server's must come "
                   "from; default: the system's");
    app.add_option("--access-key-file", keyFile, "File holding the server's access key");

    CLI::App* providers = app.add_subcommand("providers", "List the provider names");

    CLI::App* read = app.add_subcommand("read", "Read a page of a provider");
    read->footer(kOptionsHelp);
    std::string readProvider;
    int count = 50;
    std::optional<std::string> optionsText;
    std::string commandText;
    bool asJson = false, asCsv = false;
    OptionTokens tokens;
    read->add_option("provider", readProvider, "Provider name, e.g. DSPQ_CLIENTES")->required();
    read->add_option("-n,--count", count, "Rows to read (-1: all)")->capture_default_str();
    read->add_option("-o,--options", optionsText, "The whole options string");
    constexpr std::array<std::pair<const char*, const char*>, 14> kTokenFlags = {{
        {"--page", "Page number (token 1)"},
        {"--page-size", "Page size (token 2)"},
        {"--company", "Company (token 3)"},
        {"--year", "Year (token 4)"},
        {"--year2", "Second year (token 5)"},
        {"--type", "Type filter (token 6)"},
        {"--search", "Search text (token 7)"},
        {"--mode", "Search mode (token 8)"},
        {"--order", "Order clause (token 9)"},
        {"--detail-order", "Detail order clause (token 10)"},
        {"--deleted", "Deleted filter (token 11)"},
        {"--value2", "Second value (token 12)"},
        {"--extra", "Extra clause (token 13)"},
        {"--series", "Series (token 14)"},
    }};
    for (std::size_t i = 0; i < kTokenFlags.size(); ++i)
        read->add_option_function<std::string>(
                kTokenFlags[i].first,
                [&tokens, i](const std::string& v) {
                    tokens.values[i] = v;
                    tokens.given[i] = true;
                },
                kTokenFlags[i].second)
            ->group("Options string tokens");
    read->add_option("--command-text", commandText,
                     "SQL to run instead of the provider's own (providers that allow it)");
    read->add_flag("--json", asJson,
                   "Print the data packet as JSON (a document's lines nested in its rows)");
    read->add_flag("--csv", asCsv, "Print the rows as CSV");

    CLI::App* apply = app.add_subcommand("apply", "Apply a change packet from a JSON file");
    std::string applyProvider, deltaFile;
    int maxErrors = 0;
    std::optional<std::string> applyOwnerData;
    apply->add_option("provider", applyProvider, "Provider name")->required();
    apply->add_option("file", deltaFile, "Change packet (JSON)")
        ->required()
        ->check(CLI::ExistingFile);
    apply->add_option("--max-errors", maxErrors, "Failed rows tolerated (-1: any number)")
        ->capture_default_str();
    apply->add_option("--owner-data", applyOwnerData,
                      "Owner data: a JSON value, or a text sent as a string");
    zorvanil::client::ApplyOptions applyOptions;
    apply->add_option("--request-id", applyOptions.requestId,
                      "The apply's request id (default: a new UUID); an apply already made under "
                      "it is answered again, not made twice");
    apply->add_flag("--dry-run", applyOptions.dryRun,
                    "Run the apply, print what it would answer and the statements it ran, and "
                    "roll it back");
    std::optional<std::string> applyRead;
    apply->add_option("--read", applyRead,
                      "Read the provider first with this options string, as a client reads what "
                      "it edits: a document's lines are written to the table their read names");

    CLI::App* exec = app.add_subcommand("exec", "Run a command through AS_Execute");
    std::string execProvider, execCommand;
    std::optional<std::string> execOwnerData;
    exec->add_option("provider", execProvider, "Provider name, e.g. DSPQ_PROCEDURE")->required();
    exec->add_option("command", execCommand, "SQL command text")->required();
    exec->add_option("--owner-data", execOwnerData,
                     "Owner data: a JSON value, or a text sent as a string");

    CLI11_PARSE(app, argc, argv);
    if (asJson && asCsv) {
        std::cerr << "error: --json and --csv exclude each other\n";
        return 2;
    }

    try {
        Client client(zorvanil::client::ServerAddress::parse(server), tls);
        client.createObject(readKey(keyFile));
        if (*providers) {
            for (const std::string& name : client.getProviderNames())
                std::cout << name << "\n";
        } else if (*read) {
            if (optionsText && tokens.any()) {
                std::cerr << "error: give --options or the token flags, not both\n";
                return 2;
            }
            Variant ownerData;
            if (optionsText)
                ownerData = Variant(*optionsText);
            else if (tokens.any())
                ownerData = Variant(tokens.text());
            auto result = client.getRecords(readProvider, count, ownerData, kMetaData, commandText);
            if (result.data.type() != Variant::Type::Packet || !result.data.asPacket() || asJson) {
                std::cout << zorvanil::packet::jsonText(result.data) << "\n";
            } else if (asCsv) {
                printCsv(*result.data.asPacket(), std::cout);
            } else {
                printTable(*result.data.asPacket(), std::cout);
            }
        } else if (*apply) {
            Variant delta = zorvanil::packet::variantFromJson(readJsonFile(deltaFile));
            // The field descriptions only: the read gives the datasets their statements.
            if (applyRead) {
                client.getRecords(applyProvider, 0, Variant(*applyRead));
                // An apply sent again on a new connection reads again first.
                client.onReconnect = [&](Client& again) {
                    again.getRecords(applyProvider, 0, Variant(*applyRead));
                };
            }
            auto result = client.applyUpdates(applyProvider, delta, maxErrors,
                                              ownerDataFrom(applyOwnerData), applyOptions);
            if (!result.requestId.empty()) std::cerr << "RequestId: " << result.requestId << "\n";
            std::cout << "ErrorCount: " << result.errorCount << "\n";
            printFailedRows(result.result);
            printVariant("OwnerData", result.ownerData);
            printVariant("result", result.result);
            if (applyOptions.dryRun && result.statements.type() == Variant::Type::Array)
                for (const Variant& statement : result.statements.asArray())
                    std::cout << zorvanil::packet::jsonText(statement) << "\n";
        } else if (*exec) {
            auto result =
                client.execute(execProvider, execCommand, {}, ownerDataFrom(execOwnerData));
            printVariant("Params", result.params);
            printVariant("OwnerData", result.ownerData);
            std::cout << "done\n";
        }
        client.release();
    } catch (const zorvanil::client::RemoteError& e) {
        std::cerr << "error " << e.code() << ": " << e.what() << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "error: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
