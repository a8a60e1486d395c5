// GIO's headers use names that Qt's keyword macros take: no Qt header in this file.
#include <gio/gio.h>

#include <cctype>
#include <cstdlib>
#include <string>

#include "platform/x11/overlay/GnomeDesktopPictures.h"

namespace brindlow {

namespace {

constexpr const char* kSchema = "org.gnome.desktop.background";

bool isGnomeSession() {
    const char* desktops = std::getenv("XDG_CURRENT_DESKTOP");
    if (!desktops) return false;
    std::string list = desktops;
    for (char& c : list) c = char(std::toupper(static_cast<unsigned char>(c)));
    // A colon-separated list, for example "ubuntu:GNOME" or "GNOME-Classic:GNOME".
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(':', start), list.size());
        if (list.compare(start, end - start, "GNOME") == 0) return true;
        start = end + 1;
    }
    return false;
}

class GioPictureSetting final : public GnomePictureSettingSource {
  public:
    GioPictureSetting(GSettings* settings, bool hasDark) : settings_(settings), hasDark_(hasDark) {
        signal_ =
            g_signal_connect(settings_, "changed", G_CALLBACK(&GioPictureSetting::onChanged), this);
    }
    ~GioPictureSetting() override {
        g_signal_handler_disconnect(settings_, signal_);
        g_object_unref(settings_);
    }

    GnomePictureSetting read() override {
        GnomePictureSetting setting;
        setting.uri = text("picture-uri");
        if (hasDark_) setting.darkURI = text("picture-uri-dark");
        return setting;
    }
    void setChangeHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

  private:
    std::string text(const char* key) {
        gchar* value = g_settings_get_string(settings_, key);
        std::string result = value ? value : "";
        g_free(value);
        return result;
    }
    static void onChanged(GSettings*, gchar* key, gpointer self) {
        auto* source = static_cast<GioPictureSetting*>(self);
        const std::string name = key ? key : "";
        if ((name == "picture-uri" || name == "picture-uri-dark") && source->handler_)
            source->handler_();
    }

    GSettings* settings_;
    bool hasDark_;
    gulong signal_ = 0;
    std::function<void()> handler_;
};

}  // namespace

std::unique_ptr<GnomePictureSettingSource> openGnomePictureSetting() {
    if (!isGnomeSession()) return nullptr;
    GSettingsSchemaSource* schemas = g_settings_schema_source_get_default();
    if (!schemas) return nullptr;
    // Asking for a schema that is not installed would abort the process.
    GSettingsSchema* schema = g_settings_schema_source_lookup(schemas, kSchema, TRUE);
    if (!schema) return nullptr;
    const bool hasDark = g_settings_schema_has_key(schema, "picture-uri-dark");
    g_settings_schema_unref(schema);
    return std::make_unique<GioPictureSetting>(g_settings_new(kSchema), hasDark);
}

}  // namespace brindlow
