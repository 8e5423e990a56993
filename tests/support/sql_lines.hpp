#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace zorvanil::test {

// A statement written one source line per line, the way the resolver composes its statements
// and some stored dataset texts are kept: every line closed by "\r\n", the last one too.
//
//   sqlLines({"delete from \"LINEAS\" ", "where", " \"ID_PEDIDO\" = ?"})
inline std::string sqlLines(std::initializer_list<std::string_view> lines) {
    std::string out;
    for (std::string_view line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

}  // namespace zorvanil::test
