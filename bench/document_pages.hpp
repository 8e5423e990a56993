#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace zorvanil::bench {

// One name looked up for each packed header row: the key column's text completes the statement
// (between apostrophes, doubled, when quoted), whose first column fills the calculated field.
struct NameLookup {
    std::string field;
    std::string keyColumn;
    std::string before;
    bool quoted = false;
    std::string after;
};

// A page that the document benchmark reads, described once: what the client asks for, and the
// statements the server is expected to run for it, which the SQLite baselines run as well.
struct DocumentPage {
    std::string name;
    std::string provider;
    std::string headerDataSet;
    int pageSize = 0;
    // The options string the client sends.
    std::string options;
    // The statements as the server composes and stores them. The line statement takes its named
    // parameters from the header row's columns of the same name; empty when there are no lines.
    std::string headerStatement;
    std::string lineDataSet;
    std::string lineStatement;
    // Per header row, in the order they run.
    std::vector<NameLookup> lookups;
    // One statement that returns the same header rows with their names: the header statement's
    // columns, then one column per lookup, then the line statement's columns, a row for each line
    // (or one with null line columns for a header without lines). Consecutive rows of one header
    // share its first column.
    std::string joinStatement;
};

// A page of 20 invoices of company 1, 2025, series A, with their lines and customer names
// (DSPQ_MDFACTURA, a condition of the client's in mode "6"). The demo database gives an invoice 1
// to 8 lines; the page holds the first 20 invoices that have 8, found in the database given.
DocumentPage invoicePage(const std::filesystem::path& database);

// A page of 50 articles whose code, description or supplier code begins with "L" and that are not
// deleted, with their colour, family and supplier names (DSPQ_ARTICULOS, mode "1").
DocumentPage articlePage();

}  // namespace zorvanil::bench
