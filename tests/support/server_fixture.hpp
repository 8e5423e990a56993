#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "server/remote_data_module.hpp"
#include "support/read_result.hpp"
#include "support/test_catalogue.hpp"
#include "support/test_server.hpp"

namespace zorvanil::test {

// A server object of the test catalogue on a fresh shop database.
class ServerFixture : public ::testing::Test {
  protected:
    ServerFixture() : handlers(testHandlers(log)) {}
    server::TAZORVANIL& module() {
        if (!module_)
            module_ =
                std::make_unique<server::TAZORVANIL>(testCatalogue(), handlers, db.environment());
        return *module_;
    }
    ReadResult read(std::string_view provider, std::int32_t count, std::int32_t options = 0,
                    Variant owner = {}, std::string_view commandText = {}, Variant params = {}) {
        return getRecords(module(), provider, count, options, std::move(owner), commandText,
                          std::move(params));
    }

    TestDatabase db{kShopDdl};
    HandlerLog log;
    server::HandlerTable handlers;
    std::unique_ptr<server::TAZORVANIL> module_;
};

}  // namespace zorvanil::test
