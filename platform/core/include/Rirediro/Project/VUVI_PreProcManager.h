#pragma once

#include <LC/RenderOptions.h>
#include <Prm/Context.h>

#include <QStringList>

class VUVI_Layer;
class VUVI_ProjectManager;

// Tracks layers through the clip they track: one frame per call, the
// motion of the picture inside the layer's shape (its contours carried by
// the track so far) from the frame tracked from to the next or previous
// frame. The step's track, composed with the track at the frame tracked
// from, becomes the layer's key at the frame tracked to; where no motion is
// measured the key repeats the earlier track. The frame tracked from gets
// an identity key when it has none, so that it stays the reference.
class VUVI_PreProcManager
{
public:
    explicit VUVI_PreProcManager(VUVI_ProjectManager& project) : m_project(project) {}
    virtual ~VUVI_PreProcManager() = default;
    VUVI_PreProcManager(const VUVI_PreProcManager&) = delete;
    VUVI_PreProcManager& operator=(const VUVI_PreProcManager&) = delete;

    // Footage that cannot be read throws VUVI_OperationFailed.
    virtual void trackToNextFrame(VUVI_Layer& layer, const Prm::Context& context, const LC::RenderOptions& options);
    virtual void trackToPreviousFrame(VUVI_Layer& layer, const Prm::Context& context,
                                      const LC::RenderOptions& options);

    // The steps made, oldest first: "track <layer name> <from> -> <to> view
    // <view id> measured <0 or 1> translation <x> <y>" (x, y of the track at
    // the frame tracked to, two decimals).
    const QStringList& journal() const { return m_journal; }
    void clearJournal() { m_journal.clear(); }

private:
    void trackStep(VUVI_Layer& layer, const Prm::Context& context, int direction);

    VUVI_ProjectManager& m_project;
    QStringList m_journal;
};
