#include "Rirediro/FileSystem/FileSystem.h"

#include <Product/Settings.h>

#include <QDir>

namespace Rirediro {
namespace FileSystem {

bool createFileCacheFolder(bool clear)
{
    QDir folder(Product::Settings::fileCacheFolder(5, false));
    if (clear && folder.exists())
        folder.removeRecursively();
    return folder.mkpath(QStringLiteral("."));
}

} // namespace FileSystem
} // namespace Rirediro
