#pragma once

#include "platform/Log.h"

namespace brindlow {

// Category "Settings": the settings store's load.
const Logger& settingsLog();
// Category "Storage": the JSON file reader and writer.
const Logger& storageLog();

}  // namespace brindlow
