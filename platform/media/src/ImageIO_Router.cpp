#include "TQI/ImageIO_Router.h"

#include "Dururev/Dururev.h"
#include "Dururev/ImageIOModule.h"
#include "Dururev/ImageKit.h"

#include <QFileInfo>
#include <QMutexLocker>

namespace {

// The extension a module is asked about: the dot and what follows it in the
// file name, as written; empty when the name has no dot.
std::string extensionOf(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? std::string() : name.mid(dot).toStdString();
}

} // namespace

TQI_ImageIO_Router::TQI_ImageIO_Router() = default;
TQI_ImageIO_Router::~TQI_ImageIO_Router() = default;

void TQI_ImageIO_Router::registerModule(Dururev::ImageIOModule* module)
{
    if (!module)
        return;
    Dururev::record(QStringLiteral("TQI_ImageIO_Router::registerModule %1").arg(QString::fromStdString(module->info().name)));
    QMutexLocker locker(&m_lock);
    m_modules.emplace_back(module);
}

std::vector<Dururev::ImageIOModule*> TQI_ImageIO_Router::modules() const
{
    QMutexLocker locker(&m_lock);
    std::vector<Dururev::ImageIOModule*> all;
    for (const auto& module : m_modules)
        all.push_back(module.get());
    return all;
}

// Modules are asked without the router's lock held: a module may take
// locks of its own, and may take long.
Dururev::ImageIOModule* TQI_ImageIO_Router::moduleForReading(const QString& path) const
{
    const std::vector<Dururev::ImageIOModule*> all = modules();
    const std::string extension = extensionOf(path);
    for (auto module = all.rbegin(); module != all.rend(); ++module) {
        if ((*module)->bAcceptExtension(extension) && (*module)->bAcceptFile(path.toUtf8().toStdString()))
            return *module;
    }
    return nullptr;
}

Dururev::ImageIOModule* TQI_ImageIO_Router::moduleForWriting(const QString& path) const
{
    const std::vector<Dururev::ImageIOModule*> all = modules();
    const std::string extension = extensionOf(path);
    for (auto module = all.rbegin(); module != all.rend(); ++module) {
        if ((*module)->bAcceptExtension(extension))
            return *module;
    }
    return nullptr;
}

float TQI_ImageIO_Router::getGamma(const QString& path) const
{
    if (Dururev::ImageIOModule* module = moduleForReading(path))
        return module->getGamma(path);
    if (!QFileInfo(path).isFile())
        return 1.0f;
    return Dururev::codecs().gamma(path);
}

namespace Dururev {

TQI_ImageIO_Router* imageSuite(bool)
{
    static TQI_ImageIO_Router router;
    return &router;
}

} // namespace Dururev
