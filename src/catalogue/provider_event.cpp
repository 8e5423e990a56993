#include "catalogue/catalogue.hpp"

namespace zorvanil::catalogue {

std::string_view providerEventName(ProviderEvent event) {
    switch (event) {
        case ProviderEvent::BeforeGetRecords:
            return "BeforeGetRecords";
        case ProviderEvent::AfterGetRecords:
            return "AfterGetRecords";
        case ProviderEvent::BeforeApplyUpdates:
            return "BeforeApplyUpdates";
        case ProviderEvent::AfterApplyUpdates:
            return "AfterApplyUpdates";
        case ProviderEvent::BeforeExecute:
            return "BeforeExecute";
        case ProviderEvent::AfterExecute:
            return "AfterExecute";
        case ProviderEvent::OnGetData:
            return "OnGetData";
        case ProviderEvent::BeforeUpdateRecord:
            return "BeforeUpdateRecord";
        case ProviderEvent::AfterUpdateRecord:
            return "AfterUpdateRecord";
        case ProviderEvent::OnUpdateError:
            return "OnUpdateError";
    }
    return "";
}

}  // namespace zorvanil::catalogue
