#include "Product/Settings.h"

#include "Product/Product.h"

#include <Bsc/Logger.h>

#include <QMap>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>

#include <memory>

namespace Product {

namespace {

struct Store
{
    QMutex mutex;
    std::unique_ptr<QSettings> settings;
    QMap<QString, QVariant> overrides;
};

Store& store()
{
    static Store instance;
    return instance;
}

void recordCall(const QString& call)
{
    Bsc::Logger::writeToLog(QStringLiteral("call Product::Settings::") + call, Bsc::Logger::Debug);
}

QString describe(const QVariant& value)
{
    if (value.type() == QVariant::ByteArray)
        return QStringLiteral("<binary>");
    return value.toString();
}

QString describe(bool flag)
{
    return flag ? QStringLiteral("true") : QStringLiteral("false");
}

// Needs the store's mutex held.
QSettings& openSettings(Store& s)
{
    if (!s.settings) {
        // Qt works out the user's configuration folder once per process; ask
        // for it again so that the store follows XDG_CONFIG_HOME as it is now.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
        QString organisation = Product::get().settingsOrganisation;
        if (organisation.isEmpty())
            organisation = QString::fromLatin1(Settings::TQL_REGISTRY_COMPANYNAME);
        s.settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organisation,
                                                 registryName());
    }
    return *s.settings;
}

} // namespace

QSettings& Settings::get()
{
    Store& s = store();
    QMutexLocker lock(&s.mutex);
    return openSettings(s);
}

QVariant Settings::value(const QString& key, const QVariant& defaultValue, bool useOverrides)
{
    recordCall(QStringLiteral("value(%1, %2, %3)").arg(key, describe(defaultValue), describe(useOverrides)));
    Store& s = store();
    QMutexLocker lock(&s.mutex);
    if (useOverrides) {
        const auto overridden = s.overrides.constFind(key);
        if (overridden != s.overrides.constEnd())
            return *overridden;
    }
    return openSettings(s).value(key, defaultValue);
}

void Settings::setValue(const QString& key, const QVariant& value, bool asOverride)
{
    recordCall(QStringLiteral("setValue(%1, %2, %3)").arg(key, describe(value), describe(asOverride)));
    Store& s = store();
    QMutexLocker lock(&s.mutex);
    if (asOverride) {
        s.overrides.insert(key, value);
        return;
    }
    QSettings& settings = openSettings(s);
    settings.setValue(key, value);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        Bsc::Logger::writeToLog(QStringLiteral("Could not write the setting %1 to %2").arg(key, settings.fileName()),
                                Bsc::Logger::Error);
}

QStringList Settings::overriddenKeys()
{
    Store& s = store();
    QMutexLocker lock(&s.mutex);
    return s.overrides.keys();
}

bool Settings::usingProjectsCache(bool useOverrides)
{
    return value(QStringLiteral("UseProjectsCache"), true, useOverrides).toBool();
}

bool Settings::areFBOsDisabled()
{
    return value(QStringLiteral("DisableFBOs"), false, true).toBool();
}

QString Settings::fileCacheFolder(int version, bool useOverrides)
{
    const QString fallback = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
        + QStringLiteral("/%1/FileCache-v%2").arg(registryName()).arg(version);
    return value(QStringLiteral("FileCacheFolder"), fallback, useOverrides).toString();
}

QString Settings::outputFolder(int kind, int version)
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (kind != ProjectOutput)
        return documents;
    const QString fallback = documents + QStringLiteral("/%1/Output-v%2").arg(registryName()).arg(version);
    return value(QStringLiteral("OutputFolder"), fallback, true).toString();
}

void Settings::reload()
{
    Store& s = store();
    QMutexLocker lock(&s.mutex);
    s.settings.reset();
    s.overrides.clear();
}

} // namespace Product
