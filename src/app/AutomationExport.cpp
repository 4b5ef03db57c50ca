#include "app/AutomationExport.h"

namespace pellucor {

AutomationExport::AutomationExport(AppContext* context) : automation_(context), service_(&automation_) { }

}  // namespace pellucor
