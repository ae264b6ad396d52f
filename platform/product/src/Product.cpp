#include "Product/Product.h"

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
    product.buildNumber = QStringLiteral("1042");
    product.features = {QStringLiteral("auto_update"), QStringLiteral("stereo"), QStringLiteral("mv")};
    return product;
}

const Info& get()
{
    return current();
}

void set(const Info& product)
{
    current() = product;
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

QSet<QString> features()
{
    return current().features;
}

} // namespace Product
