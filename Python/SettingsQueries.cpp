#include "SettingsQueries.h"

#include "Project/wrappers/PyExceptions.h"

#include <Product/Product.h>
#include <Product/Settings.h>

#include <gilstate.h>
#include <signalmanager.h>

#include <QCoreApplication>

#include <algorithm>

namespace {

// The type a script gave: the Python type for a Python object.
QString typeNameOf(const QVariant& value)
{
    if (value.userType() == qMetaTypeId<PySide::PyObjectWrapper>() && Py_IsInitialized()) {
        Shiboken::GilState lock;
        PyObject* object = value.value<PySide::PyObjectWrapper>();
        return QString::fromUtf8(object ? Py_TYPE(object)->tp_name : "None");
    }
    return QString::fromLatin1(value.typeName());
}

// Stream operators of other types may run Python and leave an error of
// their own; a reader of the store never passes one on.
bool clearPythonError()
{
    if (!Py_IsInitialized())
        return false;
    Shiboken::GilState lock;
    if (!PyErr_Occurred())
        return false;
    PyErr_Clear();
    return true;
}

template <typename Container>
bool allStorable(const Container& items)
{
    return std::all_of(items.begin(), items.end(), [](const QVariant& item) { return isStorableSetting(item); });
}

} // namespace

bool isStorableSetting(const QVariant& value)
{
    switch (value.userType()) {
    case QMetaType::UnknownType:
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::QString:
    case QMetaType::QStringList:
    case QMetaType::QByteArray:
    case QMetaType::QDate:
    case QMetaType::QTime:
    case QMetaType::QDateTime:
    case QMetaType::QPoint:
    case QMetaType::QPointF:
    case QMetaType::QSize:
    case QMetaType::QSizeF:
    case QMetaType::QRect:
    case QMetaType::QRectF:
        return true;
    case QMetaType::QVariantList:
        return allStorable(value.toList());
    case QMetaType::QVariantMap:
        return allStorable(value.toMap());
    case QMetaType::QVariantHash:
        return allStorable(value.toHash());
    default:
        return false;
    }
}

void set_setting_value(const QString& key, const QVariant& value, bool flag)
{
    if (!isStorableSetting(value)) {
        const QString text = QCoreApplication::translate("Settings", "The settings cannot keep a value of type '%1'")
                                 .arg(typeNameOf(value));
        throw PyExceptions::PyTypeError(text.toStdString());
    }
    Product::Settings::setValue(key, value, flag);
}

QVariant get_setting_value(const QString& key, const QVariant& default_value, bool flag)
{
    const QVariant value = Product::Settings::value(key, default_value, flag);
    // An unreadable stored value (of a type unknown to this process) loads as
    // an invalid variant.
    if (clearPythonError() || !value.isValid() || !isStorableSetting(value))
        return default_value;
    return value;
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
