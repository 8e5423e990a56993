#pragma once

#include <string>
#include <vector>

#include "support/document_read_fixture.hpp"

namespace zorvanil::test {

// A kind of document whose lines post stock: its provider and line dataset, header and line
// tables, number
// column, whether it has series and bar codes, the one more header field the tests change or
// set ("" for none), and the read that gives its datasets their statements before an apply.
struct StockDocument {
    const char* provider;
    const char* lineDataset;
    const char* header;
    const char* lines;
    const char* number;
    bool series;
    bool barCodes;
    const char* extraField;
    std::string read;
};

extern const StockDocument kDeliveryNote, kInvoice, kGoodsOut, kTicket, kGoodsIn;

// A line as the stock rules read it; the company is 1 unless a line says otherwise.
struct Line {
    int linea;
    Variant article, barCode, brand, description, quantity;
    Variant company = Variant(std::int16_t{1});
};

// Which document of a kind: its number, year, company and series (unused by kinds without one).
struct DocumentKey {
    int number = 500;
    std::int16_t year = 2024;
    std::int16_t company = 1;
    std::string series = "A";
};

// The change packet of one document of a kind (company 1, year 2024, series A unless its key
// says otherwise): its line changes first, then its header. A line's company is its own.
class DocumentDelta {
  public:
    explicit DocumentDelta(const StockDocument& kind, int number = 500);
    DocumentDelta(const StockDocument& kind, DocumentKey key);
    DocumentDelta& inserted(const Line& line);
    DocumentDelta& deleted(const Line& line);
    // A modification of `line`: `changes` holds each value it sets, unassigned where it sets none.
    DocumentDelta& modified(const Line& line, const Line& changes);
    // The header as fetched, its extra field `fetched`, carrying the line changes.
    Variant carried(const Variant& fetched = Variant::null()) const;
    // The header with its extra field changed from `fetched` to `extra` by a modification, after
    // its lines.
    Variant headerModified(const Variant& extra, const Variant& fetched = Variant::null()) const;
    // A new header whose extra field is `extra`, written before its new lines.
    Variant headerInserted(const Variant& extra) const;

  private:
    std::vector<Variant> keys(const Variant& company) const;
    std::vector<Variant> lineValues(const Line& line) const;
    packet::DataPacket linesPacket() const;
    Variant header(std::vector<packet::PacketRow> rows) const;

    const StockDocument& kind_;
    DocumentKey key_;
    std::vector<packet::PacketField> lineFields_;
    std::vector<packet::PacketRow> lineRows_;
};

// The shop of DocumentReadFixture with stock: ALMACEN counts and alert levels, bar-code counts in
// both ledgers, tracked and untracked articles (one of them L'OREAL-5, with an apostrophe in its
// code, brand and bar code) and a document 500 of each kind with lines to change.
class StockFixture : public DocumentReadFixture {
  protected:
    StockFixture();
    // Every row of ALMACEN, ALMACENDETALLE and ALMACENDETALLE2, read through SQLite itself:
    // "ALMACEN article/company CANTIDAD AVISAR MARCA", "ALMACENDETALLE code CANTIDAD",
    // "ALMACENDETALLE2 number code CANTIDAD".
    std::vector<std::string> stock() const;
    // The lines of the kind's documents 500 to 999: "number/line:article:CANTIDAD", by line.
    std::string lines(const StockDocument& kind) const;
};

}  // namespace zorvanil::test
