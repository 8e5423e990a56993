#pragma once

#include <memory>
#include <string_view>

#include <boost/json/parse_options.hpp>
#include <boost/json/storage_ptr.hpp>
#include <boost/json/value.hpp>

namespace zorvanil::packet {

// Parses JSON text as boost::json::parser does, but reads every number written with a fraction
// or an exponent (or an integer beyond 64 bits) as the double nearest to its text. Boost.JSON's
// own reading of such numbers is off by a unit in the last place for about one in ten of them,
// so that a double written in its shortest form and read back was another double, and an amount
// sent in a change packet was stored as a neighbour of itself. The parser keeps its working
// space from text to text.
class JsonParser {
  public:
    explicit JsonParser(const boost::json::parse_options& options = {});
    ~JsonParser();
    JsonParser(const JsonParser&) = delete;
    JsonParser& operator=(const JsonParser&) = delete;

    // The value of the whole text, its parts in `storage`; null with `ec` set when the text is no
    // JSON, or has more than one value.
    boost::json::value parse(std::string_view text, boost::system::error_code& ec,
                             boost::json::storage_ptr storage = {});
    // The same, except that each object that is the value of a member of the top-level
    // object's member `outer` is left out: an empty object stands in its place, for the caller
    // to read from its text. A request's packets are then read straight into packets, without
    // their parsed JSON beside them.
    boost::json::value parseLeavingOut(std::string_view text, std::string_view outer,
                                       boost::system::error_code& ec,
                                       boost::json::storage_ptr storage = {});

  private:
    struct Handler;
    struct Parser;
    std::unique_ptr<Parser> parser_;
};

// The double nearest to a number's text; `parsed` (Boost.JSON's reading) when the text is beyond
// the range of a double.
double nearestDouble(std::string_view text, double parsed);

// The same with a parser of its own.
boost::json::value parseJson(std::string_view text, boost::system::error_code& ec,
                             boost::json::storage_ptr storage = {});

}  // namespace zorvanil::packet
