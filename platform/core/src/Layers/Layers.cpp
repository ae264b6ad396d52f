#include "Rirediro/Layers/Contour.h"
#include "Rirediro/Layers/LayerGroup.h"
#include "Rirediro/Layers/VUVI_Layer.h"
#include "LayerRecord.h"
#include "TreeCommands.h"

#include "Rirediro/Clips/VUVI_BaseClip.h"
#include "Rirediro/Clips/VUVI_Clip.h"
#include "Rirediro/Commands/CommandManager.h"
#include "Rirediro/Project/ProjectProperties.h"
#include "Rirediro/Project/VUVI_FrameManager.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"
#include "Rirediro/Project/VUVI_SelectionManager.h"

#include <Bsc/Command.h>
#include <TQ/BaseClipInfo.h>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace Rirediro {

// ---- LayerBase ----------------------------------------------------------------------

LayerBase::LayerBase(unsigned int id, const QString& name, boost::weak_ptr<VUVI_ProjectManager> project)
    : m_id(id), m_name(name), m_project(std::move(project))
{
}

LayerBase::~LayerBase() = default;

bool LayerBase::isHidden(bool inherited) const
{
    if (m_hidden || !inherited)
        return m_hidden;
    const boost::shared_ptr<LayerGroup> parent = parentGroup();
    return parent && parent->isHidden(true);
}

bool LayerBase::isLocked(bool inherited) const
{
    if (m_locked || !inherited)
        return m_locked;
    const boost::shared_ptr<LayerGroup> parent = parentGroup();
    return parent && parent->isLocked(true);
}

int LayerBase::depthPosition() const
{
    const boost::shared_ptr<LayerGroup> parent = parentGroup();
    return parent ? parent->indexOf(*this) : -1;
}

Prm::ParameterSet::Finder LayerBase::finder() const
{
    const boost::shared_ptr<VUVI_ProjectManager> project = m_project.lock();
    if (!project || project->selectionManager()->layerFromID(id()).get() != this)
        return ParameterSet::finder();
    const boost::weak_ptr<VUVI_ProjectManager> owner = m_project;
    const QString nodeID = id();
    return [owner, nodeID]() -> boost::shared_ptr<Prm::ParameterSet> {
        const boost::shared_ptr<VUVI_ProjectManager> project = owner.lock();
        return project ? project->selectionManager()->layerFromID(nodeID) : nullptr;
    };
}

// ---- LayerGroup ---------------------------------------------------------------------

LayerGroup::LayerGroup(unsigned int id, const QString& name, boost::weak_ptr<VUVI_ProjectManager> project)
    : LayerBase(id, name, std::move(project))
{
    setScriptName(QStringLiteral("group"));
}

LayerGroup::~LayerGroup()
{
    for (const boost::shared_ptr<LayerBase>& child : m_children)
        child->m_parent.reset();
}

QVector<boost::shared_ptr<LayerBase>> LayerGroup::findChildren(const QString& name) const
{
    QVector<boost::shared_ptr<LayerBase>> found;
    for (const boost::shared_ptr<LayerBase>& child : m_children) {
        if (child->name() == name)
            found.append(child);
        if (const auto* group = dynamic_cast<const LayerGroup*>(child.get()))
            found += group->findChildren(name);
    }
    return found;
}

int LayerGroup::indexOf(const LayerBase& child) const
{
    for (int i = 0; i < m_children.size(); ++i) {
        if (m_children[i].get() == &child)
            return i;
    }
    return -1;
}

void LayerGroup::detach(const boost::shared_ptr<LayerBase>& child)
{
    if (const boost::shared_ptr<LayerGroup> parent = child->parentGroup())
        parent->removeChild(*child);
}

bool LayerGroup::removeChild(const LayerBase& child)
{
    const int index = indexOf(child);
    if (index < 0)
        return false;
    m_children[index]->m_parent.reset();
    m_children.remove(index);
    return true;
}

