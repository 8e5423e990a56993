#include "update/stock_statements.hpp"

#include <array>
#include <iterator>

#include "common/text.hpp"
#include "common/variant.hpp"
#include "update/sql_number.hpp"

namespace zorvanil::update {

namespace {

// The places of a statement where a value goes.
enum class Slot : std::uint8_t {
    None,
    // Between apostrophes.
    Article,
    Brand,
    Description,
    BarCode,
    Series,
    // Numbers.
    Company,
    Quantity,
    SecondQuantity,
    AlertLevel,
    DeliveryNote,
    Year,
    // Fixed texts of the rules.
    Ledger,
    Sign,
    ReverseSign,
};

// A piece of a statement: fixed SQL text, or a slot.
struct Part {
    constexpr Part() = default;
    constexpr Part(const char* sql) : sql(sql) {}  // NOLINT: table entries read as SQL text
    constexpr Part(Slot slot) : slot(slot) {}      // NOLINT: and slots as the values they take
    std::string_view sql;
    Slot slot = Slot::None;
};

struct StatementText {
    StockStatement statement;
    std::array<Part, 15> parts;
};

using enum Slot;
using enum StockStatement;

// clang-format off

// Each statement as the pieces it is joined from, with nothing added between them.
constexpr StatementText kStatements[] = {
    {StockRowCount,       {"SELECT COUNT(*) FROM ALMACEN WHERE ID_ARTICULO='", Article, "' AND ID_EMPRESA=", Company}},
    {AlertCheck,          {"SELECT AVISAR FROM ALMACEN WHERE ID_ARTICULO='", Article, "' AND CANTIDAD <= AVISAR AND ID_EMPRESA=", Company}},
    {CompanyAlertLevel,   {" SELECT AVISAR as cuenta FROM EMPRESAS WHERE ID_EMPRESA=", Company, " "}},
    {ArticleTracked,      {"SELECT ALMACENABLE FROM ARTICULOS WHERE ID_ARTICULO='", Article, "' "}},
    {NewStockRow,         {"INSERT INTO ALMACEN(ID_ARTICULO,ID_EMPRESA,AVISAR,MARCA,DESCRIPCION,CANTIDAD)  VALUES ('", Article, "',", Company, ",", AlertLevel, ",'", Brand, "','", Description, "',", Sign, Quantity, " ) "}},
    {NewStockRowOfChange, {"INSERT INTO ALMACEN(ID_ARTICULO,ID_EMPRESA,AVISAR,MARCA,DESCRIPCION,CANTIDAD) VALUES ('", Article, "',", Company, ",", AlertLevel, ",'", Brand, "','", Description, "',", Quantity, ") "}},
    {Move,                {"UPDATE ALMACEN SET CANTIDAD= CANTIDAD ", Sign, Quantity, " WHERE ID_ARTICULO='", Article, "' AND ID_EMPRESA=", Company}},
    {MoveOnArticleChange, {"UPDATE ALMACEN SET CANTIDAD= CANTIDAD ", Sign, Quantity, "  WHERE ID_ARTICULO='", Article, "' AND ID_EMPRESA=", Company}},
    {Correct,             {"UPDATE ALMACEN SET CANTIDAD= CANTIDAD ", ReverseSign, Quantity, Sign, SecondQuantity, " WHERE ID_ARTICULO='", Article, "' AND ID_EMPRESA=", Company}},
    {BarcodeRowCount,     {"SELECT COUNT(*) FROM ", Ledger, " WHERE CODIGO_BARRAS='", BarCode, "' "}},
    {BarcodeMove,         {"UPDATE ", Ledger, " SET CANTIDAD= CANTIDAD ", Sign, Quantity, " WHERE CODIGO_BARRAS='", BarCode, "' "}},
    {BarcodeCorrect,      {"UPDATE ", Ledger, " SET CANTIDAD= CANTIDAD ", ReverseSign, Quantity, Sign, SecondQuantity, " WHERE CODIGO_BARRAS='", BarCode, "' "}},
    {DeliveryNoteCount,   {" SELECT COUNT(*) FROM albaranes WHERE ID_ALBARAN=", DeliveryNote, " AND ID_EMPRESA= ", Company, " AND ANYO=", Year, "  AND ID_SERIE='", Series, "' "}},
};

// clang-format on

// The member of StockValues each slot takes, in the order of Slot.
constexpr std::string_view StockValues::*kSlotValues[] = {
    nullptr,
    &StockValues::article,
    &StockValues::brand,
    &StockValues::description,
    &StockValues::barCode,
    &StockValues::series,
    &StockValues::company,
    &StockValues::quantity,
    &StockValues::secondQuantity,
    &StockValues::alertLevel,
    &StockValues::deliveryNote,
    &StockValues::year,
    &StockValues::ledger,
    &StockValues::sign,
    &StockValues::reverseSign,
};
static_assert(std::size(kSlotValues) == static_cast<std::size_t>(ReverseSign) + 1);

// The table holds the statements in the order of StockStatement.
constexpr bool inStatementOrder() {
    for (std::size_t i = 0; i < std::size(kStatements); ++i)
        if (static_cast<std::size_t>(kStatements[i].statement) != i) return false;
    return std::size(kStatements) == static_cast<std::size_t>(DeliveryNoteCount) + 1;
}
static_assert(inStatementOrder());

void paste(std::string& sql, Slot slot, const StockValues& values) {
    const std::string_view value = values.*kSlotValues[static_cast<std::size_t>(slot)];
    if (slot >= Article && slot <= Series)
        sql += doubleApostrophes(value);
    else if (slot >= Company && slot <= Year)
        sql += sqlNumber(Variant(value));
    else
        sql += value;
}

}  // namespace

std::string stockSql(StockStatement statement, const StockValues& values) {
    std::string sql;
    for (const Part& part : kStatements[static_cast<std::size_t>(statement)].parts) {
        if (part.slot == None)
            sql += part.sql;
        else
            paste(sql, part.slot, values);
    }
    return sql;
}

}  // namespace zorvanil::update
