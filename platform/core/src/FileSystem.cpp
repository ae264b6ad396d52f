#include "Rirediro/FileSystem/FileSystem.h"
#include "Rirediro/Project/ProjectProperties.h"

#include <Rirediro/ErrorHandling/VUVI_Error.h>

#include <Product/Settings.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace Rirediro {
namespace FileSystem {

bool createFileCacheFolder(bool clear)
{
    QDir folder(Product::Settings::fileCacheFolder(5, false));
    if (clear && folder.exists())
        folder.removeRecursively();
    return folder.mkpath(QStringLiteral("."));
}

void createFolder(const QString& folder, const QString& description)
{
    if (!folder.isEmpty() && (QFileInfo(folder).isDir() || QDir().mkpath(folder)))
        return;
    const QString message =
        QCoreApplication::translate("FileSystem", "Cannot create the %1 folder '%2'").arg(description, folder);
    Rirediro::throwException<VUVI_BadFile>(__FILE__, __LINE__, message, message);
}

void failedWrite(const QString& file, const QString& fileError)
{
    if (!fileError.isEmpty())
        Rirediro::throwException<VUVI_BadFile>(__FILE__, __LINE__, fileError, fileError);
    const QString message = QCoreApplication::translate("FileSystem", "Cannot write '%1'").arg(file);
    Rirediro::throwException<VUVI_OperationFailed>(__FILE__, __LINE__, message, message);
}

bool createProjectOutputFolder(const ProjectProperties& properties)
{
    const QString folder = properties.absoluteOutputDir();
    return !folder.isEmpty() && (QFileInfo(folder).isDir() || QDir().mkpath(folder));
}

} // namespace FileSystem
} // namespace Rirediro
