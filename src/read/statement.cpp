#include "read/statement.hpp"

#include "common/text.hpp"

namespace zorvanil::read {

std::string_view ReadRequest::value(RequestValue v) const {
    switch (v) {
        case RequestValue::None:
            return {};
        case RequestValue::SearchText:
            return record.SearchText;
        case RequestValue::SearchTextTrimmed:
            return trim(record.SearchText);
        case RequestValue::SearchMode:
            return record.SearchMode;
        case RequestValue::OrderClause:
            return record.OrderClause;
        case RequestValue::DetailOrderClause:
            return record.DetailOrderClause;
        case RequestValue::DeletedFilter:
            return record.DeletedFilter;
        case RequestValue::Company:
            return record.Company;
        case RequestValue::Year:
            return record.Year;
        case RequestValue::Year2:
            return record.Year2;
        case RequestValue::Value2:
            return record.Value2;
        case RequestValue::TypeFilter:
            return record.TypeFilter;
        case RequestValue::ExtraClause:
            return record.ExtraClause;
        case RequestValue::Series:
            return record.Series;
        case RequestValue::Token1:
        case RequestValue::Token2:
        case RequestValue::Token3:
        case RequestValue::Token4:
        case RequestValue::Token5:
        case RequestValue::Token6:
        case RequestValue::Token7:
            return tokens[static_cast<std::size_t>(v) -
                          static_cast<std::size_t>(RequestValue::Token1)];
    }
    return {};
}

bool matches(const When& when, std::string_view modeValue) {
    switch (when.kind) {
        case When::Equals:
            return modeValue == when.mode;
        case When::Any:
            return true;
        case When::NotEmpty:
            return !modeValue.empty();
    }
    return false;
}

void appendPieces(std::string& sql, const Pieces& pieces, const ReadRequest& request) {
    for (const Piece& piece : pieces) {
        if (piece.value == RequestValue::None) {
            sql += piece.sql;
            continue;
        }
        const std::string_view v = request.value(piece.value);
        if (piece.pasting == Pasting::Quoted && v.find('\'') != std::string_view::npos)
            sql += doubleApostrophes(v);
        else
            sql += v;
    }
}

std::int32_t pageSkip(std::int32_t pageNumber, std::int32_t pageSize) {
    // Unsigned multiplication wraps; the conversion back keeps the low 32 bits.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(pageNumber) *
                                     static_cast<std::uint32_t>(pageSize));
}

}  // namespace zorvanil::read
