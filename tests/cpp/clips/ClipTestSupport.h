#pragma once

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

// Runs `call` and checks that it throws E with exactly `message`.
template <typename E>
void expectFailure(const std::function<void()>& call, const QString& message)
{
    try {
        call();
        ADD_FAILURE() << "no exception; expected: " << message.toStdString();
    } catch (const E& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), message);
    } catch (const std::exception& e) {
        ADD_FAILURE() << "other exception: " << e.what() << "; expected: " << message.toStdString();
    }
}

// Every stream of a clip, to show that a failed edit changed nothing.
inline QString streamsOf(const Clip& clip)
{
    QString text;
    for (const View& view : clip.get_views())
        text += view.__repr__() + clip.get_info(view).__repr__() + QLatin1Char(';');
    return text;
}

// A project made from a numbered PNG sequence, and its one clip.
struct ProjectOfSequence
{
    ProjectOfSequence(const QString& folder, unsigned int first, unsigned int count,
                      InterlaceMode mode = NotInterlaced)
        : firstFile(footage::writeSequence(folder, QStringLiteral("f"), first, count))
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

} // namespace cliptest
