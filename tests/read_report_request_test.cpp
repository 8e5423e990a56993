#include <gtest/gtest.h>

#include <algorithm>

#include "db/sql_dataset.hpp"
#include "server/provider.hpp"
#include "support/case_names.hpp"
#include "support/report_read_fixture.hpp"
#include "support/test_driver.hpp"

namespace zorvanil::test {
namespace {

constexpr const char* kMissingQuery = "Missing query, table name or procedure name";

// A provider's guard: `stop` leaves its guard value blank, `compose` asks for page 1 of size 1.
// `fresh` is what a fresh object runs at the stop (nullptr: it has no statement and fails).
// `stopProvider` is the provider or one on the same dataset.
struct GuardCase {
    const char* name;
    const char* provider;
    const char* stopProvider;
    const char* fresh;
    CaseOptions compose;
    CaseOptions stop;
    const char* columns;
};

ListOptions blankSearch() {
    return ListOptions{.searchText = " \t ", .searchMode = "1"};
}

// clang-format off
const GuardCase kGuardCases[] = {
    {"Facturas", "DSPQ_FACTURAS", "DSPQ_FACTURAS", "SELECT NUM_FACT,BASE_FACT,EMPRESA,NIF,FECHA_FACTURA,COBRADO,IMPORTEIVA,IVA,ULT_FACTURA FROM FACTURAS ",
     tokens({"1", "1", "", "11111111A", "", ""}), tokens({"0", "0", " ", "\t", "  ", " "}), "NUM_FACT,EMPRESA"},
    {"Pedidos", "DSPQ_PEDIDOSPENDIENTES", "DSPQ_PEDIDOSPENDIENTES", nullptr,
     tokens({"1", "1", "LAMP", "1", "1", "ORDER BY LINEA"}), tokens({"0", "0", "  ", "1", "1", ""}), "ID_EMPRESA,LINEA"},
    {"PedidosThenAux", "DSPQ_PEDIDOSPENDIENTES", "DSPQ_PEDIDOSPENDIENTESAUX", nullptr,
     tokens({"1", "1", "LAMP", "1", "1", "ORDER BY LINEA"}), tokens({"0", "0", "", "1", "2", ""}), "ID_EMPRESA,LINEA"},
    {"Listado", "DSPQ_LISTADOENTRADA", "DSPQ_LISTADOENTRADA", nullptr,
     ListOptions{.pageNumber = "1", .pageSize = "1", .searchText = " WHERE E.ID_EMPRESA=1", .searchMode = "1", .orderClause = "ORDER BY ID_ENTRADA"}, blankSearch(), "ID_ENTRADA"},
    // The one row of the totals is on page 0.
    {"ListadoTotal", "DSPQ_LISTADOENTRADATOTAL", "DSPQ_LISTADOENTRADATOTAL", nullptr,
     ListOptions{.pageNumber = "1", .pageSize = "1", .searchText = " WHERE E.ID_EMPRESA=1", .searchMode = "1"}, blankSearch(), "BASE_ENTRADA"},
    {"Arqueo", "DSPQ_ARQUEODECAJA", "DSPQ_ARQUEODECAJA", nullptr,
     ListOptions{.pageNumber = "1", .pageSize = "1", .company = "1", .year = "2024", .searchText = "2024-03", .searchMode = "1", .orderClause = "ORDER BY ID_ARQUEO"}, blankSearch(), "ID_ARQUEO"},
    {"FacturasAlbaranes", "DSPQ_FACTURASALBARANES", "DSPQ_FACTURASALBARANES", nullptr,
     ListOptions{.pageNumber = "1", .pageSize = "1", .company = "1", .year = "2024", .searchText = "7", .searchMode = "1", .orderClause = "ORDER BY ID_ALBARAN", .series = "A"}, blankSearch(), "ID_ALBARAN"},
    {"FAlbaranesAux", "DSPQ_FALBARANESAUX", "DSPQ_FALBARANESAUX", nullptr,
     ListOptions{.pageNumber = "1", .pageSize = "1", .company = "1", .year = "2024", .searchText = "7", .searchMode = "1", .orderClause = "ORDER BY ID_ALBARAN", .series = "A"}, blankSearch(), "ID_ALBARAN"},
    // Q_TICKETAUX has a statement of its own in the catalogue.
    {"TicketAux", "DSPQ_TICKETAUX", "DSPQ_TICKETAUX", "SELECT * FROM TICKET",
     ListOptions{.pageNumber = "1", .pageSize = "1", .company = "1", .year = "2024", .searchText = "1", .searchMode = "1", .orderClause = "ORDER BY ID_TICKET", .series = "A"}, blankSearch(), "ID_TICKET"},
    {"LArticulos", "DSPQ_LARTICULOS", "DSPQ_LARTICULOS", nullptr,
     ListOptions{.pageNumber = "1", .pageSize = "1", .searchText = " WHERE BORRADO=0", .searchMode = "2", .orderClause = "ORDER BY ID_ARTICULO", .value2 = "SELECT ID_ARTICULO FROM ARTICULOS"},
     ListOptions{.searchText = "", .searchMode = "2", .value2 = "SELECT 1"}, "ID_ARTICULO"},
};
// clang-format on

void PrintTo(const GuardCase& c, std::ostream* os) {
    *os << c.provider << ' ' << c.compose.shown << ", then " << c.stopProvider << ' '
        << c.stop.shown;
}

class ReadReportGuard : public ReportReadFixture,
                        public ::testing::WithParamInterface<GuardCase> {};

TEST_P(ReadReportGuard, AStoppedReadRunsTheHeldStatementFromItsFirstRow) {
    const GuardCase& c = GetParam();
    // The rows' name lookups aside.
    const std::string& dataSet = module().FindProvider(c.stopProvider).dataSet()->name();
    ReadResult fresh = read(c.stopProvider, -1, Variant(c.stop.text));
    if (c.fresh) {
        ASSERT_TRUE(fresh.status.ok()) << fresh.status.message;
        EXPECT_EQ(withoutNameLookups(sent, dataSet), std::vector<std::string>{c.fresh});
    } else {
        EXPECT_EQ(fresh.status.message, kMissingQuery);
        EXPECT_TRUE(sent.empty());
    }

    ReadResult page = read(c.provider, -1, Variant(c.compose.text));
    ASSERT_TRUE(page.status.ok()) << page.status.message;
    ASSERT_FALSE(sent.empty());
    const std::string statement = sent.front();
    ReadResult stopped = read(c.stopProvider, -1, Variant(c.stop.text));
    ASSERT_TRUE(stopped.status.ok()) << stopped.status.message;
    EXPECT_EQ(withoutNameLookups(sent, dataSet), std::vector<std::string>{statement});
    // The row that the page skipped comes first.
    const std::vector<std::string> all = rows(stopped, c.columns);
    const std::vector<std::string> paged = rows(page, c.columns);
    ASSERT_EQ(all.size(), paged.size() + 1);
    EXPECT_TRUE(std::equal(paged.begin(), paged.end(), all.begin() + 1));
    EXPECT_FALSE(module().FindProvider(c.stopProvider).dataSet()->active());
}

INSTANTIATE_TEST_SUITE_P(ReadReportGuards, ReadReportGuard, ::testing::ValuesIn(kGuardCases),
                         CaseName());

// A read that fails: the message it returns, whether the dataset keeps the statement it held (a
// page token is read before any statement is composed), and a read that then succeeds.
struct FailureCase {
    const char* name;
    const char* provider;
    CaseOptions options;
    const char* message;
    bool keepsStatement;
    CaseOptions next;
};

// clang-format off
const FailureCase kFailureCases[] = {
    {"FacturasPageNumber", "DSPQ_FACTURAS", tokens({"x", "0", "1", "", "", ""}), "'x' is not a valid integer value", true, tokens({"0", "0", "1", "", "", ""})},
    {"PedidosPageSize", "DSPQ_PEDIDOSPENDIENTES", tokens({"0", "", "LAMP", "1", "1", ""}), "'' is not a valid integer value", true, ""},
    // A client condition must bring its own leading blank.
    {"ListadoConditionWithoutBlank", "DSPQ_LISTADOENTRADA", ListOptions{.searchText = "WHERE E.ANYO=2024", .searchMode = "1"}, "near \"E\": syntax error", false, ""},
    {"ArqueoUnknownColumn", "DSPQ_ARQUEODECAJA", ListOptions{.searchText = " WHERE NOPE=1", .searchMode = "2"}, "no such column: NOPE", false, ""},
    {"TicketAuxUnknownTable", "DSPQ_TICKETAUX", ListOptions{.searchText = " WHERE 1=1", .searchMode = "2", .value2 = "SELECT * FROM TICKETS"}, "no such table: TICKETS", false, ""},
    // The ticket list delivers its declared fields, whatever the client's statement selects.
    {"TicketAuxMissingField", "DSPQ_TICKETAUX", ListOptions{.searchText = " WHERE 1=1", .searchMode = "2", .value2 = "SELECT ID_TICKET FROM TICKET"}, "Field 'ID_EMPRESA' not found", false, ""},
    {"LArticulosUnknownTable", "DSPQ_LARTICULOS", ListOptions{.searchText = "X", .searchMode = "2", .value2 = "SELECT * FROM "}, "no such table: X", false, ListOptions{.searchText = " WHERE 1=1", .searchMode = "2", .value2 = "SELECT * FROM ARTICULOS"}},
};
// clang-format on

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.provider << ' ' << c.options.shown;
}

class ReadReportFailure : public ReportReadFixture,
                          public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ReadReportFailure, ReturnsTheMessageAndTheObjectServesTheNextRead) {
    const FailureCase& c = GetParam();
    db::SQLDataSet& ds = *module().FindProvider(c.provider).dataSet();
    const std::string held = ds.commandText();
    ReadResult failed = read(c.provider, -1, Variant(c.options.text));
    EXPECT_FALSE(failed.status.ok());
    EXPECT_EQ(engineText(failed.status.message), c.message);
    EXPECT_EQ(ds.commandText() == held, c.keepsStatement) << ds.commandText();
    EXPECT_FALSE(ds.active());
    ReadResult next = read(c.provider, -1, Variant(c.next.text));
    EXPECT_TRUE(next.status.ok()) << next.status.message;
    EXPECT_GT(next.recsOut, 0);
}

