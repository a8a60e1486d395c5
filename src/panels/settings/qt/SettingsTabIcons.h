#pragma once

#include <QIcon>

#include "panels/settings/SettingsPageLogic.h"

namespace brindlow {

// The symbol beside a tab's label: the desktop theme's icon when it has one, else a built-in
// drawing, so that a system without an icon theme still shows one.
QIcon settingsTabIcon(SettingsPageTab tab);
// The theme's name for the tab's symbol.
const char* settingsTabIconName(SettingsPageTab tab);
// The built-in drawing alone.
QIcon builtInSettingsTabIcon(SettingsPageTab tab);

}  // namespace brindlow
