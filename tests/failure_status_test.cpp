#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "common/error.hpp"

namespace zorvanil::test {
namespace {

// What both boundaries answer for an error: the server object's and the transport's.
TEST(FailureStatus, OnlyANegativeStatusOfTheErrorReplacesTheGeneralFailure) {
    struct Case {
        const char* name;
        std::function<void()> fail;
        std::int32_t status;
        std::string message;
        std::int32_t helpContext;
    };
    const std::int32_t accessDenied = static_cast<std::int32_t>(0x80070005u);
    const Case cases[] = {
        {"negative status", [&] { throw Error("Access denied", accessDenied, 7); }, accessDenied,
         "Access denied", 7},
        {"positive status", [] { throw Error("Warning", 5, 3); }, kGeneralFailure, "Warning", 3},
        {"no status", [] { throw DatabaseError("no such table: X"); }, kGeneralFailure,
         "no such table: X", 0},
        {"standard exception", [] { throw std::out_of_range("vector"); }, kGeneralFailure, "vector",
         0},
        {"anything else", [] { throw 42; }, kGeneralFailure, "Unknown error", 0},
    };
    for (const Case& c : cases) {
        Failure failure;
        try {
            c.fail();
        } catch (...) {
            failure = currentFailure();
        }
        EXPECT_EQ(failure.status, c.status) << c.name;
        EXPECT_EQ(failure.message, c.message) << c.name;
        EXPECT_EQ(failure.helpContext, c.helpContext) << c.name;
    }
}

}  // namespace
}  // namespace zorvanil::test
