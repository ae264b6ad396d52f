#include "ProjectDocument.h"

#include "Rirediro/Clips/VUVI_BaseClip.h"
#include "Rirediro/Layers/Contour.h"
#include "Rirediro/Layers/LayerGroup.h"
#include "Rirediro/Layers/VUVI_Layer.h"
#include "Rirediro/Project/VUVI_SelectionManager.h"
#include "Rirediro/Clips/VUVI_Clip.h"
#include "Rirediro/ErrorHandling/VUVI_CoreErrors.h"
#include "Rirediro/Project/ProjectProperties.h"
#include "Rirediro/Project/VUVI_FrameManager.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"

#include <TQ/CameraParameterSet.h>

#include <Prm/ParameterStrings.h>
#include <Prm/ParameterWithoutType.h>
#include <Prm/Views.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QHash>
#include <QJsonObject>
#include <QSet>
#include <QTextStream>

#include <cmath>
#include <limits>

namespace Rirediro {

namespace {

const QString kFormatName = QStringLiteral("plinx project");

QString tr(const char* text)
{
    return QCoreApplication::translate("ProjectFile", text);
}

[[noreturn]] void refuse(const QString& message)
{
    throwException<VUVI_BadFile>(message);
}

template <typename Pointer>
std::vector<Pointer> asVector(const QVector<Prm::ParameterWithoutType*>& parameters)
{
    return std::vector<Pointer>(parameters.begin(), parameters.end());
}

// ---- writing ------------------------------------------------------------------

// JSON has no numbers for these, so they are words.
QJsonValue realValue(double value)
{
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    return value;
}

QJsonArray colourValue(const Bsc::Colour3<float>& colour)
{
    return {realValue(colour.r), realValue(colour.g), realValue(colour.b)};
}

QJsonObject linesValue(const ParameterLines& lines)
{
    QJsonObject object;
    for (auto it = lines.constBegin(); it != lines.constEnd(); ++it)
        object.insert(it.key(), QJsonArray::fromStringList(it.value()));
    return object;
}

QJsonObject baseInfoValue(const TQ_BaseClipInfo& info)
{
    const TQ::FilmType& film = info.filmType();
    return {
        {QStringLiteral("frameWidth"), double(info.frameWidth())},
        {QStringLiteral("frameHeight"), double(info.frameHeight())},
        {QStringLiteral("frameRate"), realValue(info.frameRate())},
        {QStringLiteral("firstFrameOffset"), info.firstFrameOffset()},
        {QStringLiteral("interlaceMode"), int(info.interlaceMode())},
        {QStringLiteral("filmType"),
         QJsonObject{{QStringLiteral("name"), film.name()},
                     {QStringLiteral("width"), film.size().width()},
                     {QStringLiteral("height"), film.size().height()},
                     {QStringLiteral("filmBackAspect"), realValue(film.getFilmBackAspectRatio())},
                     {QStringLiteral("pixelAspect"), realValue(film.pixelAspectRatio(film.size(), false))}}},
        {QStringLiteral("filmBackAspect"), realValue(info.filmBackAspect())},
        {QStringLiteral("pixelAspect"), realValue(info.pixelAspect())},
        {QStringLiteral("imageOffsetX"), realValue(info.imageOffsetX())},
        {QStringLiteral("imageOffsetY"), realValue(info.imageOffsetY())},
        {QStringLiteral("imageScale"), realValue(info.imageScale())},
    };
}

QJsonArray viewIds(const std::vector<Prm::View>& views)
{
    QJsonArray ids;
    for (const Prm::View& view : views)
        ids.append(view.id());
    return ids;
}

QJsonObject clipInfoValue(const TQ_ClipInfo& info)
{
    QJsonArray assignments;
    for (auto it = info.viewAssignments().constBegin(); it != info.viewAssignments().constEnd(); ++it)
        assignments.append(QJsonArray{it.key().id(), it.value().id()});
    const TQ_ColorSpaceSettings& colour = info.colorSpaceSettings();
    QJsonArray discreteFrames;
    for (const TQ::DiscreteFrame& frame : info.discreteFrames())
        discreteFrames.append(QJsonObject{{QStringLiteral("text"), frame.text},
                                          {QStringLiteral("number"), double(frame.number)},
                                          {QStringLiteral("view"), frame.view.id()}});
    return {
        {QStringLiteral("views"), viewIds(info.views())},
        {QStringLiteral("viewAssignments"), assignments},
        {QStringLiteral("parameters"), linesValue(ProjectDocument::linesOf(info.parameters()))},
        {QStringLiteral("cacheFrames"), info.cacheFrames()},
        {QStringLiteral("proxyLevel"), info.proxyLevel()},
        {QStringLiteral("pulldownRemoval"), info.pulldownRemoval()},
        {QStringLiteral("cleanplate"), info.isCleanplate()},
        {QStringLiteral("colour"),
         QJsonObject{{QStringLiteral("colorSpace"), colour.colorSpace},
                     {QStringLiteral("floatConversion"), colour.floatConversion},
                     {QStringLiteral("eightBitConversion"), colour.eightBitConversion},
                     {QStringLiteral("gamma"), realValue(colour.gamma)},
                     {QStringLiteral("offset"), realValue(colour.offset)},
                     {QStringLiteral("logReferenceWhite"), realValue(colour.logReferenceWhite)},
                     {QStringLiteral("logReferenceBlack"), realValue(colour.logReferenceBlack)},
                     {QStringLiteral("softClip"), realValue(colour.softClip)}}},
        {QStringLiteral("discreteFrames"), discreteFrames},
    };
}

QJsonArray colour8Value(const QColor& colour)
{
    return {colour.red(), colour.green(), colour.blue(), colour.alpha()};
}

QJsonArray descriptorValue(const PointDescriptor& point)
{
    return {double(point.layerID), double(point.contourID), double(point.pointID)};
}

QJsonArray contoursValue(const std::vector<ContourRecord>& contours)
{
    QJsonArray list;
    for (const ContourRecord& contour : contours) {
        QJsonArray points;
        for (const PointRecord& point : contour.points) {
            QJsonObject value{{QStringLiteral("id"), double(point.id)},
                              {QStringLiteral("parameters"), linesValue(point.parameters)}};
            if (point.master)
                value.insert(QStringLiteral("master"), descriptorValue(*point.master));
            points.append(value);
        }
        list.append(QJsonObject{
            {QStringLiteral("id"), double(contour.id)},
            {QStringLiteral("kind"), contour.kind == Contour::Bezier ? QStringLiteral("bezier") : QStringLiteral("xspline")},
            {QStringLiteral("points"), points}});
    }
    return list;
}

// The track's keys: [view id, frame, the nine entries of the matrix row by row].
QJsonArray trackValue(const std::map<std::pair<int, int>, Gan_Matrix33>& track)
{
    QJsonArray keys;
    for (const auto& [at, m] : track) {
        keys.append(QJsonArray{at.first, at.second, realValue(m.xx), realValue(m.xy), realValue(m.xz),
                               realValue(m.yx), realValue(m.yy), realValue(m.yz), realValue(m.zx),
                               realValue(m.zy), realValue(m.zz)});
    }
    return keys;
}

QJsonObject layerValue(const LayerRecord& layer)
{
    QJsonObject value{
        {QStringLiteral("kind"), layer.kind == LayerRecord::Layer ? QStringLiteral("layer") : QStringLiteral("group")},
        {QStringLiteral("id"), double(layer.id)},
        {QStringLiteral("parent"), double(layer.parentID)},
        {QStringLiteral("name"), layer.name},
        {QStringLiteral("hidden"), layer.hidden},
        {QStringLiteral("locked"), layer.locked},
        {QStringLiteral("matteColour"), colour8Value(layer.matteColour)},
        {QStringLiteral("strokeColour"), colour8Value(layer.strokeColour)},
    };
    if (layer.kind == LayerRecord::Layer) {
        value.insert(QStringLiteral("clip"), double(layer.clip));
        value.insert(QStringLiteral("views"), viewIds(layer.views));
        value.insert(QStringLiteral("parameters"), linesValue(layer.parameters));
        value.insert(QStringLiteral("contours"), contoursValue(layer.contours));
        if (!layer.track.empty())
            value.insert(QStringLiteral("track"), trackValue(layer.track));
    }
    return value;
}

// The nodes below `group`, each after its group, a group's nodes rear to front.
void appendLayerRecords(const LayerGroup& group, std::vector<LayerRecord>& records)
{
    for (const boost::shared_ptr<LayerBase>& node : group.children()) {
        records.push_back(Rirediro::recordOf(*node));
        if (const auto* inner = dynamic_cast<const LayerGroup*>(node.get()))
            appendLayerRecords(*inner, records);
    }
}

// ---- reading ------------------------------------------------------------------

// A value of the document and where it stands ("clips[2].info.views"), so
// that a refusal says what is wrong where.
class Node
{
public:
    Node(QJsonValue value, QString path, const QString& source)
        : m_value(std::move(value)), m_path(std::move(path)), m_source(source)
    {
    }

