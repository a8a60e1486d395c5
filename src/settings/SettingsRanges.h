#pragma once

#include "settings/AppSettings.h"

namespace brindlow {

// The settings as they are used: every number held to the range its settings
// page offers (a hand-edited "settings.json" can hold anything). A value out of
// range, or not a number, is replaced by the nearest bound (not a number: the
// default), and one warning names the key and the value used, once per key and
// value for the life of the process. The stored file is left as written.
AppSettings settingsInRange(const AppSettings& settings);

}  // namespace brindlow