void LayerGroup::placeChild(const boost::shared_ptr<LayerBase>& child, int position)
{
    const int anchorIndex = std::max(position, 0);
    const boost::shared_ptr<LayerBase> anchor = anchorIndex < m_children.size() ? m_children[anchorIndex] : nullptr;
    if (anchor == child)
        return;
    detach(child);
    const int index = anchor ? indexOf(*anchor) : m_children.size();
    m_children.insert(index, child);
    child->m_parent = selfReference();
}

void LayerGroup::insertChild(const boost::shared_ptr<LayerBase>& child, int index)
{
    detach(child);
    m_children.insert(std::clamp(index, 0, int(m_children.size())), child);
    child->m_parent = selfReference();
}

LayerRoot::LayerRoot(boost::weak_ptr<VUVI_ProjectManager> project) : LayerGroup(0, QStringLiteral("layers"), std::move(project))
{
    setScriptName(QStringLiteral("layers"));
}

LayerRoot::~LayerRoot() = default;

} // namespace Rirediro

// ---- VUVI_Layer -----------------------------------------------------------------------

VUVI_Layer::VUVI_Layer(unsigned int id, const QString& name, TQ::ClipID clip, const std::vector<Prm::View>& views,
                       boost::weak_ptr<VUVI_ProjectManager> project)
    : Rirediro::LayerBase(id, name, std::move(project)), m_clip(clip), m_views(views), m_surface(*this)
{
    setScriptName(QStringLiteral("layer"));
    m_inPoint.setScriptName(QStringLiteral("inPoint"));
    m_outPoint.setScriptName(QStringLiteral("outPoint"));
    m_linkToTrack.setScriptName(QStringLiteral("linkToTrack"));
    m_linkedLayer.setScriptName(QStringLiteral("linkedLayerID"));
    m_linkedLayer.vSetDefault(int(id));
    for (Prm::ParameterWithoutType* parameter :
         std::initializer_list<Prm::ParameterWithoutType*>{&m_inPoint, &m_outPoint, &m_linkToTrack, &m_linkedLayer})
        addParameter(parameter);
    m_inPoint.setKeyframed(false);
    m_outPoint.setKeyframed(false);
    m_linkToTrack.setKeyframed(false);
    m_linkedLayer.setKeyframed(false);
    // A new layer renders from, and draws its mattes over, its own clip.
    m_matteClip.setScriptName(QStringLiteral("matteClipID"));
    for (TQ::ClipIDParameter* input : {&m_matteClip, &m_insert.inputClipID(), &m_stabilise.inputClipID(),
                                       &m_remove.inputClipID()})
        input->vSetDefault(clip);
}

VUVI_Layer::~VUVI_Layer() = default;

namespace {

unsigned int clampedToProject(unsigned int frame, const boost::weak_ptr<VUVI_ProjectManager>& project)
{
    const boost::shared_ptr<VUVI_ProjectManager> owner = project.lock();
    return owner ? std::min(frame, owner->projectProperties().length() - 1) : frame;
}

} // namespace

bool VUVI_Layer::isActiveInFrame(const Prm::Context& context) const
{
    const double time = context.time.toDouble();
    return std::isfinite(time) && time >= double(inPoint(context.view, true))
           && time <= double(outPoint(context.view, true));
}

bool VUVI_Layer::bUsesModule(_TQ_MODULE module, bool) const
{
    return std::find(m_modules.begin(), m_modules.end(), module) != m_modules.end();
}

void VUVI_Layer::setUsesModule(_TQ_MODULE module, bool used)
{
    m_modules.erase(std::remove(m_modules.begin(), m_modules.end(), module), m_modules.end());
    if (used)
        m_modules.push_back(module);
}

unsigned int VUVI_Layer::inPoint(const Prm::View& view, bool clamped) const
{
    const unsigned int frame = m_inPoint.value(view);
    return clamped ? clampedToProject(frame, projectManager()) : frame;
}

unsigned int VUVI_Layer::outPoint(const Prm::View& view, bool clamped) const
{
    const unsigned int frame = m_outPoint.value(view);
    return clamped ? clampedToProject(frame, projectManager()) : frame;
}

