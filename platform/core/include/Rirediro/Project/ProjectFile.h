#pragma once

// Reading stored projects. A project is stored as one JSON document (see
// src/Project/ProjectDocument.h for its layout); whoever opens one goes
// through a handle, which reads the whole document once and checks all of
// it before anything is built from it.

#include <TQ/BaseClipInfo.h>
#include <TQ/ClipInfo.h>

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

namespace TQ {
struct Callbacks;
}

namespace Rirediro {

struct ProjectRecord;

// What a project being opened reports through: the media library's callbacks.
struct Callbacks
{
    explicit Callbacks(TQ::Callbacks* mediaCallbacks = nullptr) : media(mediaCallbacks) {}
    TQ::Callbacks* media;
};

// Where a stored project comes from: a file, or what a host application
// hands over.
class IProjectHandle
{
public:
    virtual ~IProjectHandle();
    IProjectHandle(const IProjectHandle&) = delete;
    IProjectHandle& operator=(const IProjectHandle&) = delete;

    // How messages name the source: a file's path.
    virtual QString sourceName() const = 0;
    // The project file the opened project keeps as its own; empty when the
    // project does not come from a file.
    virtual QString filePath() const { return QString(); }
    const Callbacks& callbacks() const { return m_callbacks; }

    // The stored project, read on first use and checked as a whole. A source
    // that cannot be read, or is not a complete project of a format version
    // this library reads, throws VUVI_BadFile naming the source.
    const ProjectRecord& record();

protected:
    explicit IProjectHandle(const Callbacks& callbacks);
    // The stored document; throws VUVI_BadFile when it cannot be read.
    virtual QByteArray readContents() const = 0;

private:
    Callbacks m_callbacks;
    std::shared_ptr<const ProjectRecord> m_record;
};

// A project file on disk.
class PathNameHandle : public IProjectHandle
{
public:
    PathNameHandle(const QString& path, const Callbacks& callbacks);
    ~PathNameHandle() override;

    QString sourceName() const override { return m_path; }
    QString filePath() const override { return m_path; }

protected:
    QByteArray readContents() const override;

private:
    QString m_path;
};

// What an opener needs of a project before building it: per clip, in
// project order, the base info of its footage, its id and its clip info.
struct ProjectHeaderData
{
    std::vector<TQ_BaseClipInfo> baseInfos;
    std::vector<unsigned int> clipIDs;
    std::vector<TQ_ClipInfo> clipInfos;
};

class ProjectHeaderReader
{
public:
    // Reads and checks the handle's whole project (see
    // IProjectHandle::record), then fills the header; every project has at
    // least one clip.
    static void readProjectHeader(IProjectHandle& handle, ProjectHeaderData& header);
};

} // namespace Rirediro
