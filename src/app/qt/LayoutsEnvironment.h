#pragma once

#include "platform/Platform.h"
#include "settings/LayoutsStore.h"

namespace brindlow {

class StripController;

// What the named-layouts store reaches in the running application: the strip
// controller captures and restores arrangements, the workspace finds and
// starts applications, and Qt dialogs ask for files and show alerts.
LayoutsStore::Environment layoutsEnvironment(StripController& controller, const Platform& platform);

}  // namespace brindlow
