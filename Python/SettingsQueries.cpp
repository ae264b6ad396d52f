#include "SettingsQueries.h"

#include <Product/Product.h>
#include <Product/Settings.h>

void set_setting_value(const QString& key, const QVariant& value, bool flag)
{
    Product::Settings::setValue(key, value, flag);
}

QVariant get_setting_value(const QString& key, const QVariant& default_value, bool flag)
{
    return Product::Settings::value(key, default_value, flag);
}

QStringList get_overridden_keys()
{
    return Product::Settings::overriddenKeys();
}

namespace Product {

QString get_application_name()
{
    return get().applicationName;
}

QString get_product_name()
{
    return name();
}

QString get_registry_application_name()
{
    return registryName();
}

QString get_registry_company_name()
{
    return QString::fromLatin1(Settings::TQL_REGISTRY_COMPANYNAME);
}

} // namespace Product

namespace InterProduct {

bool is_track_in_plinx_ae_set(const QString&)
{
    return false;
}

void update_track_in_plinx_ae(const QString&, bool)
{
}

} // namespace InterProduct
