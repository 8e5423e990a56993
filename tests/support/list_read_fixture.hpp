#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "server/provider.hpp"
#include "server/remote_data_module.hpp"
#include "support/list_options.hpp"
#include "support/read_result.hpp"
#include "support/test_server.hpp"

namespace zorvanil::test {

// The shop's master data, a few rows per table, on the real schema.
extern const char* const kListRows;

// A server object of the real catalogue and handlers on a database of the real schema, filled with
// kListRows.
class ListReadFixture : public ::testing::Test {
  protected:
    ListReadFixture();
    server::TAZORVANIL& module();
    // Drops the server object: the next read is served by a new one.
    void freshModule() { module_.reset(); }
    // An AS_GetRecords call; `sent` receives the statements it sent to the database. The metadata
    // bit is set by default so that every packet names its columns.
    ReadResult read(std::string_view provider, std::int32_t count, const Variant& owner,
                    std::int32_t options = server::grMetaData, std::string_view commandText = {});
    // The values of the named columns of every row of the packet, joined by ','.
    static std::vector<std::string> rows(const ReadResult& r, std::string_view columns);

    TestDatabase db;
    std::vector<std::string> sent;  // statements of the last read

  private:
    std::unique_ptr<server::TAZORVANIL> module_;
};

// Sorted copy, for row sets that a statement returns in no fixed order.
std::vector<std::string> sorted(std::vector<std::string> v);

// Whether `sql` is one of the name lookups that the rows of `dataSet` run as they are packed.
bool isNameLookup(std::string_view dataSet, std::string_view sql);
// The statements without the name lookups of the rows of `dataSet`.
std::vector<std::string> withoutNameLookups(const std::vector<std::string>& statements,
                                            std::string_view dataSet);

}  // namespace zorvanil::test
