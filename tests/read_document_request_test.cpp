#include <gtest/gtest.h>

#include "db/sql_dataset.hpp"
#include "support/document_read_fixture.hpp"
#include "support/test_driver.hpp"

namespace zorvanil::test {
namespace {

// Delivery notes of every company and year in one order, with their lines in line order.
std::string deliveryNotes(std::string pageNumber, std::string pageSize,
                          std::string detailOrder = "ORDER BY L.LINEA") {
    return ListOptions{.pageNumber = std::move(pageNumber),
                       .pageSize = std::move(pageSize),
                       .searchText = " ORDER BY AL.ANYO, AL.ID_EMPRESA, AL.ID_SERIE, AL.ID_ALBARAN",
                       .searchMode = "2",
                       .detailOrderClause = std::move(detailOrder)}
        .text();
}

constexpr const char* kNoteColumns = "ID_ALBARAN,ID_EMPRESA,ANYO,ID_SERIE";

class ReadDocumentRequest : public DocumentReadFixture {};

// Only headers are paged: every header of a page carries all of its own lines.
struct PageCase {
    const char* pageNumber;
    const char* pageSize;
    std::int32_t count;
    std::vector<std::string> documents;
};

TEST_F(ReadDocumentRequest, PagesOfHeadersCarryExactlyTheirOwnLines) {
    const PageCase cases[] = {
        {"0", "1", 1, {"12,1,2024,A [12/1;12/2]"}},
        {"0", "2", 2, {"12,1,2024,A [12/1;12/2]", "120,1,2024,A [120/1]"}},
        {"1", "2", 2, {"312,1,2024,A []", "1234,1,2024,A [1234/1]"}},
        {"2", "2", 2, {"12,1,2024,B [B:12/1]", "12,2,2024,A [E2:12/1]"}},
        {"3", "2", 2, {"12,1,2025,A [25:12/1]"}},
        {"4", "2", 2, {}},
        {"9", "100", -1, {}},
    };
    for (const PageCase& c : cases) {
        SCOPED_TRACE(std::string("page ") + c.pageNumber + " of " + c.pageSize);
        ReadResult r =
            read("DSPQ_MDALBARAN", c.count, Variant(deliveryNotes(c.pageNumber, c.pageSize)));
        ASSERT_TRUE(r.status.ok()) << r.status.message;
        EXPECT_EQ(r.recsOut, static_cast<std::int32_t>(c.documents.size()));
        EXPECT_EQ(documents(r, kNoteColumns, "ID_ARTICULO"), c.documents);
        EXPECT_TRUE(closed("DSPQ_MDALBARAN"));
    }
}

// A blank search composes nothing: the header runs the statement its dataset holds, from its first
// row, and the lines theirs. `earlier` is a read made before on the same object ("" for none).
struct BlankSearchCase {
    const char* name;
    const char* provider;
    std::string earlier;
    std::string blank;
    const char* commandText;
    const char* header;  // the statement the blank read runs, or the message it fails with
    const char* lines;   // the line statement it runs, or "" for none
    const char* columns;
    const char* lineColumns;
    std::vector<std::string> documents;
};

const std::string kBlank = ListOptions{.searchText = " \t ", .searchMode = "1"}.text();

TEST_F(ReadDocumentRequest, ABlankSearchRunsTheStatementsTheDatasetsHold) {
    const BlankSearchCase cases[] = {
        // The design-time header statement; no request has given the lines a statement yet.
        {"design-time header",
         "DSPQ_MDALBARAN",
         "",
         kBlank,
         "",
         "SELECT * FROM ALBARANES",
         "",
         "ID_ALBARAN,ID_EMPRESA,ANYO,ID_SERIE",
         "",
         {"12,1,2024,A []", "120,1,2024,A []", "1234,1,2024,A []", "312,1,2024,A []",
          "12,2,2024,A []", "12,1,2025,A []", "12,1,2024,B []"}},
        // No design-time statement at all.
        {"fresh goods received",
         "DSPQ_MDENTRADAS",
         "",
         kBlank,
         "",
         "Missing query, table name or procedure name",
         "",
         "",
         "",
         {}},
        // The statements of the earlier request, without its page skip.
        {"after a search",
         "DSPQ_MDFACTURA",
         ListOptions{.pageNumber = "1",
                     .pageSize = "1",
                     .company = "1",
                     .year = "2024",
                     .searchText = "12",
                     .searchMode = "1",
                     .orderClause = "ORDER BY ID_FACTURA",
                     .detailOrderClause = " ORDER BY L.LINEA DESC"}
             .text(),
         ListOptions{.searchText = "", .searchMode = "2"}.text(),
         "",
         "SELECT * FROM FACTURAS FA WHERE (CHAR(ID_FACTURA) LIKE ('12%')) AND ID_EMPRESA=1 AND "
         "ANYO=2024 ORDER BY ID_FACTURA",
         "SELECT * FROM LINEAS_FACTURA L WHERE L.ID_FACTURA=:ID_FACTURA AND "
         "L.ID_EMPRESA=:ID_EMPRESA "
         "AND L.ID_SERIE=:ID_SERIE AND L.ANYO=:ANYO  ORDER BY L.LINEA DESC",
         "ID_FACTURA,ID_SERIE",
         "ID_ARTICULO",
         {"12,A [12/2;12/1]", "12,B [B:12/1]", "120,A [120/1]", "1234,A [1234/1]"}},
        // The ticket provider takes a statement from the client; at its guard that one runs.
        {"client statement",
         "DSPQ_MDTICKET",
         "",
         tokens({"0", "0", " ", "1", "1", "", ""}),
         "SELECT * FROM TICKET WHERE ID_SERIE='B'",
         "SELECT * FROM TICKET WHERE ID_SERIE='B'",
         "",
         "ID_TICKET,ID_SERIE",
         "",
         {"12,B []"}},
        // Past the guard the handler's statement replaces the client's.
        {"client statement replaced",
         "DSPQ_MDTICKET",
         "",
         tokens({"0", "0", "120", "1", "1", "", ""}),
         "SELECT * FROM TICKET WHERE ID_SERIE='B'",
         "SELECT * FROM TICKET  WHERE (CHAR(ID_TICKET) LIKE ('120%')) AND ID_EMPRESA=1 ",
         "SELECT * FROM LINEA_TICKET L WHERE L.ID_TICKET=:ID_TICKET AND L.ID_EMPRESA=:ID_EMPRESA "
         "AND "
         "L.ANYO=:ANYO AND L.ID_SERIE=:ID_SERIE  ",
         "ID_TICKET,ID_SERIE",
         "ID_ARTICULO",
         {"120,A [120/1]"}},
        // Suppliers stop at a blank search too: the earlier request's statements run again.
        {"suppliers after a search",
         "DSPQ_MDPROVEEDOR",
         tokens({"1", "1", "1", "0"}),
         tokens({"0", "0", "", "0"}),
         "",
         "SELECT "
         "BORRADO,ID_PROVEEDOR,NOMBRE,NIF,DIRECCION,DIRECCION_POSTAL,POBLACION,POBLACION_POSTAL,"
         "COD_POSTAL,COD_POSTAL_POSTAL,PROVINCIA,PROVINCIA_POSTAL,EMAIL,HTTP,OBSERVACIONES,MISMA_"
         "DIRECCION,TELEFONO,FAX FROM PROVEEDOR_ACREEDOR  WHERE (NIF LIKE ('1%') OR "
         "CHAR(ID_PROVEEDOR) "
         "LIKE ('1%') OR NOMBRE LIKE ('1%')) AND CHAR(BORRADO) LIKE ('0%') ",
         "SELECT ID_TIPO,ID_PROVEEDOR,SUBCUENTA FROM TIPOS T  WHERE T.ID_PROVEEDOR=:ID_PROVEEDOR ",
         "ID_PROVEEDOR",
         "ID_TIPO",
         {"1 [1;2]", "10 []"}},
    };
    for (const BlankSearchCase& c : cases) {
        SCOPED_TRACE(c.name);
        freshModule();
        if (!c.earlier.empty()) {
            ReadResult earlier = read(c.provider, -1, Variant(c.earlier));
            ASSERT_TRUE(earlier.status.ok()) << earlier.status.message;
        }
        ReadResult r = read(c.provider, -1, Variant(c.blank), server::grMetaData, c.commandText);
        if (std::string_view(c.header).starts_with("SELECT")) {
            ASSERT_TRUE(r.status.ok()) << r.status.message;
        } else {
            EXPECT_EQ(r.status.message, c.header);
            EXPECT_TRUE(sent.empty());
            continue;
        }
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.front(), c.header);
        // The headers' name lookups aside.
        const std::string& headers = module().FindProvider(c.provider).dataSet()->name();
        for (const std::string& s : withoutNameLookups(sent, headers)) {
            if (s != c.header) {
                EXPECT_EQ(s, c.lines);
            }
        }
        EXPECT_EQ(sorted(documents(r, c.columns, c.lineColumns)), sorted(c.documents));
        EXPECT_TRUE(closed(c.provider));
    }
}

// Successive requests on one object, each with its own order of the lines: the line dataset, closed
// after every header's lines, takes each new statement.
TEST_F(ReadDocumentRequest, EachRequestOrdersTheLinesItsOwnWay) {
    const std::pair<const char*, const char*> orders[] = {
        {"ORDER BY L.LINEA", "12,A [12/1;12/2]"},
        {"ORDER BY L.LINEA DESC", "12,A [12/2;12/1]"},
        {"ORDER BY L.LINEA DESC", "12,A [12/2;12/1]"},
        {"ORDER BY L.ID_ARTICULO", "12,A [12/1;12/2]"},
        {"ORDER BY L.LINEA DESC", "12,A [12/2;12/1]"},
    };
    for (const auto& [order, first] : orders) {
        SCOPED_TRACE(order);
        const std::string options =
            ListOptions{.company = "1",
                        .year = "2024",
                        .searchText = "12",
                        .searchMode = "1",
                        .orderClause = "ORDER BY AL.ID_ALBARAN, AL.ID_SERIE",
                        .detailOrderClause = order}
                .text();
        ReadResult r = read("DSPQ_MDALBARAN", -1, Variant(options));
        ASSERT_TRUE(r.status.ok()) << r.status.message;
        EXPECT_EQ(
            documents(r, "ID_ALBARAN,ID_SERIE", "ID_ARTICULO"),
            (std::vector<std::string>{first, "12,B [B:12/1]", "120,A [120/1]", "1234,A [1234/1]"}));
        EXPECT_TRUE(closed("DSPQ_MDALBARAN"));
    }
}

// A statement the database rejects, of the header or of the lines, fails the read with the
// database's message; the next read of the provider, with other statements, succeeds.
struct FailureCase {
    const char* name;
    const char* provider;
    std::string options;
    const char* message;
};

TEST_F(ReadDocumentRequest, ARejectedStatementFailsTheReadAndTheNextOneSucceeds) {
    const FailureCase cases[] = {
        {"order clause without its blank", "DSPQ_MDFACTURA",
         ListOptions{.searchText = " WHERE FA.ID_CLIENTE=2",
                     .searchMode = "2",
                     .orderClause = "ORDER BY FA.ID_SERIE"}
             .text(),
         "unrecognized token: \"2ORDER\""},
        {"condition without WHERE", "DSPQ_MDALBARAN",
         ListOptions{.searchText = "AL.ID_SERIE='B'", .searchMode = "6"}.text(),
         "near \".\": syntax error"},
        {"unknown line column", "DSPQ_MDALBARAN",
         ListOptions{.searchText = "12", .searchMode = "1", .detailOrderClause = "ORDER BY NOPE"}
             .text(),
         "no such column: NOPE"},
        // The first line is read, the second fails: the lines were open when the read failed.
        {"failure on the second line", "DSPQ_MDALBARAN",
         ListOptions{.company = "1",
                     .year = "2024",
                     .searchText = "12",
                     .searchMode = "1",
                     .orderClause = "ORDER BY AL.ID_ALBARAN, AL.ID_SERIE",
                     .detailOrderClause =
                         "AND json(CASE WHEN L.LINEA = 1 THEN '1' ELSE 'x' END) IS NOT NULL"}
             .text(),
         "malformed JSON"},
    };
    const std::string next = ListOptions{.company = "1",
                                         .year = "2024",
                                         .searchText = "120",
                                         .searchMode = "1",
                                         .detailOrderClause = " ORDER BY L.LINEA DESC"}
                                 .text();
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        ReadResult failed = read(c.provider, -1, Variant(c.options));
        EXPECT_FALSE(failed.status.ok());
        EXPECT_EQ(engineText(failed.status.message), c.message);
        EXPECT_TRUE(closed(c.provider));
        ReadResult r = read(c.provider, -1, Variant(next));
        ASSERT_TRUE(r.status.ok()) << r.status.message;
        EXPECT_EQ(documents(r, "ID_SERIE", "ID_ARTICULO"), std::vector<std::string>{"A [120/1]"});
    }
}

TEST_F(ReadDocumentRequest, EveryReadBindingOfTheDocumentProvidersHasItsHandler) {
    for (const auto& b : module().missingBindings()) {
        const bool documentProvider = b.component.starts_with("DSPQ_MD");
        EXPECT_FALSE(documentProvider &&
                     (b.event.ends_with("GetRecords") || b.event == "OnGetData"))
            << b.component << "." << b.event;
    }
}

}  // namespace
}  // namespace zorvanil::test
