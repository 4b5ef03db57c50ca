// The automation object of a running program, offered to other programs on
// the D-Bus session bus (org.pellucor.Pellucor, object /Pellucor): by
// "pellucor automation" and by the windowed program started with
// "--automation".
#pragma once

#include <QString>

#include "app/Pellucor.h"
#include "app/PellucorService.h"

namespace pellucor {

class AppContext;

class AutomationExport {
public:
    explicit AutomationExport(AppContext* context);

    // Registers the object and the name; false with the reason in err.
    bool Register(QString& err) { return service_.Register(err); }
    pellucor& automation() { return automation_; }

private:
    pellucor automation_;
    PellucorService service_;
};

}  // namespace pellucor
