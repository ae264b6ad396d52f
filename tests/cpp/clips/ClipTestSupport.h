#pragma once

#include "../support/ExpectFailure.h"
#include "FootageFixture.h"

#include "Project/wrappers/Clip.h"
#include "Project/wrappers/Project.h"

#include <Rirediro/Clips/VUVI_BaseClip.h>
#include <Rirediro/Clips/VUVI_Clip.h>
#include <Rirediro/ErrorHandling/VUVI_CoreErrors.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>
#include <TQ/ClipInfo.h>

#include <functional>
#include <memory>

namespace cliptest {

using testsupport::expectFailure;

// Every stream of a clip, to show that a failed edit changed nothing.
inline QString streamsOf(const Clip& clip)
{
    QString text;
    for (const View& view : clip.get_views())
        text += view.__repr__() + clip.get_info(view).__repr__() + QLatin1Char(';');
    return text;
}

// A project made from footage (a movie, or the first file of a sequence),
// and its one clip.
struct ProjectOfFootage
{
    explicit ProjectOfFootage(const QString& file, InterlaceMode mode = NotInterlaced)
        : firstFile(file)
        , detached(firstFile, QStringLiteral("Plate"), true, 0, 0, 0, nullptr)
        , project(std::make_unique<Project>(&detached, mode))
    {
    }

    Clip& clip() const { return *project->get_clips().value(QStringLiteral("Plate")); }
    VUVI_ProjectManager& core() const { return *project->projectManager(); }
    // Changes the core clip's info directly, as the core would.
    void editClipInfo(const std::function<void(TQ_ClipInfo&)>& edit) const
    {
        TQ_ClipInfo info = clip().internalClip()->clipInfo();
        edit(info);
        clip().internalClip()->setClipInfoInternal(info);
    }

    QString firstFile;
    Clip detached;
    std::unique_ptr<Project> project;
};

// A project made from a numbered PNG sequence.
struct ProjectOfSequence : ProjectOfFootage
{
    ProjectOfSequence(const QString& folder, unsigned int first, unsigned int count,
                      InterlaceMode mode = NotInterlaced)
        : ProjectOfFootage(footage::writeSequence(folder, QStringLiteral("f"), first, count), mode)
    {
    }
};

} // namespace cliptest
