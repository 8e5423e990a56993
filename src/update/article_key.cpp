#include "update/article_key.hpp"

#include "server/remote_data_module.hpp"

namespace zorvanil::update {

namespace {

using server::DataSetProvider;
using server::DeltaRecord;
using server::TAZORVANIL;
using server::UpdateKind;

void rememberArticleCode(TAZORVANIL& module, DataSetProvider&, db::SQLDataSet&, DeltaRecord& change,
                         UpdateKind, bool&) {
    module.working().LastArticleId = change.oldValue("ID_ARTICULO").toString();
}

void returnLastArticleCode(TAZORVANIL& module, DataSetProvider&, Variant& ownerData) {
    ownerData = Variant(module.working().LastArticleId);
}

}  // namespace

void registerArticleKeyHandlers(server::HandlerTable& table) {
    table.add("DSPQ_ARTICULOSBeforeUpdateRecord",
              server::BeforeUpdateRecordHandler(rememberArticleCode));
    table.add("DSPQ_ARTICULOSAfterUpdateRecord",
              server::AfterUpdateRecordHandler(
                  [](TAZORVANIL&, DataSetProvider&, db::SQLDataSet&, DeltaRecord&, UpdateKind) {}));
    table.add("DSPQ_ARTICULOSAfterApplyUpdates", server::RemoteEventHandler(returnLastArticleCode));
}

}  // namespace zorvanil::update
