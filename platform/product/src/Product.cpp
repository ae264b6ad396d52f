#include "Product/Product.h"

#include "Product/Settings.h"

#include <QVector>

namespace Product {

namespace {

Info& current()
{
    static Info product = mainProduct();
    return product;
}

} // namespace

Info mainProduct()
{
    Info product;
    product.name = QStringLiteral("Plinx");
    product.applicationName = QStringLiteral("Plinx");
    product.registryName = QStringLiteral("Plinx");
    product.fileExtension = QStringLiteral(".plx");
    product.version = QStringLiteral("4.2");
    product.buildNumber = QStringLiteral("1042");
    product.features = {QStringLiteral("auto_update"), QStringLiteral("stereo"), QStringLiteral("mv")};
    product.settingsOrganisation = QString::fromLatin1(Settings::TQL_REGISTRY_COMPANYNAME);
    return product;
}

namespace {

// The editions of the product family, the main product first.
QVector<Info> editions()
{
    Info main = mainProduct();

    Info essentials = main;
    essentials.name = QStringLiteral("Plinx Essentials");
    essentials.applicationName = QStringLiteral("Plinx Essentials");
    essentials.registryName = QStringLiteral("PlinxEssentials");
    essentials.features = {QStringLiteral("auto_update")};

    // Runs inside a host application and keeps its settings in the host's store.
    Info hosted = main;
    hosted.name = QStringLiteral("Plinx Hosted");
    hosted.applicationName = QStringLiteral("Plinx Hosted");
    hosted.registryName = QStringLiteral("PlinxHosted");
    hosted.features = {QStringLiteral("stereo")};
    hosted.settingsOrganisation = QStringLiteral("Host Vendor");

    return {main, essentials, hosted};
}

} // namespace

QString mainProductName()
{
    return mainProduct().name;
}

QStringList list(const Info&)
{
    QStringList names;
    for (const Info& edition : editions())
        names.append(edition.name);
    return names;
}

void set(const QString& editionName, bool)
{
    for (const Info& edition : editions()) {
        if (edition.name == editionName) {
            set(edition);
            return;
        }
    }
}

const Info& get()
{
    return current();
}

void set(const Info& product)
{
    const bool otherStore = product.registryName != current().registryName
        || product.settingsOrganisation != current().settingsOrganisation;
    current() = product;
    if (otherStore)
        Settings::reload();
}

QString name()
{
    return current().name;
}

QString registryName()
{
    return current().registryName;
}

QString fileExtension()
{
    return current().fileExtension;
}

QString buildNumber()
{
    return current().buildNumber;
}

QString longVersion()
{
    return QStringLiteral("%1 (build %2)").arg(current().version, current().buildNumber);
}

QSet<QString> features()
{
    return current().features;
}

} // namespace Product
