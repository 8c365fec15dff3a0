#include "notices/gnomenotificationsettings.h"

#include <gio/gio.h>

GnomeNotificationSettings::GnomeNotificationSettings()
{
    // GSettings ends the process on a schema that is not installed: looked up first.
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source ? g_settings_schema_source_lookup(source, "org.gnome.desktop.notifications", TRUE)
               : nullptr;
    if (!schema)
        return;
    if (g_settings_schema_has_key(schema, "show-banners"))
        settings_ = g_settings_new_full(schema, nullptr, nullptr);
    g_settings_schema_unref(schema);
}

GnomeNotificationSettings::~GnomeNotificationSettings()
{
    if (settings_)
        g_object_unref(settings_);
}

bool GnomeNotificationSettings::showBanners() const
{
    return !settings_ || g_settings_get_boolean(static_cast<GSettings*>(settings_), "show-banners");
}
