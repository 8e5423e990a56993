#include "server/resolver/sql_generator.hpp"

#include <cctype>

#include "common/messages.hpp"
#include "common/text.hpp"
#include "db/sql_text.hpp"

namespace zorvanil::server {

namespace {

constexpr std::string_view kLineBreak = "\r\n";

bool isQuote(char c) {
    return c == '"' || c == '\'' || c == '`';
}
bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#' ||
           c == '@';
}

void line(std::string& sql, std::string_view text) {
    sql.append(text);
    sql.append(kLineBreak);
}

}  // namespace

bool SqlGenerator::isWellFormedName(std::string_view name) {
    std::size_t i = 0;
    while (true) {
        if (i < name.size() && isQuote(name[i])) {
            const char q = name[i++];
            // The part ends at a quote that is not doubled.
            while (true) {
                if (i >= name.size()) return false;
                if (name[i++] != q) continue;
                if (i < name.size() && name[i] == q) {
                    ++i;
                    continue;
                }
                break;
            }
        } else {
            const std::size_t start = i;
            while (i < name.size() &&
                   (isNameChar(name[i]) || static_cast<unsigned char>(name[i]) >= 0x80))
                ++i;
            if (i == start) return false;
        }
        if (i == name.size()) return true;
        if (name[i++] != '.') return false;
    }
}

std::string SqlGenerator::quoteName(std::string_view name, std::string_view quoteChar) {
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            raise(msg::kNameWithControlCharacter, {echoed(name)});
    if (name.empty()) return {};
    const bool quoted = isQuote(name.front()) || isQuote(name.back());
    if ((quoted || quoteChar.empty()) && isWellFormedName(name)) return std::string(name);
    if (quoteChar.empty()) raise(msg::kNameNeedsQuotes, {echoed(name)});
    const char quote = quoteChar.front();
    std::string out;
    std::size_t start = 0;
    while (true) {
        std::size_t dot = name.find('.', start);
        out.append(quoteChar)
            .append(doubleQuotes(name.substr(start, dot - start), quote))
            .append(quoteChar);
        if (dot == std::string_view::npos) break;
        out.push_back('.');
        start = dot + 1;
    }
    return out;
}

std::string tableNameFromSql(std::string_view sql) {
    std::size_t i = 0;
    // Find the first FROM that stands as a word outside quotes.
    for (; i < sql.size(); ++i) {
        if (db::opensQuoted(sql[i])) {
            i = db::closingQuote(sql, i);
            continue;
        }
        if (i + 4 <= sql.size() && sameText(sql.substr(i, 4), "FROM") &&
            (i == 0 || !isNameChar(sql[i - 1])) &&
            (i + 4 == sql.size() || !isNameChar(sql[i + 4]))) {
            i += 4;
            break;
        }
    }
    if (i >= sql.size()) return {};
    while (i < sql.size() && static_cast<unsigned char>(sql[i]) <= ' ')
        ++i;
    std::string name;
    while (i < sql.size()) {
        if (isQuote(sql[i])) {
            char q = sql[i];
            std::size_t end = sql.find(q, i + 1);
            if (end == std::string_view::npos) end = sql.size() - 1;
            name.append(sql.substr(i, end - i + 1));
            i = end + 1;
        } else {
            std::size_t start = i;
            while (i < sql.size() && isNameChar(sql[i]))
                ++i;
            if (i == start) break;
            name.append(sql.substr(start, i - start));
        }
        if (i < sql.size() && sql[i] == '.') {
            name.push_back('.');
            ++i;
        } else {
            break;
        }
    }
    return name;
}

bool SqlGenerator::takesPartInUpdate(const packet::PacketField& field, const Variant& newValue) {
    if (!(field.providerFlags & packet::pfInUpdate) || (field.providerFlags & packet::pfHidden))
        return false;
    if (field.def.calculated || field.serverCalc || newValue.isUnassigned()) return false;
    return field.def.type != db::FieldType::DataSet;
}

bool SqlGenerator::takesPartInWhere(const packet::PacketField& field) {
    if (!(field.providerFlags & packet::pfInWhere) || field.def.calculated || field.serverCalc)
        return false;
    switch (field.def.type) {
        case db::FieldType::Blob:
        case db::FieldType::Memo:
        case db::FieldType::DataSet:
        case db::FieldType::Unknown:
            return false;
        default:
            return field.def.size < 8192;
    }
}

std::string SqlGenerator::column(const packet::PacketField& field) const {
    return quoteName(field.originOrName(), quote_);
}

void SqlGenerator::condition(const DeltaRecord& change, bool keysOnly,
                             GeneratedStatement& out) const {
    std::string lines;
    const auto& fields = change.fields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto& f = fields[i];
        if (!takesPartInWhere(f) || (keysOnly && !(f.providerFlags & packet::pfInKey))) continue;
        Variant old = change.oldValue(static_cast<int>(i));
        if (old.isEmpty()) {
            line(lines, " " + column(f) + " is null and");
        } else {
            line(lines, " " + column(f) + " = ? and");
            out.params.push_back(std::move(old));
        }
    }
    if (lines.empty()) throw Error(msg::kNoKeySpecified);
    // The " and" that ends the last line goes.
    lines.erase(lines.size() - kLineBreak.size() - 4, 4);
    line(out.sql, "where");
    out.sql += lines;
}

GeneratedStatement SqlGenerator::modification(const DeltaRecord& change) const {
    GeneratedStatement out;
    line(out.sql, "update " + table() + "  set");
    std::string sets;
    const auto& fields = change.fields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        Variant value = change.newValue(static_cast<int>(i));
        if (!takesPartInUpdate(fields[i], value)) continue;
        line(sets, " " + column(fields[i]) + " = ?,");
        out.params.push_back(std::move(value));
    }
    if (!sets.empty()) sets.erase(sets.size() - kLineBreak.size() - 1, 1);
    out.sql += sets;
    condition(change, false, out);
    return out;
}

GeneratedStatement SqlGenerator::insertion(const DeltaRecord& change) const {
    GeneratedStatement out;
    std::string columns, marks;
    const auto& fields = change.fields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        Variant value = change.newValue(static_cast<int>(i));
        if (value.isUnassigned()) value = change.oldValue(static_cast<int>(i));
        if (!takesPartInUpdate(fields[i], value)) continue;
        columns += column(fields[i]) + ", ";
        marks += "?, ";
        out.params.push_back(std::move(value));
    }
    if (!columns.empty()) {
        columns.replace(columns.size() - 2, 2, ")");
        marks.replace(marks.size() - 2, 2, ")");
    }
    line(out.sql, "insert into " + table());
    line(out.sql, "  (" + columns);
    line(out.sql, "values");
    line(out.sql, "  (" + marks);
    return out;
}

GeneratedStatement SqlGenerator::deletion(const DeltaRecord& change) const {
    GeneratedStatement out;
    line(out.sql, "delete from " + table() + " ");
    condition(change, false, out);
    return out;
}

GeneratedStatement SqlGenerator::currentValues(const DeltaRecord& change) const {
    GeneratedStatement out;
    line(out.sql, "select");
    std::string columns;
    for (const auto& f : change.fields())
        if (takesPartInWhere(f)) line(columns, " " + column(f) + ",");
    if (!columns.empty()) columns.erase(columns.size() - kLineBreak.size() - 1, 1);
    out.sql += columns;
    line(out.sql, " from " + table() + " ");
    condition(change, true, out);
    return out;
}

}  // namespace zorvanil::server
