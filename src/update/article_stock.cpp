#include "update/article_stock.hpp"

#include "server/remote_data_module.hpp"
#include "update/scratch_statement.hpp"

namespace zorvanil::update {

std::int32_t stockRowCount(server::TAZORVANIL& module, std::string_view article,
                           std::string_view company) {
    const std::string sql =
        stockSql(StockStatement::StockRowCount, {.article = article, .company = company});
    return firstInteger(module.Q_AUX(), sql).value_or(0);
}

void moveStock(server::TAZORVANIL& module, StockStatement movement, std::string_view sign,
               std::string_view quantity, std::string_view article, std::string_view company) {
    runStatement(
        module.Q_AUX(),
        stockSql(movement,
                 {.article = article, .company = company, .quantity = quantity, .sign = sign}));
}

void correctStock(server::TAZORVANIL& module, std::string_view reverseSign,
                  std::string_view oldQuantity, std::string_view sign, std::string_view newQuantity,
                  std::string_view article, std::string_view company) {
    runStatement(module.Q_AUX(), stockSql(StockStatement::Correct, {.article = article,
                                                                    .company = company,
                                                                    .quantity = oldQuantity,
                                                                    .secondQuantity = newQuantity,
                                                                    .sign = sign,
                                                                    .reverseSign = reverseSign}));
}

void checkStockAlert(server::TAZORVANIL& module, std::string_view article, std::string_view company,
                     AlertScope scope) {
    const std::string sql =
        stockSql(StockStatement::AlertCheck, {.article = article, .company = company});
    if (!selectsAnyRow(module.Q_AUX(), sql)) return;
    server::WorkingFields& w = module.working();
    w.AlertEntradas = 1;
    if (scope == AlertScope::GoodsIn) return;
    w.AlertSalida = w.AlertAlbaran = w.AlertFactura = w.AlertTicket = 1;
}

std::string companyAlertLevel(server::TAZORVANIL& module, std::string_view company) {
    const std::optional<std::string> level = firstText(
        module.Q_AUX(), stockSql(StockStatement::CompanyAlertLevel, {.company = company}));
    return level && !level->empty() ? *level : "0";
}

bool isTracked(server::TAZORVANIL& module, std::string_view article) {
    return firstText(module.Q_AUX1(),
                     stockSql(StockStatement::ArticleTracked, {.article = article})) == "1";
}

void insertStockRow(server::TAZORVANIL& module, StockStatement insert, const NewStockValues& row) {
    runStatement(module.Q_AUX(), stockSql(insert, {.article = row.article,
                                                   .company = row.company,
                                                   .quantity = row.quantity,
                                                   .alertLevel = row.alertLevel,
                                                   .brand = row.brand,
                                                   .description = row.description,
                                                   .sign = row.sign}));
}

}  // namespace zorvanil::update
