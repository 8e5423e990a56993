#pragma once

#include "server/handler_table.hpp"

namespace zorvanil::update {

// The article code of DSPQ_ARTICULOS: every article change remembers the old value of its
// ID_ARTICULO (a new article's own code), and the apply returns the last one as its owner data.
void registerArticleKeyHandlers(server::HandlerTable& table);

}  // namespace zorvanil::update
