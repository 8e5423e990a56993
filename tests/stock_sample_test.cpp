#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/demo_shop.hpp"
#include "support/project_files.hpp"
#include "support/raw_sqlite.hpp"
#include "support/running_server.hpp"

namespace zorvanil::test {
namespace {

// What a command prints on its standard output, and its exit status.
struct Printed {
    std::string text;
    int status;
};

Printed run(const std::string& command) {
    Printed p;
    FILE* out = ::popen(command.c_str(), "r");
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, out))
        p.text.append(buffer, n);
    p.status = ::pclose(out);
    return p;
}

// The walkthrough of the update rules, as its reader runs it: zorvanil-cli applies the sample
// delivery note of the docs to the demo shop, prints the alert flag that comes back in the
// owner data, and the counts of the note's articles and bar codes have fallen by its lines.
TEST(StockSample, TheDocumentedDeliveryNote_BringsItsArticleToTheAlertLevel) {
    RunningServer server;
    const std::filesystem::path demo = createDemoShop(server.db.dir() / "demo.db");
    server.db.pointConnectionFileAt(demo);
    const std::string cli =
        cliExecutable().string() + " --server 127.0.0.1:" + std::to_string(server.host->port());
    const std::string stock =
        "SELECT ID_ARTICULO || ' ' || CANTIDAD || ' ' || AVISAR FROM ALMACEN WHERE ID_EMPRESA=1 "
        "AND ID_ARTICULO IN ('APB000074', 'APB000126') UNION ALL SELECT CODIGO_BARRAS || ' ' || "
        "CANTIDAD FROM ALMACENDETALLE WHERE CODIGO_BARRAS IN ('8442106439209', '8442106439797') "
        "UNION ALL SELECT NUMERO1 || ' ' || CODIGO_BARRAS || ' ' || CANTIDAD FROM ALMACENDETALLE2 "
        "WHERE CODIGO_BARRAS IN ('8442106439209', '8442106439797') ORDER BY 1";
    auto rows = [&] {
        std::vector<std::string> out;
        for (const auto& row : RawSqlite(demo).rows(stock))
            out.push_back(row.at(0));
        return out;
    };
    // The second ledger's rows first, by their number, then the first ledger's and ALMACEN's.
    const std::vector<std::string> before = {"115 8442106439797 10.0", "64 8442106439209 16.0",
                                             "8442106439209 16.0",     "8442106439797 10.0",
                                             "APB000074 23.0 3",       "APB000126 32.0 2"};
    ASSERT_EQ(rows(), before);

    const std::string read = cli + " read DSPQ_ALMACEN --company 1 --search APB000074 --mode 1";
    const std::string article = "APB000074    1           APLIQUE BANO IP44 MOD. 9681  PHILIPS  ";
    const Printed first = run(read);
    EXPECT_EQ(first.status, 0);
    EXPECT_NE(first.text.find(article + "23        3\n"), std::string::npos) << first.text;

    const Printed apply = run(
        cli + " apply DSPQ_MDALBARAN " +
        (sourceDir() / "docs/samples/delivery-note.json").string() +
        " --read '0-***#0-***#1-***#2026-***#-***#-1-***#100-***#1-***#-***#-***#-1-***#-***#-***#"
        "-***#'");
    EXPECT_EQ(apply.status, 0);
    EXPECT_EQ(apply.text, "ErrorCount: 0\nOwnerData: 1\nresult: null\n");

    const Printed after = run(read);
    EXPECT_NE(after.text.find(article + "3         3\n"), std::string::npos) << after.text;
    EXPECT_EQ(rows(), (std::vector<std::string>{"115 8442106439797 8.0", "64 8442106439209 -4.0",
                                                "8442106439209 -4.0", "8442106439797 8.0",
                                                "APB000074 3.0 3", "APB000126 30.0 2"}));
}

}  // namespace
}  // namespace zorvanil::test
