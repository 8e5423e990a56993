#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "client/answer_parser.hpp"

namespace zorvanil::testing {
namespace {

// An answer whose result is an array of `rows` rows of ten short texts.
std::string answerWithRows(int rows) {
    std::string text = R"({"jsonrpc":"2.0","result":{"result":[)";
    for (int r = 0; r < rows; ++r) {
        text += r ? ",[" : "[";
        for (int c = 0; c < 10; ++c)
            text += (c ? "," : "") + std::string(R"("a text of a row")");
        text += "]";
    }
    return text + R"(],"RecsOut":)" + std::to_string(rows) + R"(},"id":1})";
}

// A client parses every answer of a long session in the same storage. Answers that outgrow its
// first buffer, one after another, never make it fail for lack of memory (storage that grew for
// one answer and was given back must not grow further for the next).
TEST(AnswerParser, ParsesAnswerAfterAnswerOfEverySize) {
    struct Case {
        const char* what;
        int rows;
    };
    const Case cases[] = {
        {"within the first buffer", 2},
        {"a few times the first buffer", 100},
        {"far beyond the first buffer", 2000},
    };
    auto parser = std::make_unique<client::AnswerParser>();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string answer = answerWithRows(c.rows);
        for (int i = 0; i < 200; ++i) {
            boost::system::error_code ec;
            boost::json::value v = parser->parse(answer, ec);
            ASSERT_FALSE(ec) << ec.message();
            ASSERT_EQ(v.at("result").at("result").as_array().size(),
                      static_cast<std::size_t>(c.rows))
                << "parse " << i;
        }
    }
}

}  // namespace
}  // namespace zorvanil::testing
