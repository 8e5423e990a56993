#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/text.hpp"
#include "read/options_record.hpp"

namespace zorvanil::read {

// The request values a statement can paste in: the fields of a TMIRECORD, and the tokens of a
// short options layout.
enum class RequestValue : std::uint8_t {
    None,
    SearchText,
    SearchTextTrimmed,  // SearchText without the characters of code 32 or lower at its ends
    SearchMode,
    OrderClause,
    DetailOrderClause,
    DeletedFilter,
    Company,
    Year,
    Year2,
    Value2,
    TypeFilter,
    ExtraClause,
    Series,
    Token1,
    Token2,
    Token3,
    Token4,
    Token5,
    Token6,
    Token7,
};

inline constexpr std::size_t kMaxShortTokens = 7;

// What one read request asked for: its options record, or the tokens of its short layout, and the
// page it wants.
struct ReadRequest {
    TMIRECORD record;
    std::array<std::string, kMaxShortTokens> tokens;
    std::int32_t pageNumber = 0;
    std::int32_t pageSize = 0;

    std::string_view value(RequestValue v) const;
};

// How a value is pasted into the SQL text.
enum class Pasting : std::uint8_t {
    // The value is SQL text of its own (a number, a condition, an ORDER BY clause): as sent.
    Raw,
    // The value stands between apostrophes: each apostrophe of the value is doubled, so that the
    // database reads the value as typed and the value cannot end the literal early.
    Quoted,
};

// One piece of a statement: fixed SQL text, or a request value.
struct Piece {
    constexpr Piece() = default;
    constexpr Piece(const char* sql) : sql(sql) {}  // NOLINT: table entries read as SQL text
    constexpr Piece(RequestValue value, Pasting pasting) : value(value), pasting(pasting) {}

    std::string_view sql;
    RequestValue value = RequestValue::None;
    Pasting pasting = Pasting::Raw;
};

constexpr Piece raw(RequestValue v) {
    return Piece(v, Pasting::Raw);
}
constexpr Piece quoted(RequestValue v) {
    return Piece(v, Pasting::Quoted);
}

// The pieces of one tail, joined without any added character; unused entries stay empty.
inline constexpr std::size_t kMaxPieces = 14;
using Pieces = std::array<Piece, kMaxPieces>;

// Which requests a tail serves, tested against the provider's mode value.
struct When {
    enum Kind : std::uint8_t {
        Equals,    // the mode value is exactly `mode` (no trimming, case as sent)
        Any,       // every request that no earlier tail of the provider took
        NotEmpty,  // the mode value is not empty
    };
    Kind kind = Any;
    std::string_view mode;
};

constexpr When mode(std::string_view m) {
    return When{When::Equals, m};
}
inline constexpr When kEveryRequest{When::Any, {}};
inline constexpr When kAnyOtherMode{When::Any, {}};
inline constexpr When kWhenGiven{When::NotEmpty, {}};

bool matches(const When& when, std::string_view modeValue);

// A value in a quoted position with each apostrophe doubled (the one rule of every layer).
using zorvanil::doubleApostrophes;

// Appends the pieces to `sql`, pasting the request's values.
void appendPieces(std::string& sql, const Pieces& pieces, const ReadRequest& request);

// The rows before the requested page: page number times page size as a 32-bit product, wrapping
// as a 32-bit multiplication does. Zero or less skips nothing.
std::int32_t pageSkip(std::int32_t pageNumber, std::int32_t pageSize);

}  // namespace zorvanil::read
