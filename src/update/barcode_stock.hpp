#pragma once

#include <cstdint>
#include <string_view>

namespace zorvanil::server {
class TAZORVANIL;
}

namespace zorvanil::update {

// How a bar code's count moves.
inline constexpr std::int16_t kSingleMovement = 0;  // `sign` and the quantity
inline constexpr std::int16_t kCorrection = 1;      // the quantity taken back, the second applied

// Moves the count of a bar code in ALMACENDETALLE (PostBarcodeStock) or ALMACENDETALLE2
// (PostBarcodeStock2), through Q_AUX: every row of that bar code moves by the whole quantity, and
// a bar code without a row is not tracked, which is no error. The signs are " - " or " + ";
// `reverseSign` comes before the first quantity of a correction, `sign` before the second one.
// Any other mode counts the rows and moves nothing.
void PostBarcodeStock(server::TAZORVANIL& module, std::string_view barCode, std::string_view sign,
                      std::string_view reverseSign, std::string_view quantity,
                      std::string_view secondQuantity, std::int16_t mode);
void PostBarcodeStock2(server::TAZORVANIL& module, std::string_view barCode, std::string_view sign,
                       std::string_view reverseSign, std::string_view quantity,
                       std::string_view secondQuantity, std::int16_t mode);

// Both ledgers receive every movement: PostBarcodeStock, then PostBarcodeStock2.
void postBarcodeLedgers(server::TAZORVANIL& module, std::string_view barCode, std::string_view sign,
                        std::string_view reverseSign, std::string_view quantity,
                        std::string_view secondQuantity, std::int16_t mode);

}  // namespace zorvanil::update
