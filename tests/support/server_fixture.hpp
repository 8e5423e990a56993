#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "packet/data_packet.hpp"
#include "server/remote_data_module.hpp"
#include "support/test_catalogue.hpp"
#include "support/test_server.hpp"

namespace zorvanil::test {

// What one AS_GetRecords call returned.
struct ReadResult {
    server::CallStatus status;
    Variant result;
    std::int32_t recsOut = 0;
    Variant params;
    const packet::DataPacket& packet() const { return *result.asPacket(); }
    // The values of one column of the packet's rows, as text.
    std::vector<std::string> column(std::size_t index) const;
};

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
                    Variant owner = {}, std::string_view commandText = {}, Variant params = {});

    TestDatabase db{kShopDdl};
    HandlerLog log;
    server::HandlerTable handlers;
    std::unique_ptr<server::TAZORVANIL> module_;
};

}  // namespace zorvanil::test
