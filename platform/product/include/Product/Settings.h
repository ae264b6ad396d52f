#pragma once

#include <QSettings>
#include <QStringList>
#include <QVariant>

namespace Product {

// The product's persistent settings: one QSettings store per process, in the
// user's configuration folder (XDG_CONFIG_HOME or ~/.config), under the
// edition's settings organisation (normally the company) and the product's
// registry name.
//
// On top of the store a process can override single keys: an override lives
// only as long as the process and is never written to the store. Readers say
// whether overrides count for them; writers say whether they store the value
// or only override it.
//
// Every read and write is recorded in the application log (Bsc::Logger, debug
// level, as "call Product::Settings::...") so that tests can follow the order
// of the calls.
class Settings
{
public:
    static constexpr const char TQL_REGISTRY_COMPANYNAME[] = "Plinx";

    // The open store; opened on first use, valid until reload().
    static QSettings& get();

    // The override of the key when useOverrides is set and there is one, else
    // the stored value, else the default.
    static QVariant value(const QString& key, const QVariant& defaultValue, bool useOverrides);
    // Stores the value (written through at once, so that a later crash loses
    // nothing), or, with asOverride, overrides the key for this process only.
    static void setValue(const QString& key, const QVariant& value, bool asOverride);
    // The keys overridden in this process, sorted.
    static QStringList overriddenKeys();

    // Whether the projects of host applications are kept in the product's
    // projects cache (the setting "UseProjectsCache", on unless set).
    static bool usingProjectsCache(bool useOverrides);
    // Whether rendering into offscreen frame buffers is switched off.
    static bool areFBOsDisabled();
    // Where the file cache of this settings version lives.
    static QString fileCacheFolder(int version, bool useOverrides);
    // The folders the product writes into, by kind.
    enum OutputFolderKind { ProjectOutput = 0 };
    // The folder of that kind for this settings version: the setting
    // "OutputFolder" (overrides count), else a folder of the product's in
    // the user's documents. An unknown kind gives the documents folder.
    static QString outputFolder(int kind, int version);

    // Closes the store and forgets the overrides; the next use opens the store
    // again where the environment points now (tests use it with a temporary
    // XDG_CONFIG_HOME).
    static void reload();
};

} // namespace Product
