#pragma once

class QWidget;

namespace brindlow {

class SettingsBinder;
struct SettingsServices;

// The pages that list things, each in a scrolling list: the app rules and the named layouts.
QWidget* appsPage(SettingsBinder& binder, const SettingsServices& services);
// None without a layouts store.
QWidget* layoutsPage(const SettingsServices& services);

}  // namespace brindlow
