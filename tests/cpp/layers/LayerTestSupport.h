#pragma once

#include "clips/ClipTestSupport.h"

#include "Project/wrappers/Layer.h"
#include "Project/wrappers/LayerGroup.h"
#include "Project/wrappers/Project.h"

#include <Rirediro/Commands/CommandManager.h>
#include <Rirediro/Layers/LayerGroup.h>
#include <Rirediro/Layers/VUVI_Layer.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>
#include <Rirediro/Project/VUVI_SelectionManager.h>

#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace layertest {

using cliptest::expectFailure;

// The layer tree of a project as text, rear to front within each group:
// "A [G: B C] D" has D in front, and B behind C inside G.
inline QString treeOf(const Rirediro::LayerGroup& group)
{
    QStringList nodes;
    for (const boost::shared_ptr<Rirediro::LayerBase>& node : group.children()) {
        const auto* inner = dynamic_cast<const Rirediro::LayerGroup*>(node.get());
        const QString inside = inner ? treeOf(*inner) : QString();
        if (!inner)
            nodes << node->name();
        else if (inside.isEmpty())
            nodes << QStringLiteral("[%1]").arg(node->name());
        else
            nodes << QStringLiteral("[%1: %2]").arg(node->name(), inside);
    }
    return nodes.join(QLatin1Char(' '));
}

// A project of a short sequence, with helpers to make layers and step its history.
class LayerProject : public ::testing::Test
{
protected:
    LayerProject() : m_made(m_dir.path(), 1, 5) {}

    Project& project() { return *m_made.project; }
    VUVI_ProjectManager& core() { return m_made.core(); }
    Clip& clip() { return m_made.clip(); }
    Rirediro::CommandManager& history() { return *core().commandManager(); }
    QString tree() { return treeOf(*core().selectionManager()->layerRoot()); }

    Layer addLayer(const QString& name) { return project().add_layer(&clip(), name, 0, 0); }
    LayerGroup addGroup(const QString& name, const QVector<Layer>& layers = {})
    {
        return project().add_group(name, layers);
    }
    void undo()
    {
        bool ok = false;
        history().vUnDo(ok);
        EXPECT_TRUE(ok);
    }
    void redo()
    {
        bool ok = false;
        history().vReDo(ok);
        EXPECT_TRUE(ok);
    }

    QTemporaryDir m_dir;
    cliptest::ProjectOfSequence m_made;
};

} // namespace layertest