INSTANTIATE_TEST_SUITE_P(ReadReportFailures, ReadReportFailure, ::testing::ValuesIn(kFailureCases),
                         CaseName());

class ReadReportRequest : public ReportReadFixture {
  protected:
    static std::string invoices(std::initializer_list<std::string_view> filters) {
        return tokens({"0", "0"}) + tokens(filters);
    }
    static double number(const ReadResult& r, std::size_t row, std::string_view column) {
        const packet::DataPacket& p = r.packet();
        return p.rows.at(row).values.at(static_cast<std::size_t>(p.fieldIndex(column))).toDouble();
    }
};

TEST_F(ReadReportRequest, TheInvoiceRegisterAnswersEachRequestWithItsOwnRowsNewestFirst) {
    // A fresh object without filters: the catalogue's statement, whose ULT_FACTURA the register's
    // fields leave out.
    ReadResult whole = read("DSPQ_FACTURAS", -1, Variant(""));
    ASSERT_TRUE(whole.status.ok()) << whole.status.message;
    EXPECT_EQ(whole.recsOut, 5);
    ASSERT_EQ(whole.packet().fields.size(), 8u);
    EXPECT_EQ(whole.packet().fields.back().name(), "IVA");

    using Rows = std::vector<std::string>;
    EXPECT_EQ(rows(read("DSPQ_FACTURAS", -1, Variant(invoices({"", "11111111A", "", ""}))),
                   "NUM_FACT,EMPRESA,FECHA_FACTURA"),
              (Rows{"3,1,2024-02-01", "1,2,2024-01-15", "1,1,2024-01-10"}));
    EXPECT_EQ(rows(read("DSPQ_FACTURAS", -1, Variant(invoices({"", "", "2", ""}))), "NUM_FACT"),
              (Rows{"1"}));
    EXPECT_EQ(rows(read("DSPQ_FACTURAS", -1, Variant(invoices({"", "", "", "2024-01-10"}))),
                   "NUM_FACT,NIF"),
              (Rows{"1,11111111A", "2,22222222B"}));
    // Page 1 of 2.
    ReadResult second = read("DSPQ_FACTURAS", 2, Variant(tokens({"1", "2", "", "11111111A"})));
    EXPECT_EQ(rows(second, "NUM_FACT,EMPRESA"), (Rows{"1,1"}));
}

