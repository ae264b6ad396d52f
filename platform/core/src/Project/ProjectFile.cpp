#include "Rirediro/Project/ProjectFile.h"

#include "ProjectDocument.h"

#include "Rirediro/ErrorHandling/VUVI_CoreErrors.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace Rirediro {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ProjectFile", text);
}

} // namespace

IProjectHandle::IProjectHandle(const Callbacks& callbacks) : m_callbacks(callbacks)
{
}

IProjectHandle::~IProjectHandle() = default;

const ProjectRecord& IProjectHandle::record()
{
    if (!m_record)
        m_record = std::make_shared<const ProjectRecord>(ProjectDocument::read(readContents(), sourceName()));
    return *m_record;
}

PathNameHandle::PathNameHandle(const QString& path, const Callbacks& callbacks)
    : IProjectHandle(callbacks), m_path(path)
{
}

PathNameHandle::~PathNameHandle() = default;

QByteArray PathNameHandle::readContents() const
{
    const QFileInfo info(m_path);
    if (!info.exists())
        throwException<VUVI_BadFile>(tr("Project file '%1' does not exist").arg(m_path));
    if (info.isDir())
        throwException<VUVI_BadFile>(tr("'%1' is a folder, not a project file").arg(m_path));
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        throwException<VUVI_BadFile>(tr("Cannot read project file '%1': %2").arg(m_path, file.errorString()));
    const QByteArray contents = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throwException<VUVI_BadFile>(tr("Cannot read project file '%1': %2").arg(m_path, file.errorString()));
    return contents;
}

void ProjectHeaderReader::readProjectHeader(IProjectHandle& handle, ProjectHeaderData& header)
{
    const ProjectRecord& record = handle.record();
    header = ProjectHeaderData();
    for (const ClipRecord& clip : record.clips) {
        header.baseInfos.push_back(record.baseClip(clip.baseClipID)->info);
        header.clipIDs.push_back(clip.id);
        header.clipInfos.push_back(clip.info);
    }
}

} // namespace Rirediro
