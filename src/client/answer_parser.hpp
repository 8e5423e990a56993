#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include <boost/json/monotonic_resource.hpp>
#include <boost/json/value.hpp>

#include "packet/json_parser.hpp"

namespace zorvanil::client {

// Parses the server's answers one after another. Each answer is parsed into storage that starts
// in a buffer of its own and is given back whole before the next answer is parsed, so that the
// values read from one answer must be copied out of it before the next one comes; the parser keeps
// its working space from answer to answer.
class AnswerParser {
  public:
    boost::json::value parse(std::string_view text, boost::system::error_code& ec) {
        // A fresh resource on the same buffer for each answer. One that has given back what it
        // took keeps the size of its next block, which doubles at every block it takes: reused for
        // answer after answer that outgrows the buffer, it asks for more each time until the
        // request fails, after a few dozen answers of a page of documents.
        store_.emplace(space_, sizeof space_);
        return parser_.parse(text, ec, &*store_);
    }

  private:
    alignas(std::max_align_t) unsigned char space_[16 * 1024];
    std::optional<boost::json::monotonic_resource> store_;
    packet::JsonParser parser_;
};

}  // namespace zorvanil::client