TEST_F(ReadReportRequest, TheListingTotalsAreTheSumsOfTheListing) {
    const char* const amounts[] = {"BASE_ENTRADA", "TOTALDESCUENTO", "TOTALIVA", "TOTAL"};
    int untaxed = 0;
    for (const char* condition : {" WHERE E.ID_EMPRESA=1", " WHERE E.ANYO=2024",
                                  " WHERE E.ID_PROVEEDOR=1", " WHERE E.FECHA < '2024-01-21'"}) {
        SCOPED_TRACE(condition);
        const std::string options = ListOptions{.searchText = condition, .searchMode = "1"}.text();
        ReadResult listing = read("DSPQ_LISTADOENTRADA", -1, Variant(options));
        ReadResult totals = read("DSPQ_LISTADOENTRADATOTAL", -1, Variant(options));
        ASSERT_TRUE(listing.status.ok()) << listing.status.message;
        ASSERT_TRUE(totals.status.ok()) << totals.status.message;
        ASSERT_EQ(totals.recsOut, 1);
        for (const char* amount : amounts) {
            double sum = 0;
            for (std::size_t i = 0; i < listing.packet().rows.size(); ++i)
                sum += number(listing, i, amount);
            EXPECT_EQ(number(totals, 0, amount), sum) << amount;
        }
        // No discount and no VAT: nothing taken off, nothing added.
        for (std::size_t i = 0; i < listing.packet().rows.size(); ++i) {
            const std::string entry = listing.packet().rows[i].values.at(0).toString();
            if (number(listing, i, "DESCUENTO") != 0 ||
                db.scalar("SELECT IVA = 0 FROM E_PROVEEDOR_ACREEDOR WHERE ID_ENTRADA=" + entry) !=
                    "1")
                continue;
            ++untaxed;
            EXPECT_EQ(number(listing, i, "TOTALDESCUENTO"), 0);
            EXPECT_EQ(number(listing, i, "TOTALIVA"), 0);
            EXPECT_EQ(number(listing, i, "TOTAL"), number(listing, i, "BASE_ENTRADA"));
        }
    }
    EXPECT_GT(untaxed, 0);
    // The totals' one row is on page 0: page 1 is empty.
    ReadResult past = read("DSPQ_LISTADOENTRADATOTAL", -1,
                           Variant(ListOptions{.pageNumber = "1", .pageSize = "1"}.text()));
    ASSERT_TRUE(past.status.ok()) << past.status.message;
    EXPECT_EQ(past.recsOut, 0);
}

