#pragma once

#include <string>
#include <vector>

#include "support/case_names.hpp"
#include "support/list_options.hpp"
#include "support/list_read_fixture.hpp"

namespace zorvanil::test {

// The master data of kListRows and documents of every kind on the real schema. Each kind holds
// numbers 12, 120, 1234 and 312 of company 1 in 2024, 12 of company 2 in 2024 and 12 of company 1
// in 2025; kinds with series also 12 of series B (company 1, 2024). Document 12 of company 1 in
// 2024 has two lines, 312 none, every other one line. A line's article (ID_FORMA for payment
// lines) names its document: "12/2" is line 2 of number 12, "E2:12/1" of company 2, "25:12/1"
// of 2025, "B:12/1" of series B.
class DocumentReadFixture : public ListReadFixture {
  protected:
    DocumentReadFixture();
    // Each header row as its named columns joined by ',', then its lines in brackets, each line
    // as its named columns joined by ',' and the lines joined by ';': "12,A [12/1;12/2]".
    static std::vector<std::string> documents(const ReadResult& r, std::string_view columns,
                                              std::string_view lineColumns);
    // Whether the provider's header dataset and its line dataset are both closed.
    bool closed(std::string_view provider);
};

// One document read: the provider, its options string, the header and line statements it must
// send (byte for byte) and the documents those statements return, in any order.
struct DocumentCase {
    const char* name;
    const char* provider;
    CaseOptions options;
    const char* header;
    const char* lines;
    const char* columns;
    const char* lineColumns;
    std::vector<std::string> documents;
};
// The provider and the options: "DSPQ_MDALBARAN company="1" searchText="12" searchMode="1"".
void PrintTo(const DocumentCase& c, std::ostream* os);

}  // namespace zorvanil::test
