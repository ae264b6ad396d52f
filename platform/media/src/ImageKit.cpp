// Opens the image kit the first time it is needed.
#include "Dururev/ImageKit.h"

#include "Dururev/Dururev.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

#include <atomic>
#include <stdexcept>

namespace Dururev {

namespace {

// The kit lies beside this library, wherever the process was started from.
QString kitPath()
{
    Dl_info self{};
    const QString folder = dladdr(reinterpret_cast<const void*>(&kitPath), &self) && self.dli_fname
                               ? QFileInfo(QFile::decodeName(self.dli_fname)).absolutePath()
                               : QString();
    return QDir(folder).filePath(QLatin1String(ImageKit::LibraryFile));
}

struct Kit
{
    const ImageKit::Entry* entry = nullptr;
    QString failure;
};

// The library stays open for the rest of the process: its codecs and
// kernels live as long as it does.
Kit open()
{
    Kit kit;
    const QString path = kitPath();
    void* library = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    const auto entry = library ? reinterpret_cast<ImageKit::EntryFunction>(dlsym(library, ImageKit::EntryPoint))
                               : nullptr;
    if (entry)
        kit.entry = entry();
    if (!kit.entry)
        kit.failure = QStringLiteral("Cannot load the image and movie codecs: %1")
                          .arg(QString::fromLocal8Bit(dlerror()));
    return kit;
}

// The kit once it opened; a failure (a memory limit, say) is not kept: the
// next call tries again. Threads that meet an unopened kit each open it
// (the loader counts the openings and gives them all the one entry), so no
// lock of ours is held while the loader runs.
const ImageKit::Entry& entry()
{
    static std::atomic<const ImageKit::Entry*> opened{nullptr};
    if (const ImageKit::Entry* kit = opened.load(std::memory_order_acquire))
        return *kit;
    const Kit kit = open();
    if (kit.entry) {
        opened.store(kit.entry, std::memory_order_release);
        return *kit.entry;
    }
    if (const ThrowFunction report = throwFunction())
        report(__FILE__, __LINE__, kit.failure, kit.failure);
    throw std::runtime_error(kit.failure.toStdString());
}

} // namespace

ImageKit::Codecs& codecs()
{
    return *entry().codecs;
}

ImageKit::Kernels& kernels()
{
    return *entry().kernels;
}

} // namespace Dururev
