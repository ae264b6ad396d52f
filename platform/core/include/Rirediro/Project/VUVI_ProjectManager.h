#pragma once

#include <Prm/AnimationState.h>
#include <Prm/Context.h>
#include <Prm/ParameterSet.h>
#include <Rirediro/Project/VUVI_CacheManager.h>
#include <Rirediro/Project/VUVI_RenderingContext.h>

#include <QObject>
#include <QString>

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>

#include <memory>

class ProjectProperties;
class TQ_BaseClipInfo;
class TQ_ClipInfo;
class VUVI_FrameManager;
class VUVI_ParameterManager;
class VUVI_PostProcManager;
class VUVI_PreProcManager;
class VUVI_SelectionManager;
class VUVI_ToolManager;

namespace TQ {
struct Callbacks;
}
namespace Rirediro {
class CommandManager;
class IProjectHandle;
struct ManagerSuite;
} // namespace Rirediro

// One project: the root of the project model. It owns the project's
// properties and its managers; whoever made it holds it by shared pointer.
// It is also the root of the project's parameter sets, named "project",
// under which its clips' sets show, in project order.
class VUVI_ProjectManager : public Prm::ParameterSet, public boost::enable_shared_from_this<VUVI_ProjectManager>
{
    Q_OBJECT
public:
    // A clip that a host carries over into the project it opens; the
    // project files of this library carry none.
    struct MigratingClip
    {
    };

    // A new project around one clip made from the infos: one view (the
    // default view), as long as the clip has frames. The clip is the
    // project's default trackable clip. `callbacks` are where the project's
    // long operations report progress. `initialise` asks for the
    // application's per-project set-up, which projects made by a script
    // do without.
    static boost::shared_ptr<VUVI_ProjectManager> createWithExistingClip(const TQ_BaseClipInfo& baseInfo,
                                                                         const TQ_ClipInfo& clipInfo,
                                                                         const QString& projectFile,
                                                                         TQ::Callbacks* callbacks,
                                                                         const Rirediro::ManagerSuite& managers,
                                                                         bool initialise);
    // The project a handle holds (read and checked as a whole first, see
    // Rirediro::IProjectHandle), with its first clip made from `baseInfo`
    // and `clipInfo` (a host conforms them to its own footage) and every
    // other clip, property and view as stored. Unchanged, with an empty
    // history. A handle that cannot be read throws VUVI_BadFile.
    static boost::shared_ptr<VUVI_ProjectManager> createFromHandle(Rirediro::IProjectHandle& handle,
                                                                   const TQ_BaseClipInfo& baseInfo,
                                                                   const TQ_ClipInfo& clipInfo,
                                                                   const MigratingClip& migrating, bool initialise);
    ~VUVI_ProjectManager() override;

    // How the core frees a project once its last owner lets go: through the
    // hook that a library whose calls run in the core on threads of their
    // own sets (the scripting library), which frees it once no such call is
    // inside the core, and after telling its own objects over the project.
    // Without a hook (null, the default) it is deleted at once.
    using FreeHook = void (*)(VUVI_ProjectManager* project);
    static void setFreeHook(FreeHook hook);

    ProjectProperties& projectProperties() { return *m_properties; }
    const ProjectProperties& projectProperties() const { return *m_properties; }
    VUVI_FrameManager& frameManager() { return *m_frameManager; }
    const VUVI_FrameManager& frameManager() const { return *m_frameManager; }
    VUVI_ParameterManager& parameterManager() { return *m_parameterManager; }
    const VUVI_ParameterManager& parameterManager() const { return *m_parameterManager; }
    // Shared with the project's clips; a QObject, so undo groups can tell
    // when it has gone.
    const boost::shared_ptr<Rirediro::CommandManager>& commandManager() const { return m_commandManager; }
    const boost::shared_ptr<VUVI_SelectionManager>& selectionManager() const { return m_selectionManager; }
    VUVI_ToolManager& toolManager() const { return *m_toolManager; }
    // The tracker.
    VUVI_PreProcManager& preProcManager() const { return *m_preProcManager; }
    // The renderer of output clips.
    VUVI_PostProcManager& postProcManager() const { return *m_postProcManager; }

    // Writes the project, as a whole, to `file` in an existing folder. The
    // file is replaced only once the new one is complete: a save that fails
    // leaves the previous file as it was and throws VUVI_BadFile naming the
    // file. Afterwards the project is unchanged and `file` is its project
    // file. The three flags are variants of saving the application asks
    // for; every save of this library writes the same file, and the flags
    // are recorded in the application log.
    void saveProjectToFile(const QString& file, bool asCopy, bool autosave, bool withMedia);

    // The frame shown now (the frame manager's).
    Prm::Context currentFrame() const;
    // What the viewer shows and how.
    VUVI_RenderingContext* pGetRenderingContext() { return &m_renderingContext; }
    const VUVI_RenderingContext* pGetRenderingContext() const { return &m_renderingContext; }
    // The animation settings edits key with: the view edited only.
    virtual Prm::AnimationState animationState() const { return Prm::AnimationState(); }

    // The playback range; `clamped` binds it to the project's frames.
    unsigned int playbackInPoint(bool clamped) const;
    unsigned int playbackOutPoint(bool clamped) const;
    void vSetOutputDirectory(const QString& folder);
    // The extension of the files renders write, with its dot (".TIF").
    QString defaultFileExtension() const { return m_defaultFileExtension; }
    void setDefaultFileExtension(const QString& extension) { m_defaultFileExtension = extension; }

    // Whether the project has changes that are not saved.
    void vSetProjectHasChanged(bool changed);
    bool projectHasChanged() const { return m_changed; }
    TQ::Callbacks* callbacks() const { return m_callbacks; }

    // ---- caches and parameter sets ----
    VUVI_CacheManager& cacheManager() { return m_cacheManager; }

protected:
    QVector<Prm::ParameterSet*> shownSubsets() const override;

private:
    explicit VUVI_ProjectManager(TQ::Callbacks* callbacks);
    // The deleter of every project the core makes.
    static void free(VUVI_ProjectManager* project);

    VUVI_CacheManager m_cacheManager;
    VUVI_RenderingContext m_renderingContext;
    TQ::Callbacks* m_callbacks;
    std::unique_ptr<ProjectProperties> m_properties;
    boost::shared_ptr<Rirediro::CommandManager> m_commandManager;
    boost::shared_ptr<VUVI_SelectionManager> m_selectionManager;
    std::unique_ptr<VUVI_ToolManager> m_toolManager;
    std::unique_ptr<VUVI_ParameterManager> m_parameterManager;
    std::unique_ptr<VUVI_PreProcManager> m_preProcManager;
    std::unique_ptr<VUVI_PostProcManager> m_postProcManager;
    // Declared last, so destroyed first: its clips may ask the other
    // managers while they go.
    std::unique_ptr<VUVI_FrameManager> m_frameManager;
    QString m_defaultFileExtension = QStringLiteral(".TIF");
    bool m_changed = false;
};
