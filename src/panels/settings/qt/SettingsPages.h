#pragma once

#include "panels/settings/SettingsPageLogic.h"

class QWidget;

namespace brindlow {

class SettingsBinder;
struct SettingsServices;

// The page of `tab`, bound through `binder`; none for a tab without a page.
QWidget* makeSettingsPage(SettingsPageTab tab, SettingsBinder& binder,
                          const SettingsServices& services);

}  // namespace brindlow