    [[noreturn]] void damaged(const QString& what) const
    {
        refuse(tr("Project file '%1' is damaged: %2").arg(m_source, what));
    }
    [[noreturn]] void expected(const QString& kind) const
    {
        damaged(tr("%1 should be %2").arg(m_path, kind));
    }

    const QString& path() const { return m_path; }

    Node operator[](const QString& key) const
    {
        const QJsonObject fields = object();
        const QString path = m_path.isEmpty() ? key : m_path + QLatin1Char('.') + key;
        const auto found = fields.constFind(key);
        if (found == fields.constEnd())
            damaged(tr("%1 is missing").arg(path));
        return Node(*found, path, m_source);
    }
    Node operator[](int index) const
    {
        return Node(array().at(index), QStringLiteral("%1[%2]").arg(m_path).arg(index), m_source);
    }
    int size() const { return array().size(); }

    QJsonObject object() const
    {
        if (!m_value.isObject())
            expected(tr("an object"));
        return m_value.toObject();
    }
    QJsonArray array() const
    {
        if (!m_value.isArray())
            expected(tr("a list"));
        return m_value.toArray();
    }
    QString string() const
    {
        if (!m_value.isString())
            expected(tr("a text"));
        return m_value.toString();
    }
    bool boolean() const
    {
        if (!m_value.isBool())
            expected(tr("true or false"));
        return m_value.toBool();
    }
    double real() const
    {
        if (m_value.isDouble())
            return m_value.toDouble();
        const QString word = m_value.toString();
        if (word == QLatin1String("nan"))
            return std::numeric_limits<double>::quiet_NaN();
        if (word == QLatin1String("inf") || word == QLatin1String("-inf"))
            return word.startsWith(QLatin1Char('-')) ? -std::numeric_limits<double>::infinity()
                                                     : std::numeric_limits<double>::infinity();
        expected(tr("a number"));
    }
    float single() const { return float(real()); }
    // A whole number from `lowest` to `highest`.
    qint64 whole(qint64 lowest, qint64 highest) const
    {
        const double number = m_value.isDouble() ? m_value.toDouble() : std::nan("");
        if (!(number >= double(lowest) && number <= double(highest) && std::trunc(number) == number))
            expected(tr("a whole number from %1 to %2").arg(lowest).arg(highest));
        return qint64(number);
    }
    unsigned int uint32() const { return unsigned(whole(0, std::numeric_limits<quint32>::max())); }
    int int32() const
    {
        return int(whole(std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
    }
    Prm::View view() const { return Prm::View(int32_t(whole(0, Prm::View::MAX_PREFIX_ID))); }
    TQ_INTERLACE_MODE interlaceMode() const
    {
        return TQ_INTERLACE_MODE(whole(TQ_NOT_INTERLACED, TQ_INVALID_INTERLACE_MODE));
    }
    Bsc::Colour3<float> colour() const
    {
        if (size() != 3)
            expected(tr("a list of three numbers"));
        return Bsc::Colour3<float>((*this)[0].single(), (*this)[1].single(), (*this)[2].single());
    }
    // An 8-bit colour with alpha: [r, g, b, a].
    QColor colour8() const
    {
        if (size() != 4)
            expected(tr("a list of four channels"));
        int channels[4];
        for (int i = 0; i < 4; ++i)
            channels[i] = int((*this)[i].whole(0, 255));
        return QColor(channels[0], channels[1], channels[2], channels[3]);
    }
    // A list of distinct views.
    std::vector<Prm::View> views() const
    {
        std::vector<Prm::View> views;
        QSet<int32_t> seen;
        for (int i = 0; i < size(); ++i) {
            const Prm::View view = (*this)[i].view();
            if (seen.contains(view.id()))
                damaged(tr("%1 names view %2 twice").arg(m_path).arg(view.id()));
            seen.insert(view.id());
            views.push_back(view);
        }
        return views;
    }
    ParameterLines parameterLines() const
    {
        ParameterLines lines;
        const QJsonObject parameters = object();
        for (auto it = parameters.constBegin(); it != parameters.constEnd(); ++it) {
            const Node list = (*this)[it.key()];
            QStringList text;
            for (int i = 0; i < list.size(); ++i)
                text.append(list[i].string());
            lines.insert(it.key(), text);
        }
        return lines;
    }

private:
    QJsonValue m_value;
    QString m_path;
    const QString& m_source;
};

// The parameter lines of `node`, checked by reading them into `parameters`:
// each of them must be there, and every line must be one of theirs.
ParameterLines readParameters(const Node& node, const std::vector<Prm::ParameterWithoutType*>& parameters,
                              const QString& what)
{
    const ParameterLines lines = node.parameterLines();
    for (const Prm::ParameterWithoutType* parameter : parameters) {
        if (!lines.contains(parameter->scriptName()))
            node.damaged(tr("%1 lacks '%2'").arg(node.path(), parameter->scriptName()));
    }
    if (!ProjectDocument::readLines(lines, parameters))
        node.expected(what);
    return lines;
}

TQ_BaseClipInfo readBaseInfo(const Node& node)
{
    TQ_BaseClipInfo info;
    info.setFrameWidth(node[QStringLiteral("frameWidth")].uint32());
    info.setFrameHeight(node[QStringLiteral("frameHeight")].uint32());
    info.setFrameRate(node[QStringLiteral("frameRate")].single());
    info.setFirstFrameOffset(node[QStringLiteral("firstFrameOffset")].int32());
    info.setInterlaceMode(node[QStringLiteral("interlaceMode")].interlaceMode());
    const Node film = node[QStringLiteral("filmType")];
    info.setFilmType(TQ::FilmType(film[QStringLiteral("name")].string(),
                                  QSize(film[QStringLiteral("width")].int32(), film[QStringLiteral("height")].int32()),
                                  film[QStringLiteral("filmBackAspect")].real(),
                                  film[QStringLiteral("pixelAspect")].real()));
    info.setFilmBackAspect(node[QStringLiteral("filmBackAspect")].real());
    info.setPixelAspect(node[QStringLiteral("pixelAspect")].real());
    info.setImagePlacement(node[QStringLiteral("imageOffsetX")].single(), node[QStringLiteral("imageOffsetY")].single(),
                           node[QStringLiteral("imageScale")].single());
    return info;
}

TQ_ClipInfo readClipInfo(const Node& node)
{
    TQ_ClipInfo info;
    const Node views = node[QStringLiteral("views")];
    if (views.size() == 0)
        views.expected(tr("a list of at least one view"));
    info.setViews(views.views());

    const Node assignments = node[QStringLiteral("viewAssignments")];
    for (int i = 0; i < assignments.size(); ++i) {
        const Node pair = assignments[i];
        if (pair.size() != 2)
            pair.expected(tr("a project view and a clip view"));
        info.setClipViewForProjectView(pair[0].view(), pair[1].view());
    }

    readParameters(node[QStringLiteral("parameters")], info.parameters(), tr("the clip's stream settings"));

    info.setCacheFrames(node[QStringLiteral("cacheFrames")].int32());
    info.setProxyLevel(node[QStringLiteral("proxyLevel")].int32());
    info.setPulldownRemoval(node[QStringLiteral("pulldownRemoval")].int32());
    info.setCleanplate(node[QStringLiteral("cleanplate")].boolean());

    const Node colourNode = node[QStringLiteral("colour")];
    TQ_ColorSpaceSettings& colour = info.colorSpaceSettings();
    colour.colorSpace = colourNode[QStringLiteral("colorSpace")].int32();
    colour.floatConversion = colourNode[QStringLiteral("floatConversion")].int32();
    colour.eightBitConversion = colourNode[QStringLiteral("eightBitConversion")].int32();
    colour.gamma = colourNode[QStringLiteral("gamma")].single();
    colour.offset = colourNode[QStringLiteral("offset")].single();
    colour.logReferenceWhite = colourNode[QStringLiteral("logReferenceWhite")].single();
    colour.logReferenceBlack = colourNode[QStringLiteral("logReferenceBlack")].single();
    colour.softClip = colourNode[QStringLiteral("softClip")].single();

    const Node framesNode = node[QStringLiteral("discreteFrames")];
    QVector<TQ::DiscreteFrame> frames;
    for (int i = 0; i < framesNode.size(); ++i) {
        const Node frame = framesNode[i];
        frames.append(TQ::DiscreteFrame{frame[QStringLiteral("text")].string(), frame[QStringLiteral("number")].uint32(),
                                        Prm::View(frame[QStringLiteral("view")].int32())});
    }
    info.setDiscreteFrames(frames);
    return info;
}

void readProperties(const Node& node, ProjectRecord& record)
{
    record.notes = node[QStringLiteral("notes")].string();
    record.length = node[QStringLiteral("length")].uint32();
    record.frameRate = node[QStringLiteral("frameRate")].single();
    record.interlaceMode = node[QStringLiteral("interlaceMode")].interlaceMode();
    record.firstFrameOffset = node[QStringLiteral("firstFrameOffset")].int32();
    record.outputDir = node[QStringLiteral("outputDir")].string();
    record.playbackInPoint = node[QStringLiteral("playbackInPoint")].uint32();
    record.playbackOutPoint = node[QStringLiteral("playbackOutPoint")].uint32();
    record.heroView = node[QStringLiteral("heroView")].view();
}

void readViews(const Node& node, ProjectRecord& record)
{
    QSet<int32_t> ids;
    for (int i = 0; i < node.size(); ++i) {
        const Node entry = node[i];
        ViewRecord view{entry[QStringLiteral("id")].view(), {}, entry[QStringLiteral("colour")].colour()};
        const Node names = entry[QStringLiteral("names")];
        for (int n = 0; n < names.size(); ++n)
            view.names.append(names[n].string());
        if (ids.contains(view.view.id()))
            node.damaged(tr("%1 names view %2 twice").arg(node.path()).arg(view.view.id()));
        ids.insert(view.view.id());
        record.views.push_back(view);
    }
    if (record.views.empty())
        node.expected(tr("a list of at least one view"));
    if (!ids.contains(record.heroView.id()))
        node.damaged(tr("the hero view %1 is not one of the views").arg(record.heroView.id()));
}

void readClips(const Node& baseClips, const Node& clips, ProjectRecord& record)
{
    for (int i = 0; i < baseClips.size(); ++i) {
        const Node entry = baseClips[i];
        BaseClipRecord baseClip;
        baseClip.id = entry[QStringLiteral("id")].uint32();
        if (record.baseClip(baseClip.id))
            baseClips.damaged(tr("%1 lists base clip %2 twice").arg(baseClips.path()).arg(baseClip.id));
        baseClip.info = readBaseInfo(entry[QStringLiteral("info")]);
        TQ_CameraParameterSet check;
        baseClip.camera = readParameters(entry[QStringLiteral("camera")],
                                         asVector<Prm::ParameterWithoutType*>(check.parameters()),
                                         tr("the camera's parameters"));
        record.baseClips.push_back(baseClip);
    }

    QSet<unsigned int> ids;
    QSet<unsigned int> usedBaseClips;
    for (int i = 0; i < clips.size(); ++i) {
        const Node entry = clips[i];
        ClipRecord clip;
        const Node id = entry[QStringLiteral("id")];
        clip.id = id.uint32();
        if (clip.id == 0 || ids.contains(clip.id))
            id.expected(tr("a clip id that is not 0 and not taken"));
        ids.insert(clip.id);
        const Node baseClip = entry[QStringLiteral("baseClip")];
        clip.baseClipID = baseClip.uint32();
        if (!record.baseClip(clip.baseClipID))
            baseClip.expected(tr("one of the base clips"));
        usedBaseClips.insert(clip.baseClipID);
        clip.name = entry[QStringLiteral("name")].string();
        clip.info = readClipInfo(entry[QStringLiteral("info")]);
        record.clips.push_back(clip);
    }
    if (record.clips.empty())
        clips.expected(tr("a list of at least one clip"));
    if (usedBaseClips.size() != int(record.baseClips.size()))
        baseClips.damaged(tr("%1 lists a base clip that no clip uses").arg(baseClips.path()));
}

// Contour and point ids are unique in a file; `ids` holds those read so far.
unsigned int readShapeID(const Node& node, QSet<unsigned int>& ids)
{
    const unsigned int id = unsigned(node.whole(1, std::numeric_limits<quint32>::max()));
    if (ids.contains(id))
        node.expected(tr("an id that no other contour or point has"));
    ids.insert(id);
    return id;
}

// The track's keys as trackValue writes them; a frame keyed twice in a view is damage.
std::map<std::pair<int, int>, Gan_Matrix33> readTrack(const Node& node)
{
    std::map<std::pair<int, int>, Gan_Matrix33> track;
    for (int i = 0; i < node.size(); ++i) {
        const Node key = node[i];
        if (key.size() != 11)
            key.expected(tr("a view id, a frame and nine numbers"));
        const std::pair<int, int> at(int(key[0].view().id()), key[1].int32());
        double m[9];
        for (int j = 0; j < 9; ++j)
            m[j] = key[2 + j].real();
        if (!track.emplace(at, Gan_Matrix33{m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8]}).second)
            key.expected(tr("a frame of a view that no other key has"));
    }
    return track;
}

void readContours(const Node& node, LayerRecord& layer, QSet<unsigned int>& ids)
{
    for (int i = 0; i < node.size(); ++i) {
        const Node entry = node[i];
        ContourRecord contour;
        contour.id = readShapeID(entry[QStringLiteral("id")], ids);
        const Node kind = entry[QStringLiteral("kind")];
        if (kind.string() == QLatin1String("xspline"))
            contour.kind = Contour::XSpline;
        else if (kind.string() == QLatin1String("bezier"))
            contour.kind = Contour::Bezier;
        else
            kind.expected(tr("\"xspline\" or \"bezier\""));
        const boost::shared_ptr<Contour> check = Contour::create(Contour::Kind(contour.kind), contour.id, {});
        const Node points = entry[QStringLiteral("points")];
        for (int j = 0; j < points.size(); ++j) {
            const Node pointEntry = points[j];
            PointRecord point;
            point.id = readShapeID(pointEntry[QStringLiteral("id")], ids);
            const boost::shared_ptr<ControlPoint> checkPoint = check->makePoint(point.id);
            point.parameters = readParameters(pointEntry[QStringLiteral("parameters")],
                                              asVector<Prm::ParameterWithoutType*>(checkPoint->parameters()),
                                              tr("the point's parameters"));
            if (pointEntry.object().contains(QStringLiteral("master"))) {
                const Node master = pointEntry[QStringLiteral("master")];
                if (master.size() != 3)
                    master.expected(tr("a list of a layer, a contour and a point id"));
                point.master = PointDescriptor{master[0].uint32(), master[1].uint32(), master[2].uint32()};
            }
            contour.points.push_back(point);
        }
        layer.contours.push_back(contour);
    }
}

// Every master must be a point of the file on another layer, and no point
// may follow itself through other points.
void checkMasters(const Node& node, const ProjectRecord& record)
{
    QHash<unsigned int, PointDescriptor> addresses; // by point id
    QHash<unsigned int, unsigned int> masters;      // point id -> its master's
    for (const LayerRecord& layer : record.layers) {
        for (const ContourRecord& contour : layer.contours) {
            for (const PointRecord& point : contour.points)
                addresses.insert(point.id, PointDescriptor{layer.id, contour.id, point.id});
        }
    }
    for (const LayerRecord& layer : record.layers) {
        for (const ContourRecord& contour : layer.contours) {
            for (const PointRecord& point : contour.points) {
                if (!point.master)
                    continue;
                const auto found = addresses.constFind(point.master->pointID);
                if (found == addresses.constEnd() || *found != *point.master)
                    node.damaged(tr("point %1 follows a point that is not in the file").arg(point.id));
                if (point.master->layerID == layer.id)
                    node.damaged(tr("point %1 follows a point of its own layer").arg(point.id));
                masters.insert(point.id, point.master->pointID);
            }
        }
    }
    for (auto it = masters.constBegin(); it != masters.constEnd(); ++it) {
        unsigned int point = it.value();
        for (int steps = 0; steps <= masters.size() && masters.contains(point); ++steps) {
            if (point == it.key())
                node.damaged(tr("point %1 follows itself").arg(it.key()));
            point = masters.value(point);
        }
    }
}

void readLayers(const Node& node, ProjectRecord& record, qint64 version)
{
    QSet<unsigned int> shapeIDs;
    QSet<unsigned int> clips;
    for (const ClipRecord& clip : record.clips)
        clips.insert(clip.id);
    QSet<unsigned int> ids;
    QSet<unsigned int> groups;
    for (int i = 0; i < node.size(); ++i) {
        const Node entry = node[i];
        LayerRecord layer;
        const Node kind = entry[QStringLiteral("kind")];
        if (kind.string() == QLatin1String("layer"))
            layer.kind = LayerRecord::Layer;
        else if (kind.string() == QLatin1String("group"))
            layer.kind = LayerRecord::Group;
        else
            kind.expected(tr("\"layer\" or \"group\""));
        // Layers name each other in int parameters: ids stay in their range.
        const Node id = entry[QStringLiteral("id")];
        layer.id = unsigned(id.whole(1, std::numeric_limits<qint32>::max()));
        if (ids.contains(layer.id))
            id.expected(tr("an id that no other layer or group has"));
        ids.insert(layer.id);
        const Node parent = entry[QStringLiteral("parent")];
        layer.parentID = parent.uint32();
        if (layer.parentID != 0 && !groups.contains(layer.parentID))
            parent.expected(tr("0 or the id of a group listed before"));
        layer.name = entry[QStringLiteral("name")].string();
        layer.hidden = entry[QStringLiteral("hidden")].boolean();
        layer.locked = entry[QStringLiteral("locked")].boolean();
        layer.matteColour = entry[QStringLiteral("matteColour")].colour8();
        layer.strokeColour = entry[QStringLiteral("strokeColour")].colour8();
        if (layer.kind == LayerRecord::Group) {
            groups.insert(layer.id);
        } else {
            const Node clip = entry[QStringLiteral("clip")];
            layer.clip = clip.uint32();
            if (!clips.contains(layer.clip))
                clip.expected(tr("the id of one of the clips"));
            const Node views = entry[QStringLiteral("views")];
            layer.views = views.views();
            if (layer.views.empty())
                views.expected(tr("a list of at least one view"));
            VUVI_Layer check(layer.id, layer.name, layer.clip, layer.views, {});
            layer.parameters = readParameters(entry[QStringLiteral("parameters")],
                                              asVector<Prm::ParameterWithoutType*>(check.parameters()),
                                              tr("the layer's parameters"));
            if (version >= 3)
                readContours(entry[QStringLiteral("contours")], layer, shapeIDs);
            // Files written before layers were tracked have no track.
            if (entry.object().contains(QStringLiteral("track")))
                layer.track = readTrack(entry[QStringLiteral("track")]);
        }
        record.layers.push_back(layer);
    }
    checkMasters(node, record);
}

} // namespace

const BaseClipRecord* ProjectRecord::baseClip(unsigned int id) const
{
    for (const BaseClipRecord& record : baseClips) {
        if (record.id == id)
            return &record;
    }
    return nullptr;
}

namespace ProjectDocument {

ParameterLines linesOf(const std::vector<const Prm::ParameterWithoutType*>& parameters)
{
    ParameterLines lines;
    for (const Prm::ParameterWithoutType* parameter : parameters) {
        QString text;
        QTextStream stream(&text);
        parameter->bStreamOut(stream, QString(), false);
        stream.flush();
        lines.insert(parameter->scriptName(), text.split(QLatin1Char('\n'), Qt::SkipEmptyParts));
    }
    return lines;
}

bool readLines(const ParameterLines& lines, const std::vector<Prm::ParameterWithoutType*>& parameters)
{
    bool complete = true;
    for (auto it = lines.constBegin(); it != lines.constEnd(); ++it) {
        Prm::ParameterWithoutType* target = nullptr;
        for (Prm::ParameterWithoutType* parameter : parameters) {
            if (parameter->scriptName() == it.key())
                target = parameter;
        }
        if (!target) {
            complete = false;
            continue;
        }
        for (const QString& line : it.value())
            complete = target->streamInValue(line, Prm::StreamVersion::current, {}) && complete;
    }
    return complete;
}

ProjectRecord recordOf(const VUVI_ProjectManager& project)
{
    ProjectRecord record;
    const ProjectProperties& properties = project.projectProperties();
    record.notes = properties.getProjectNotes();
    record.length = properties.length();
    record.frameRate = properties.frameRate();
    record.interlaceMode = properties.interlaceMode();
    record.firstFrameOffset = properties.firstFrameOffset();
    record.outputDir = properties.rawOutputDir();
    record.playbackInPoint = properties.playbackInPoint();
    record.playbackOutPoint = properties.playbackOutPoint();
    record.heroView = properties.heroView();
    const Prm::Views& views = *properties.views();
    for (const Prm::View& view : views.viewList())
        record.views.push_back({view, views.viewNames(view), properties.colourForView(view)});

    const VUVI_FrameManager& frames = project.frameManager();
    for (const auto& entry : frames.baseClips()) {
        const VUVI_BaseClip& baseClip = *entry.second;
        record.baseClips.push_back({entry.first, baseClip.baseInfo(),
                                    linesOf(asVector<const Prm::ParameterWithoutType*>(
                                        baseClip.cameraParameters().parameters()))});
    }
    for (const VUVI_Clip* clip : frames.clips())
        record.clips.push_back({clip->clipID(), clip->baseClipID(), clip->name(), clip->clipInfo()});
    record.defaultTrackableClip = frames.defaultTrackableClip();
    appendLayerRecords(*project.selectionManager()->layerRoot(), record.layers);
    return record;
}

QByteArray write(const ProjectRecord& record)
{
    QJsonArray views;
    for (const ViewRecord& view : record.views)
        views.append(QJsonObject{{QStringLiteral("id"), view.view.id()},
                                 {QStringLiteral("names"), QJsonArray::fromStringList(view.names)},
                                 {QStringLiteral("colour"), colourValue(view.colour)}});
    QJsonArray baseClips;
    for (const BaseClipRecord& baseClip : record.baseClips)
        baseClips.append(QJsonObject{{QStringLiteral("id"), double(baseClip.id)},
                                     {QStringLiteral("info"), baseInfoValue(baseClip.info)},
                                     {QStringLiteral("camera"), linesValue(baseClip.camera)}});
    QJsonArray clips;
    for (const ClipRecord& clip : record.clips)
        clips.append(QJsonObject{{QStringLiteral("id"), double(clip.id)},
                                 {QStringLiteral("baseClip"), double(clip.baseClipID)},
                                 {QStringLiteral("name"), clip.name},
                                 {QStringLiteral("info"), clipInfoValue(clip.info)}});
    QJsonArray layers;
    for (const LayerRecord& layer : record.layers)
        layers.append(layerValue(layer));
    const QJsonObject properties{
        {QStringLiteral("notes"), record.notes},
        {QStringLiteral("length"), double(record.length)},
        {QStringLiteral("frameRate"), realValue(record.frameRate)},
        {QStringLiteral("interlaceMode"), int(record.interlaceMode)},
        {QStringLiteral("firstFrameOffset"), record.firstFrameOffset},
        {QStringLiteral("outputDir"), record.outputDir},
        {QStringLiteral("playbackInPoint"), double(record.playbackInPoint)},
        {QStringLiteral("playbackOutPoint"), double(record.playbackOutPoint)},
        {QStringLiteral("heroView"), record.heroView.id()},
    };
    const QJsonObject document{
        {QStringLiteral("format"), kFormatName},
        {QStringLiteral("version"), kCurrentVersion},
        {QStringLiteral("properties"), properties},
        {QStringLiteral("views"), views},
        {QStringLiteral("baseClips"), baseClips},
        {QStringLiteral("clips"), clips},
        {QStringLiteral("defaultTrackableClip"), double(record.defaultTrackableClip)},
        {QStringLiteral("layers"), layers},
    };
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

ProjectRecord read(const QByteArray& contents, const QString& source)
{
    if (contents.isEmpty())
        refuse(tr("Project file '%1' is empty").arg(source));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(contents, &error);
    if (error.error != QJsonParseError::NoError)
        refuse(tr("Project file '%1' is damaged: %2 at byte %3").arg(source, error.errorString()).arg(error.offset));
    const QJsonObject top = document.object();
    if (!document.isObject() || top.value(QStringLiteral("format")).toString() != kFormatName)
        refuse(tr("'%1' is not a project file").arg(source));

    const Node root(top, QString(), source);
    const qint64 version = root[QStringLiteral("version")].whole(1, std::numeric_limits<qint32>::max());
    if (version > kCurrentVersion)
        refuse(tr("Project file '%1' was written by a newer version of the application (format %2; this one "
                  "reads up to %3)")
                   .arg(source)
                   .arg(version)
                   .arg(kCurrentVersion));

    ProjectRecord record;
    readProperties(root[QStringLiteral("properties")], record);
    readViews(root[QStringLiteral("views")], record);
    readClips(root[QStringLiteral("baseClips")], root[QStringLiteral("clips")], record);
    const Node trackable = root[QStringLiteral("defaultTrackableClip")];
    record.defaultTrackableClip = trackable.uint32();
    bool known = false;
    for (const ClipRecord& clip : record.clips)
        known = known || clip.id == record.defaultTrackableClip;
    if (!known)
        trackable.expected(tr("the id of one of the clips"));
    const Node layers = root[QStringLiteral("layers")];
    if (version == 1 && layers.size() != 0)
        layers.expected(tr("an empty list in format %1").arg(version));
    readLayers(layers, record, version);
    return record;
}

} // namespace ProjectDocument
} // namespace Rirediro
