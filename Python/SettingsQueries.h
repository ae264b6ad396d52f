#pragma once

// What scripts may ask of the application's settings and product identity.
// Thin forwards to the product library.

#include <QString>
#include <QStringList>
#include <QVariant>

// Values the settings store keeps as they are: numbers, texts, byte
// arrays, dates, points, sizes, rectangles and lists and maps of these.
// Anything else (QObjects and other pointers, Python objects) is refused
// with PyExceptions::PyTypeError, and nothing is written.
void set_setting_value(const QString& key, const QVariant& value, bool flag);
// A stored value that is not one of those, or unreadable, reads as the default.
QVariant get_setting_value(const QString& key, const QVariant& default_value, bool flag);
bool isStorableSetting(const QVariant& value);
QStringList get_overridden_keys();

namespace Product {
QString get_application_name();
QString get_product_name();
QString get_registry_application_name();
QString get_registry_company_name();
} // namespace Product

// Hooks for a companion product; this application has none to talk to.
namespace InterProduct {
bool is_track_in_plinx_ae_set(const QString& path);
void update_track_in_plinx_ae(const QString& path, bool set);
} // namespace InterProduct
