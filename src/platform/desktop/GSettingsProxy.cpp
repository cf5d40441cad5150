#include "platform/desktop/GSettingsProxy.h"

#include "platform/desktop/GioSupport.h"
#include "platform/desktop/ProxyText.h"

#include <QFile>
#include <QStringList>

namespace {

const char *const Schema = "org.gnome.system.proxy";

// The child schema of each protocol and where its address sits in a server string.
struct TProtocolKeys
{
    const char *Child;
    TProxyAddress TProxyServers::*Address;
};
const TProtocolKeys Protocols[] = {{"http", &TProxyServers::Http},
                                   {"https", &TProxyServers::Https},
                                   {"ftp", &TProxyServers::Ftp},
                                   {"socks", &TProxyServers::Socks}};

TGObject<GSettings> OpenSettings(const QString &keyFile)
{
    if (keyFile.isEmpty())
        return TGObject<GSettings>(g_settings_new(Schema));
    const TGObject<GSettingsBackend> backend(
        g_keyfile_settings_backend_new(QFile::encodeName(keyFile).constData(), "/", nullptr));
    return TGObject<GSettings>(g_settings_new_with_backend(Schema, backend.get()));
}

QString StringOf(GSettings *settings, const char *key)
{
    return TakeGString(g_settings_get_string(settings, key));
}

QStringList StringsOf(GSettings *settings, const char *key)
{
    gchar **values = g_settings_get_strv(settings, key);
    QStringList result;
    for (gchar **value = values; *value; ++value)
        result.append(QString::fromUtf8(*value));
    g_strfreev(values);
    return result;
}

GVariant *StringsValue(const QStringList &strings)
{
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE_STRING_ARRAY);
    for (const QString &text : strings)
        g_variant_builder_add(&builder, "s", text.toUtf8().constData());
    return g_variant_builder_end(&builder);
}

// The setting as a store gives it back after a write: one spelling for each meaning.
TDesktopProxySettings Canonical(const TDesktopProxySettings &settings)
{
    return {settings.Enabled, ProxyServerText(ParseProxyServer(settings.Server)),
            BypassText(BypassHosts(settings.Bypass))};
}

// Collects the keys a write was refused for (locked by the administrator).
class TWriter
{
public:
    void Set(GSettings *settings, const char *key, GVariant *value)
    {
        if (g_settings_set_value(settings, key, value))
            return;
        gchar *schema = nullptr;
        g_object_get(settings, "schema-id", &schema, nullptr);
        FRefused.append(TakeGString(schema) + ' ' + QString::fromUtf8(key));
    }
    const QStringList &Refused() const { return FRefused; }

private:
    QStringList FRefused;
};

} // namespace

TGSettingsProxy::TGSettingsProxy(const QString &keyFile) : FKeyFile(keyFile) {}

QString TGSettingsProxy::SchemaId() { return QString::fromLatin1(Schema); }

bool TGSettingsProxy::SchemaInstalled()
{
    GSettingsSchemaSource *source = g_settings_schema_source_get_default();
    GSettingsSchema *schema = source ? g_settings_schema_source_lookup(source, Schema, TRUE) : nullptr;
    if (schema)
        g_settings_schema_unref(schema);
    return schema != nullptr;
}

bool TGSettingsProxy::Read(TDesktopProxySettings &settings)
{
    if (!SchemaInstalled())
        return Fail(QStringLiteral("The GSettings schema %1 is not installed").arg(SchemaId()));
    const TGObject<GSettings> root = OpenSettings(FKeyFile);
    TProxyServers servers;
    for (const TProtocolKeys &protocol : Protocols) {
        const TGObject<GSettings> child(g_settings_get_child(root.get(), protocol.Child));
        servers.*protocol.Address = {StringOf(child.get(), "host"), g_settings_get_int(child.get(), "port")};
    }
    servers.SameForAll = g_settings_get_boolean(root.get(), "use-same-proxy") && !servers.Http.IsEmpty();
    settings.Enabled = StringOf(root.get(), "mode") == QLatin1String("manual");
    settings.Server = ProxyServerText(servers);
    settings.Bypass = BypassText(StringsOf(root.get(), "ignore-hosts"));
    return true;
}

bool TGSettingsProxy::Write(const TDesktopProxySettings &settings)
{
    if (!SchemaInstalled())
        return Fail(QStringLiteral("The GSettings schema %1 is not installed").arg(SchemaId()));
    const TProxyServers servers = ParseProxyServer(settings.Server);
    const TGObject<GSettings> root = OpenSettings(FKeyFile);
    TWriter writer;
    for (const TProtocolKeys &protocol : Protocols) {
        const TGObject<GSettings> child(g_settings_get_child(root.get(), protocol.Child));
        const TProxyAddress &address = servers.*protocol.Address;
        writer.Set(child.get(), "host", g_variant_new_string(address.Host.toUtf8().constData()));
        writer.Set(child.get(), "port", g_variant_new_int32(address.Port));
    }
    writer.Set(root.get(), "use-same-proxy", g_variant_new_boolean(servers.SameForAll));
    writer.Set(root.get(), "ignore-hosts", StringsValue(BypassHosts(settings.Bypass)));
    // The mode goes last, so a reader never meets "manual" with the old servers.
    writer.Set(root.get(), "mode", g_variant_new_string(settings.Enabled ? "manual" : "none"));
    g_settings_sync();
    if (!writer.Refused().isEmpty())
        return Fail(QStringLiteral("GSettings refused to change %1").arg(writer.Refused().join(", ")));

    TDesktopProxySettings stored;
    if (!Read(stored))
        return false;
    if (stored != Canonical(settings))
        return Fail(QStringLiteral("GSettings did not keep the proxy setting (the dconf backend needs a "
                                   "session bus)"));
    return true;
}

bool TGSettingsProxy::Fail(const QString &reason)
{
    FLastError = reason;
    return false;
}