TEST_F(ReadReportRequest, BothPendingOrderProvidersReadThroughOneDataset) {
    db::SQLDataSet& shared = module().dataSet("Q_PEDIDOSPENDIENTES");
    EXPECT_EQ(module().FindProvider("DSPQ_PEDIDOSPENDIENTESAUX").dataSet(), &shared);
    ReadResult aux = read("DSPQ_PEDIDOSPENDIENTESAUX", -1,
                          Variant(tokens({"0", "0", "WHERE ID_EMPRESA=2", "0", "2", ""})));
    ASSERT_TRUE(aux.status.ok()) << aux.status.message;
    EXPECT_EQ(shared.commandText(), sent.front());
    EXPECT_EQ(rows(aux, "ID_ARTICULO"), std::vector<std::string>{"LAMP-200"});
    EXPECT_TRUE(module().dataSet("Q_PEDIDOSPENDIENTESAUX").commandText().empty());
}

TEST_F(ReadReportRequest, FreeListingRunsThePreviousStatementInEveryModeButTwo) {
    const ListOptions other{.searchText = "X", .searchMode = "1"};
    EXPECT_EQ(read("DSPQ_LARTICULOS", -1, Variant(other.text())).status.message, kMissingQuery);
    EXPECT_TRUE(sent.empty());

    const ListOptions composing{.searchText = " WHERE BORRADO=0",
                                .searchMode = "2",
                                .orderClause = "ORDER BY ID_ARTICULO",
                                .value2 = "SELECT ID_ARTICULO FROM ARTICULOS"};
    ReadResult first = read("DSPQ_LARTICULOS", -1, Variant(composing.text()));
    ASSERT_TRUE(first.status.ok()) << first.status.message;
    const std::string statement = sent.front();
    EXPECT_EQ(statement, "SELECT ID_ARTICULO FROM ARTICULOS WHERE BORRADO=0  ORDER BY ID_ARTICULO");
    // Other modes run it again, and page it.
    for (const char* mode : {"1", "", "3"}) {
        ListOptions again = other;
        again.searchMode = mode;
        again.pageNumber = "1";
        again.pageSize = "1";
        ReadResult r = read("DSPQ_LARTICULOS", -1, Variant(again.text()));
        ASSERT_TRUE(r.status.ok()) << r.status.message;
        // A short page rewinds, which runs the statement once more.
        ASSERT_FALSE(sent.empty());
        for (const std::string& s : sent)
            EXPECT_EQ(s, statement) << mode;
        EXPECT_EQ(rows(r, "ID_ARTICULO"), (std::vector<std::string>{"LAMP-100", "LAMP-200"}));
    }
}

}  // namespace
}  // namespace zorvanil::test
