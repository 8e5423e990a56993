#include "update/command_channel.hpp"

#include "db/sql_connection.hpp"
#include "db/sql_dataset.hpp"
#include "server/provider.hpp"
#include "server/remote_data_module.hpp"

namespace zorvanil::update {

namespace {

using server::DataSetProvider;
using server::DeltaRecord;
using server::EUpdateError;
using server::ResolverResponse;
using server::TAZORVANIL;
using server::UpdateKind;

void beforeExecute(TAZORVANIL& module, DataSetProvider& sender, Variant& ownerData) {
    db::TransactionDesc& transaction = module.working().CommandTransaction;
    const std::int32_t identifier = ownerData.toInt32();
    if (identifier == -1) module.SQLConnection1().rollback(transaction);
    transaction.transactionID = static_cast<std::uint32_t>(identifier);
    module.SQLConnection1().startTransaction(transaction);
    sender.dataSet()->prepare();
}

void afterExecute(TAZORVANIL& module, DataSetProvider& sender, Variant& ownerData) {
    db::TransactionDesc& transaction = module.working().CommandTransaction;
    sender.dataSet()->unprepare();
    try {
        module.SQLConnection1().commit(transaction);
        ownerData = Variant(static_cast<std::int32_t>(transaction.transactionID));
    } catch (const std::exception&) {
        // A commit that fails is rolled back; the client keeps the owner data it sent.
        try {
            module.SQLConnection1().rollback(transaction);
        } catch (const std::exception&) {
        }
    }
}

void commandUpdateError(TAZORVANIL& module, DataSetProvider&, DeltaRecord&, const EUpdateError&,
                        UpdateKind, ResolverResponse&) {
    module.SQLConnection1().rollback(module.working().CommandTransaction);
}

// A failed deletion is dropped as if it had succeeded; a failed modification is skipped and
// reported.
void dropFailedDeletions(TAZORVANIL&, DataSetProvider&, DeltaRecord&, const EUpdateError& e,
                         UpdateKind kind, ResolverResponse& response) {
    if (e.errorCode() != 1) return;
    if (kind == UpdateKind::ukDelete) response = ResolverResponse::rrIgnore;
    if (kind == UpdateKind::ukModify) response = ResolverResponse::rrSkip;
}

}  // namespace

void registerCommandChannelHandlers(server::HandlerTable& table) {
    table.add("DSPQ_ACTUALIZARBeforeExecute", server::RemoteEventHandler(beforeExecute));
    table.add("DSPQ_ACTUALIZARAfterExecute", server::RemoteEventHandler(afterExecute));
    table.add("DSPQ_ACTUALIZARUpdateError", server::UpdateErrorHandler(commandUpdateError));
    for (const char* name : {"DSPQ_PROVEEDOR_ACREEDORUpdateError", "DSPQ_COLORESAUXUpdateError",
                             "DSPQ_EANUpdateError"})
        table.add(name, server::UpdateErrorHandler(dropFailedDeletions));
}

}  // namespace zorvanil::update
