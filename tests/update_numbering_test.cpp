#include <gtest/gtest.h>

#include <boost/json.hpp>
#include <ostream>

#include "app/zorvanil_handlers.hpp"
#include "catalogue/zorvanil_catalogue.hpp"
#include "schema/demo_database.hpp"
#include "server/remote_data_module.hpp"
#include "support/case_names.hpp"
#include "support/delta_builder.hpp"
#include "support/test_server.hpp"

namespace zorvanil::test {
namespace {

using db::FieldType;

// Three companies (the second without a freed invoice number, the third without a next one), the
// counters of company 1 for 2024 and 2025, an invoice, a quote and an article to change.
const char* const kNumberingRows = R"(
INSERT INTO EMPRESAS (ID_EMPRESA, EMPRESA, NOMBRE, SIG_FACTURA) VALUES (1, 1, 'LUZ', 100);
INSERT INTO EMPRESAS (ID_EMPRESA, EMPRESA, NOMBRE, SIG_FACTURA) VALUES (2, 2, 'VOLTIO', 7);
INSERT INTO EMPRESAS (ID_EMPRESA, EMPRESA, NOMBRE, SIG_FACTURA) VALUES (3, 3, 'OHMIO', NULL);
INSERT INTO FACTURASBORRADAS VALUES (1, 40, 1);
INSERT INTO FACTURASBORRADAS VALUES (1, 41, 0);
INSERT INTO FACTURASBORRADAS VALUES (2, 5, 1);
INSERT INTO OPCIONESNUMERICAS VALUES (1, 2024, 10, 20, 30, 40, 50);
INSERT INTO OPCIONESNUMERICAS VALUES (1, 2025, 11, 21, 31, 41, 51);
INSERT INTO FACTURAS (NUM_FACT, EMPRESA, NIF) VALUES (12, 1, 'X');
INSERT INTO PRESUPUESTOS (ID_PRESUPUESTO, ID_EMPRESA, ANYO, ID_CLIENTE) VALUES (5, 1, 2024, 3);
INSERT INTO ARTICULOS (COD_ARTICULO, COD_FAMILIA, PROFUNDIDAD, ID_ARTICULO) VALUES (2, 'F', 1, 'LAMP-2');
)";

constexpr const char* kCounters =
    "SELECT GROUP_CONCAT(ID_COBRO||'|'||ID_ENTRADA||'|'||ID_PRESUPUESTO||'|'||ID_SALIDA||'|'||"
    "ID_AVISO, ' ') FROM (SELECT * FROM OPCIONESNUMERICAS ORDER BY ANYO)";
constexpr const char* kCountersAsSeeded = "10|20|30|40|50 11|21|31|41|51";

struct Apply {
    std::string provider;
    Variant delta;
    std::int32_t maxErrors = 0;
};

struct NumberingCase {
    std::string name;
    std::vector<Apply> earlier;  // on the same server object, before the apply checked
    Apply apply;
    std::string failure;  // the message of the one failed row
    Variant owner;        // the owner data the apply returns (it sends none)
    // The statements of the apply that the resolver does not generate, in order.
    std::vector<std::string> statements;
    // The parameters of each statement the resolver wrote, as JSON; not checked when empty.
    std::vector<std::string> writeParams;
    // Queries on the database afterwards, with their expected text.
    std::vector<std::pair<std::string, std::string>> database;
};

void PrintTo(const NumberingCase& c, std::ostream* os) {
    *os << c.name << " (" << c.apply.provider << ")";
}

DeltaBuilder invoiceFields() {
    return DeltaBuilder{{"NUM_FACT", FieldType::Integer},
                        {"EMPRESA", FieldType::Smallint},
                        {"NIF", FieldType::String}};
}

// New invoices of the given companies and tax numbers; the client sends no number.
Variant newInvoices(std::initializer_list<std::pair<Variant, const char*>> rows) {
    DeltaBuilder d = invoiceFields();
    for (auto& [company, nif] : rows)
        d.inserted({Variant::null(), company, Variant(nif)});
    return d.build();
}

DeltaBuilder quoteFields() {
    return DeltaBuilder{{"ID_PRESUPUESTO", FieldType::Integer},
                        {"ID_EMPRESA", FieldType::Smallint},
                        {"ANYO", FieldType::Smallint},
                        {"ID_CLIENTE", FieldType::Integer}};
}

Variant quoteWithThreeLines() {
    DeltaBuilder lines{{"ID_PRESUPUESTO", FieldType::Integer},
                       {"ID_EMPRESA", FieldType::Smallint},
                       {"ANYO", FieldType::Smallint},
                       {"LINEA", FieldType::Integer}};
    for (int line = 1; line <= 3; ++line)
        lines.inserted({Variant(6), Variant(1), Variant(2024), Variant(line)});
    DeltaBuilder quote = quoteFields();
    quote.detail("QMD_LINPRESUPUESTO", lines);
    return quote.inserted({Variant(6), Variant(1), Variant(2024), Variant(3), lines.nested()})
        .build();
}

Variant notice(Variant company, Variant year) {
    return DeltaBuilder{{"ID_AVISO", FieldType::Integer},
                        {"ID_EMPRESA", FieldType::Smallint},
                        {"ANYO", FieldType::Smallint}}
        .attribute("TABLE_NAME", Variant("AVISOS"))
        .inserted({Variant(1), std::move(company), std::move(year)})
        .build();
}

// Article rows: status, article number and code; a modified row changes the code alone.
Variant articles(std::initializer_list<std::tuple<packet::RowStatus, int, const char*>> rows) {
    DeltaBuilder d{{"COD_ARTICULO", FieldType::Integer},
                   {"COD_FAMILIA", FieldType::String},
                   {"PROFUNDIDAD", FieldType::Smallint},
                   {"ID_ARTICULO", FieldType::String}};
    for (auto& [status, number, code] : rows) {
        if (status == packet::RowStatus::Modified)
            d.modified({Variant(), Variant(), Variant(), Variant(code)});
        else
            d.row(status, {Variant(number), Variant("F"), Variant(1), Variant(code)});
    }
    return d.build();
}

std::string freed(const char* company) {
    return std::string("SELECT NUM_FACT FROM  FACTURASBORRADAS WHERE NUEVA=0 AND EMPRESA=") +
           company;
}
std::string next(const char* company) {
    return std::string("SELECT SIG_FACTURA FROM  EMPRESAS WHERE EMPRESA =") + company;
}

std::vector<NumberingCase> numberingCases() {
    using enum packet::RowStatus;
    const Variant one(std::int16_t{1}), two(std::int16_t{2});
    const std::string freedNumbers =
        "SELECT GROUP_CONCAT(NUM_FACT||':'||NUEVA) FROM FACTURASBORRADAS";
    const std::string counter = "UPDATE OPCIONESNUMERICAS SET ";
    // clang-format off
    return {
        {"TwoNewInvoicesTakeTheSameFreedNumber", {},
         {"DSPQ_FACTURAS", newInvoices({{one, "A1"}, {one, "A2"}})}, "", Variant(41),
         {freed("1"), freed("1")}, {R"([41,1,"A1"])", R"([41,1,"A2"])"},
         {{"SELECT GROUP_CONCAT(NUM_FACT) FROM FACTURAS WHERE NIF LIKE 'A%'", "41,41"},
          {freedNumbers, "40:1,41:0,5:1"}, {"SELECT SIG_FACTURA FROM EMPRESAS WHERE EMPRESA = 1", "100"}}},
        {"NewInvoiceWithoutAFreedNumberTakesTheNextOne", {},
         {"DSPQ_FACTURAS", newInvoices({{two, "B1"}})}, "", Variant(7),
         {freed("2"), next("2")}, {R"([7,2,"B1"])"},
         {{"SELECT SIG_FACTURA FROM EMPRESAS WHERE EMPRESA = 2", "7"}, {freedNumbers, "40:1,41:0,5:1"}}},
        // Company 9 has no row, company 3 no next number.
        {"InvoicesWithoutANextNumberTakeZero", {},
         {"DSPQ_FACTURAS", newInvoices({{Variant(9), "C1"}, {Variant(3), "C2"}})}, "", Variant(0),
         {freed("9"), next("9"), freed("3"), next("3")}, {R"([0,9,"C1"])", R"([0,3,"C2"])"}, {}},
        {"InvoiceWhoseCompanyIsNoIntegerFails", {},
         {"DSPQ_FACTURAS", newInvoices({{Variant("X"), "D1"}}), -1}, "'X' is not a valid integer value", Variant(0),
         {}, {}, {{"SELECT COUNT(*) FROM FACTURAS", "1"}}},
        {"ModifiedInvoiceReturnsTheNumberOfAnEarlierApply", {{"DSPQ_FACTURAS", newInvoices({{two, "B1"}})}},
         {"DSPQ_FACTURAS", invoiceFields().unchanged({Variant(12), one, Variant("X")}).modified({Variant(), Variant(), Variant("Y")}).build()},
         "", Variant(7), {}, {}, {{"SELECT NUM_FACT FROM FACTURAS WHERE NIF = 'Y'", "12"}}},
        {"DeletedInvoiceReturnsZeroOnAFreshObject", {},
         {"DSPQ_FACTURAS", invoiceFields().deleted({Variant(12), one, Variant("X")}).build()}, "", Variant(0),
         {}, {}, {{"SELECT COUNT(*) FROM FACTURAS", "0"}}},

        {"NewQuoteWithThreeLinesMovesItsCounterOnce", {},
         {"DSPQ_MDPRESUPUESTO", quoteWithThreeLines()}, "", Variant(),
         {counter + "ID_PRESUPUESTO = ID_PRESUPUESTO + 1 WHERE ID_EMPRESA =1 AND ANYO=2024"}, {},
         {{kCounters, "10|20|31|40|50 11|21|31|41|51"}, {"SELECT COUNT(*) FROM LINEAS_PRESUPUESTO WHERE ID_PRESUPUESTO = 6", "3"}}},
        {"ChangedQuoteHeaderMovesNoCounter", {},
         {"DSPQ_MDPRESUPUESTO", quoteFields().unchanged({Variant(5), Variant(1), Variant(2024), Variant(3)}).modified({Variant(), Variant(), Variant(), Variant(4)}).build()},
         "", Variant(), {}, {},
         {{kCounters, kCountersAsSeeded}, {"SELECT ID_CLIENTE FROM PRESUPUESTOS WHERE ID_PRESUPUESTO = 5", "4"}}},
        {"NewPaymentMovesItsCounter", {},
         {"DSPQ_MDCOBRO", DeltaBuilder{{"ID_COBRO", FieldType::Integer}, {"ANYO", FieldType::Smallint}, {"ID_EMPRESA", FieldType::Smallint}}.inserted({Variant(12), Variant(2025), Variant(1)}).build()},
         "", Variant(), {counter + "ID_COBRO = ID_COBRO + 1 WHERE ID_EMPRESA =1 AND ANYO=2025"}, {},
         {{kCounters, "10|20|30|40|50 12|21|31|41|51"}}},
        // Numbers travel as their text: 1.0 is "1"; a text of digits stays as it is.
        {"NewNoticeMovesItsCounter", {},
         {"DSPQ_AVISO", notice(Variant(1.0), Variant("2024"))}, "", Variant(),
         {counter + "ID_AVISO = ID_AVISO + 1 WHERE ID_EMPRESA =1 AND ANYO=2024"}, {},
         {{kCounters, "10|20|30|40|51 11|21|31|41|51"}}},
        {"NoticeOfAYearWithoutCountersIsNoError", {},
         {"DSPQ_AVISO", notice(Variant(1), Variant(2030))}, "", Variant(),
         {counter + "ID_AVISO = ID_AVISO + 1 WHERE ID_EMPRESA =1 AND ANYO=2030"}, {},
         {{kCounters, kCountersAsSeeded}, {"SELECT COUNT(*) FROM AVISOS", "1"}}},
        // A company that is no number is not pasted into the statement: the notice fails.
        {"NoticeWhoseCompanyIsNoNumberFails", {},
         {"DSPQ_AVISO", notice(Variant("1 OR 1=1"), Variant(2024))}, "'1 OR 1=1' is not a valid floating point value", Variant(),
         {}, {}, {{kCounters, kCountersAsSeeded}, {"SELECT COUNT(*) FROM AVISOS", "0"}}},

        // The code is the old value: a renamed article gives the code it had.
        {"ApplyOfTwoArticlesReturnsTheCodeOfTheSecond", {},
         {"DSPQ_ARTICULOS", articles({{Inserted, 1, "LAMP-1"}, {Unchanged, 2, "LAMP-2"}, {Modified, 0, "LAMP-9"}})},
         "", Variant("LAMP-2"), {}, {},
         {{"SELECT GROUP_CONCAT(ID_ARTICULO) FROM (SELECT ID_ARTICULO FROM ARTICULOS ORDER BY 1)", "LAMP-1,LAMP-9"}}},
        {"DeletedArticleReturnsItsCode", {{"DSPQ_ARTICULOS", articles({{Inserted, 1, "LAMP-1"}})}},
         {"DSPQ_ARTICULOS", articles({{Deleted, 2, "LAMP-2"}})}, "", Variant("LAMP-2"),
         {}, {}, {{"SELECT GROUP_CONCAT(ID_ARTICULO) FROM ARTICULOS", "LAMP-1"}}},
    };
    // clang-format on
}

// The resolver's statements begin with a lower-case keyword; the rules write theirs in capitals.
bool generatedByTheResolver(const std::string& sql) {
    for (const char* start : {"insert into", "update ", "delete from", "select\r\n"})
        if (sql.rfind(start, 0) == 0) return true;
    return false;
}

class UpdateNumbering : public ::testing::TestWithParam<NumberingCase> {
  protected:
    UpdateNumbering()
        : db(std::string(schema::schemaDdl()) + kNumberingRows),
          module(catalogue::zorvanilCatalogue(), app::zorvanilHandlers(), db.environment()) {}

