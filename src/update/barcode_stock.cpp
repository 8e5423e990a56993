#include "update/barcode_stock.hpp"

#include "server/remote_data_module.hpp"
#include "update/scratch_statement.hpp"
#include "update/stock_statements.hpp"

namespace zorvanil::update {

namespace {

void postOnLedger(server::TAZORVANIL& module, std::string_view ledger, std::string_view barCode,
                  std::string_view sign, std::string_view reverseSign, std::string_view quantity,
                  std::string_view secondQuantity, std::int16_t mode) {
    const StockValues values{.quantity = quantity,
                             .secondQuantity = secondQuantity,
                             .barCode = barCode,
                             .ledger = ledger,
                             .sign = sign,
                             .reverseSign = reverseSign};
    db::SQLDataSet& aux = module.Q_AUX();
    if (firstInteger(aux, stockSql(StockStatement::BarcodeRowCount, values)).value_or(0) == 0)
        return;
    if (mode == kSingleMovement)
        runStatement(aux, stockSql(StockStatement::BarcodeMove, values));
    else if (mode == kCorrection)
        runStatement(aux, stockSql(StockStatement::BarcodeCorrect, values));
}

}  // namespace

void PostBarcodeStock(server::TAZORVANIL& module, std::string_view barCode, std::string_view sign,
                      std::string_view reverseSign, std::string_view quantity,
                      std::string_view secondQuantity, std::int16_t mode) {
    postOnLedger(module, "ALMACENDETALLE", barCode, sign, reverseSign, quantity, secondQuantity,
                 mode);
}

void PostBarcodeStock2(server::TAZORVANIL& module, std::string_view barCode, std::string_view sign,
                       std::string_view reverseSign, std::string_view quantity,
                       std::string_view secondQuantity, std::int16_t mode) {
    postOnLedger(module, "ALMACENDETALLE2", barCode, sign, reverseSign, quantity, secondQuantity,
                 mode);
}

void postBarcodeLedgers(server::TAZORVANIL& module, std::string_view barCode, std::string_view sign,
                        std::string_view reverseSign, std::string_view quantity,
                        std::string_view secondQuantity, std::int16_t mode) {
    PostBarcodeStock(module, barCode, sign, reverseSign, quantity, secondQuantity, mode);
    PostBarcodeStock2(module, barCode, sign, reverseSign, quantity, secondQuantity, mode);
}

}  // namespace zorvanil::update
