#pragma once

// The commands by which the core records the shape edits that it is asked
// for without a command of the caller's: insertions, removals and changes
// of point data. Each finds its shapes by id when it runs and keeps records,
// never the shapes, so that undo and redo work on shapes that were taken
// out and put back in between and no history keeps a removed shape alive.

#include "ShapeRecord.h"

#include "Rirediro/Commands/Command.h"
#include "Rirediro/Layers/PointStates.h"

#include <Prm/Context.h>

#include <boost/function.hpp>
#include <boost/weak_ptr.hpp>

#include <memory>

namespace Rirediro {

class ControlPointData;

// Makes a contour through the records' points, last on the layer.
class InsertContourCommand : public Command
{
public:
    InsertContourCommand(const VUVI_Layer& layer, int kind,
                         std::vector<boost::shared_ptr<const ControlPointData>> points, const Prm::Context& context);

    // The new contour's id; 0 before the first run.
    unsigned int contourID() const { return m_contourID; }

    void doIt() override;
    void undoIt() override;
    bool canUndo() const override { return true; }
    QString name() const override;

private:
    boost::weak_ptr<VUVI_ProjectManager> m_project;
    unsigned int m_layerID;
    int m_kind;
    std::vector<boost::shared_ptr<const ControlPointData>> m_points; // dropped after the first run
    Prm::Context m_context;
    unsigned int m_contourID = 0;
    boost::optional<ContourRecord> m_undone; // the contour as undo took it out
};

// Takes a contour off its layer.
class RemoveContourCommand : public Command
{
public:
    explicit RemoveContourCommand(const Contour& contour);

    void doIt() override;
    void undoIt() override;
    bool canUndo() const override { return true; }
    QString name() const override;

private:
    boost::weak_ptr<VUVI_ProjectManager> m_project;
    unsigned int m_layerID;
    unsigned int m_contourID;
    boost::optional<ContourRecord> m_removed;
    int m_index = -1;
    std::vector<PointLink> m_links;
};

// Makes a point at an index of a contour.
class InsertPointCommand : public Command
{
public:
    InsertPointCommand(const Contour& contour, boost::shared_ptr<const ControlPointData> data,
                       const Prm::Context& context, unsigned int index);

    void doIt() override;
    void undoIt() override;
    bool canUndo() const override { return true; }
    QString name() const override;

private:
    boost::weak_ptr<VUVI_ProjectManager> m_project;
    unsigned int m_layerID;
    unsigned int m_contourID;
    boost::shared_ptr<const ControlPointData> m_data; // dropped after the first run
    Prm::Context m_context;
    unsigned int m_index;
    unsigned int m_pointID = 0;
    boost::optional<PointRecord> m_undone;
    int m_undoneIndex = -1;
};

// Takes a point out of its contour.
class RemovePointCommand : public Command
{
public:
    explicit RemovePointCommand(const ControlPoint& point);

    void doIt() override;
    void undoIt() override;
    bool canUndo() const override { return true; }
    QString name() const override;

private:
    boost::weak_ptr<VUVI_ProjectManager> m_project;
    PointDescriptor m_point;
    boost::optional<PointRecord> m_removed;
    int m_index = -1;
    std::vector<PointLink> m_links;
};

// Any edit of the parameters and masters of some points: the first run
// makes the edit and notes the points' states before and after; undo and
// redo put those states back.
class PointEditCommand : public Command
{
public:
    PointEditCommand(const boost::weak_ptr<VUVI_ProjectManager>& project, QList<PointDescriptor> points,
                     boost::function<void()> edit, QString name);
    ~PointEditCommand() override;

    void doIt() override;
    void undoIt() override;
    bool canUndo() const override { return true; }
    QString name() const override { return m_name; }

private:
    boost::weak_ptr<VUVI_ProjectManager> m_project;
    QList<PointDescriptor> m_points;
    boost::function<void()> m_edit; // dropped after the first run
    QString m_name;
    bool m_hasRun = false;
    PointStates m_before;
    PointStates m_after;
};

} // namespace Rirediro