    struct Applied {
        server::CallStatus status;
        std::int32_t errorCount = -1;
        Variant owner;
        Variant result;
    };
    Applied apply(const Apply& a) {
        Applied out;
        out.status = module.AS_ApplyUpdates(a.provider, a.delta, a.maxErrors, out.errorCount,
                                            out.owner, out.result);
        return out;
    }

    TestDatabase db;
    server::TAZORVANIL module;
};

TEST_P(UpdateNumbering, NumbersCountersAndCodes) {
    const NumberingCase& c = GetParam();
    for (const Apply& earlier : c.earlier)
        ASSERT_TRUE(apply(earlier).status.ok());
    db.trace().clear();

    Applied a = apply(c.apply);
    ASSERT_TRUE(a.status.ok()) << a.status.message;
    EXPECT_EQ(a.errorCount, c.failure.empty() ? 0 : 1);
    if (c.failure.empty()) {
        // The number is not sent back as a changed row: only the owner data carries it.
        EXPECT_TRUE(a.result.isNull());
    } else {
        ASSERT_EQ(a.result.type(), Variant::Type::Packet);
        EXPECT_EQ(a.result.asPacket()->rows.at(0).error->message, c.failure);
    }
    EXPECT_EQ(a.owner, c.owner) << a.owner.toString();

    std::vector<std::string> statements, writeParams;
    for (const std::string& sql : db.statements())
        if (!generatedByTheResolver(sql)) statements.push_back(sql);
    for (const std::string& line : db.trace().lines()) {
        const boost::json::object entry = boost::json::parse(line).as_object();
        const std::string sql(entry.at("sql").as_string());
        if (generatedByTheResolver(sql) && sql.rfind("select", 0) != 0)
            writeParams.push_back(boost::json::serialize(entry.at("params")));
    }
    EXPECT_EQ(statements, c.statements);
    if (!c.writeParams.empty()) {
        EXPECT_EQ(writeParams, c.writeParams);
    }
    for (const auto& [query, expected] : c.database)
        EXPECT_EQ(db.scalar(query), expected) << query;
}

INSTANTIATE_TEST_SUITE_P(Rules, UpdateNumbering, ::testing::ValuesIn(numberingCases()), CaseName());

}  // namespace
}  // namespace zorvanil::test