namespace {

std::pair<int, int> trackKeyOf(const Prm::Context& context)
{
    return {context.view.id(), int(std::lround(context.time.toDouble()))};
}

} // namespace

Gan_Matrix33 VUVI_Layer::transformationMatrix(const Prm::Context& context) const
{
    const std::pair<int, int> key = trackKeyOf(context);
    auto after = m_track.upper_bound(key);
    if (after == m_track.begin())
        return gan_mat33_ident_s();
    const auto at = std::prev(after);
    return at->first.first == key.first ? at->second : gan_mat33_ident_s();
}

void VUVI_Layer::setTrackKey(const Prm::Context& context, const Gan_Matrix33& track)
{
    m_track[trackKeyOf(context)] = track;
}

bool VUVI_Layer::hasTrackKey(const Prm::Context& context) const
{
    return m_track.count(trackKeyOf(context)) != 0;
}

unsigned int VUVI_Layer::topLevelCount() const
{
    const boost::shared_ptr<VUVI_ProjectManager> project = projectManager().lock();
    return project ? unsigned(project->selectionManager()->layerRoot()->children().size()) : 0u;
}

Bsc::detail::QPointerEx<TQ::IClip, QPointer> VUVI_Layer::trackingInputClip(bool useLinkedLayer) const
{
    const boost::shared_ptr<VUVI_ProjectManager> project = projectManager().lock();
    if (!project)
        return {};
    TQ::ClipID clip = m_clip;
    const Prm::View view(Prm::View::defaultViewId());
    if (useLinkedLayer && m_linkToTrack.value(view)) {
        const int linked = m_linkedLayer.value(view);
        if (linked > 0) {
            if (const boost::shared_ptr<VUVI_Layer> other = project->selectionManager()->findLayer(unsigned(linked), false))
                clip = other->clipID();
        }
    }
    return Bsc::detail::QPointerEx<TQ::IClip, QPointer>(project->frameManager().findClip(clip));
}

QList<boost::shared_ptr<const Rirediro::Contour>> VUVI_Layer::readOnlyContours() const
{
    QList<boost::shared_ptr<const Rirediro::Contour>> contours;
    for (const boost::shared_ptr<Rirediro::Contour>& contour : m_contours)
        contours.append(contour);
    return contours;
}

void VUVI_Layer::removeLayer(Bsc::CompositeCommand* macro)
{
    Rirediro::runTreeCommand(projectManager(), std::make_unique<Rirediro::RemoveLayerCommand>(*this), macro);
}

void VUVI_Layer::setParent(const boost::shared_ptr<Rirediro::LayerGroup>& group, unsigned int position,
                           Bsc::CompositeCommand* macro)
{
    Rirediro::runTreeCommand(projectManager(),
                             std::make_unique<Rirediro::SetLayerParentCommand>(*this, group.get(), position), macro);
}

// ---- LC::Surface -----------------------------------------------------------------------

QPointF LC::Surface::pointPosition(const Prm::Context& context, SurfaceTypes::CornerT corner) const
{
    double width = 0;
    double height = 0;
    if (const boost::shared_ptr<VUVI_ProjectManager> project = m_layer.projectManager().lock()) {
        if (const VUVI_Clip* clip = project->frameManager().findClip(m_layer.clipID())) {
            width = clip->baseClip().baseInfo().frameWidth();
            height = clip->baseClip().baseInfo().frameHeight();
        }
    }
    const double x = corner == SurfaceTypes::TopRight || corner == SurfaceTypes::BottomRight ? width : 0.0;
    const double y = corner == SurfaceTypes::BottomRight || corner == SurfaceTypes::BottomLeft ? height : 0.0;
    const Gan_Matrix33 m = m_layer.transformationMatrix(context);
    const double w = m.zx * x + m.zy * y + m.zz;
    return QPointF((m.xx * x + m.xy * y + m.xz) / w, (m.yx * x + m.yy * y + m.yz) / w);
}
