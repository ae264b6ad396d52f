// The core exports as the application does (the export driver): through the
// adaptors of exporters written against the scripting API, and through its
// own plain-text exporters, writing real files.
#include "shapes/ShapeTestSupport.h"

#include "Exporters/Helpers/AbstractCameraSolveExporter.h"
#include "Exporters/Helpers/AbstractShapeDataExporter.h"
#include "Exporters/Helpers/AbstractTrackingDataExporter.h"
#include "Exporters/Helpers/PythonShapeExporter.h"
#include "Exporters/wrappers/CameraSolveExporter.h"
#include "Exporters/wrappers/ShapeDataExporter.h"

#include <Rirediro/ErrorHandling/VUVI_CoreErrors.h>
#include <Rirediro/Export/ExportDriver.h>
#include <Rirediro/Export/ShapeExport.h>
#include <Rirediro/Project/VUVI_ToolManager.h>

#include <Prm/Views.h>
#include <Rirediro/Project/ProjectProperties.h>

#include <QDir>
#include <QFile>

#include <memory>

namespace {

using Rirediro::ExportDriver;

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// What an exporter was handed, in a log that outlives it.
struct CallLog
{
    QStringList calls;
    QStringList layers;
    QString path;
    QList<int> views;
    double time = -1.0;
    QMap<QString, bool> options;
    QPointer<Project> project;
};

template <typename Base>
class Recording : public Base
{
public:
    template <typename... A>
    Recording(CallLog& log, QMap<QString, QByteArray> files, QString error, A... args)
        : Base(args...), m_log(log), m_files(files), m_error(error)
    {
    }
    QString error_string() const override
    {
        m_log.calls << "error_string";
        return m_error;
    }

protected:
    QMap<QString, QByteArray> record(Project* project, const QVector<Layer>& layers, const QString& path,
                                     const QVector<View>& views)
    {
        m_log.calls << "do_export";
        m_log.project = project;
        for (const Layer& layer : layers)
            m_log.layers << (layer.isNull() ? QStringLiteral("-") : layer.get_name());
        m_log.path = path;
        for (const View& view : views)
            m_log.views << int(view.getView().id());
        return m_files;
    }

    CallLog& m_log;
    QMap<QString, QByteArray> m_files;
    QString m_error;
};

class ShapeRecorder : public Recording<AbstractShapeDataExporter>
{
public:
    using Recording::Recording;
    QMap<QString, QByteArray> do_export(Project* project, const QVector<Layer>& layers, const QString& path,
                                        const QVector<View>& views) override
    {
        return record(project, layers, path, views);
    }
};

class TrackingRecorder : public Recording<AbstractTrackingDataExporter>
{
public:
    using Recording::Recording;
    QMap<QString, QByteArray> do_export(Project* project, Layer layer, const QString& path, double time, View view,
                                        QMap<QString, bool> options) override
    {
        m_log.time = time;
        m_log.options = options;
        return record(project, {layer}, path, {view});
    }
};

class CameraRecorder : public Recording<AbstractCameraSolveExporter>
{
public:
    using Recording::Recording;
    QMap<QString, QByteArray> do_export(Project* project, const QVector<Layer>& layers, const QString& path,
                                        double time, QVector<View> views) override
    {
        m_log.time = time;
        return record(project, layers, path, views);
    }
};

class ExportDriverTest : public shapetest::ShapeProject
{
protected:
    ExportDriverTest()
    {
        a.add_xspline_contour(0.0f, {shapetest::xAt(10, 20), shapetest::xAt(30, 20), shapetest::xAt(30, 40)});
    }
    unsigned int idOf(const Layer& layer) { return layer.handledObject()->id().toUInt(); }
    QString out(const QString& name) { return QDir(m_dir.path()).filePath(name); }
    Prm::Context frame(double time) { return Prm::Context(Prm::Time::fromDouble(time), Prm::View(0), 3); }

    CallLog log;
};

TEST_F(ExportDriverTest, AShapeExportReachesTheAdaptorsExporterAndWritesItsFilesBesideThePath)
{
    ShapeRecorder exporter(log, {{"shapes.rec", "one"}, {"extra.rec", "two"}}, QString(), "Recorded shapes",
                           ".rec");
    exporter.registerExporter();
    const ExportDriver::Outcome outcome =
        ExportDriver::exportShapes(core(), "Recorded shapes", out("shapes.rec"), {idOf(b), idOf(a), idOf(b)},
                                   {Prm::View(0)});
    EXPECT_EQ(log.calls, QStringList({"do_export", "error_string"}));
    EXPECT_EQ(log.layers, QStringList({"B", "A", "B"}));
    EXPECT_EQ(log.path, out("shapes.rec"));
    EXPECT_EQ(log.views, QList<int>({0}));
    EXPECT_TRUE(log.project.isNull()); // the call's own Project is gone
    EXPECT_EQ(outcome.error, QString());
    EXPECT_EQ(outcome.written, QStringList({out("extra.rec"), out("shapes.rec")}));
    EXPECT_EQ(contentsOf(out("shapes.rec")), "one");
    EXPECT_EQ(contentsOf(out("extra.rec")), "two");
}

TEST_F(ExportDriverTest, AShapeExportersErrorTextReplacesItsOwnErrorEntryAndIsNotWritten)
{
    const QString error = QString::fromUtf8("disque plein \xe2\x80\x93 full");
    ShapeRecorder exporter(log, {{"kept.rec", "one"}, {Rirediro::ShapeExporter::ERROR_FILENAME, "mine"}}, error,
                           "Failing shapes", ".rec");
    exporter.registerExporter();
    const auto files = Rirediro::ShapeExporterFactory::getExporter(exporter.format())
                           ->exportShape(core(), out("x.rec"), {idOf(a)}, Rirediro::ShapeExporter::Options());
    EXPECT_EQ(files->value(Rirediro::ShapeExporter::ERROR_FILENAME), error.toUtf8());
    const ExportDriver::Outcome outcome =
        ExportDriver::exportShapes(core(), "Failing shapes", out("x.rec"), {idOf(a)}, {});
    EXPECT_EQ(outcome.error, error);
    EXPECT_EQ(outcome.written, QStringList({out("kept.rec")}));
}

struct TrackingOptionsRow
{
    int invertMode;
    int stabilizeMode;
    bool removeLensDistortion;
    bool invert;
    bool stabilize;
};

class TrackingOptions : public ExportDriverTest, public ::testing::WithParamInterface<TrackingOptionsRow>
{
};

TEST_P(TrackingOptions, ReachTheExporterAsThreeFlags)
{
    const TrackingOptionsRow row = GetParam();
    TrackingRecorder exporter(log, {{"t.rec", "track"}}, QString(), "Recorded track", ".rec");
    exporter.registerExporter();
    Rirediro::TrackingExporter::Options options;
    options.invertMode = row.invertMode;
    options.stabilizeMode = row.stabilizeMode;
    options.removeLensDistortion = row.removeLensDistortion;
    const ExportDriver::Outcome outcome =
        ExportDriver::exportTracking(core(), "Recorded track", out("t.rec"), idOf(b), frame(3.5), options);
    EXPECT_EQ(log.options, (QMap<QString, bool>{{"Invert", row.invert},
                                                {"Stabilize", row.stabilize},
                                                {"RemoveLensDistortion", row.removeLensDistortion}}));
    EXPECT_EQ(log.layers, QStringList({"B"}));
    EXPECT_EQ(log.time, 3.5);
    EXPECT_EQ(outcome.error, QString());
    EXPECT_EQ(contentsOf(out("t.rec")), "track");
}

INSTANTIATE_TEST_SUITE_P(Modes, TrackingOptions,
                         ::testing::Values(TrackingOptionsRow{2, 3, true, false, true},
                                           TrackingOptionsRow{1, 1, false, true, false},
                                           TrackingOptionsRow{0, 0, false, false, false}));

TEST_F(ExportDriverTest, TheShapeExportModeChoosesTheLayersTheExporterReceives)
{
    ShapeRecorder exporter(log, {}, QString(), "Layers by mode", ".rec");
    exporter.registerExporter();
    const auto adaptor = Rirediro::ShapeExporterFactory::getExporter(exporter.format());
    b.handledObject()->setState(Rirediro::LayerBase::Selected);
    core().toolManager().setCurrentLayer(a.handledObject(), frame(0));
    const struct
    {
        TQ_ShapeExportMode mode;
        QStringList layers;
    } cases[] = {
        {TQ_SHAPE_EXPORT_SELECTED_LAYERS, {"B"}},
        {TQ_SHAPE_EXPORT_ALL_LAYERS, {"B", "A"}}, // front to rear
        {TQ_SHAPE_EXPORT_CURRENT_LAYER, {"A"}},
        {TQ_SHAPE_EXPORT_LISTED_LAYERS, {"A", "B", "A"}},
        {TQ_ShapeExportMode(7), {}},
    };
    for (const auto& c : cases) {
        log.layers.clear();
        Rirediro::ShapeExporter::Options options;
        options.mode = c.mode;
        adaptor->exportShape(core(), out("m.rec"), {idOf(a), idOf(b), idOf(a)}, options);
        EXPECT_EQ(log.layers, c.layers) << "mode " << c.mode;
    }
}

TEST_F(ExportDriverTest, ShapeSplinesAreMovedByTheOffsetAndFiledAsClosedOrOpen)
{
    square(b); // corners (0, 0), (10, 0), (10, 10), (0, 10)
    const int bezierFlags = ShapeExport::Shapes | ShapeExport::Geometry | ShapeExport::KeyframesOnly;
    const struct
    {
        QPointF offset;
        bool closed;
    } cases[] = {{QPointF(0, 0), true}, {QPointF(3, -4), true}, {QPointF(-1.5, 2), false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(QStringLiteral("offset %1 %2 closed %3").arg(c.offset.x()).arg(c.offset.y()).arg(c.closed)
                         .toStdString());
        VUVI_ExportShape bezier, xspline;
        ShapeExport::getShapeSplines(bezier, core(), 0, 4, b.handledObject(), Prm::View(0), bezierFlags, 0.75,
                                     c.offset, c.closed);
        ShapeExport::getShapeSplines(xspline, core(), 0, 4, a.handledObject(), Prm::View(0),
                                     bezierFlags | ShapeExport::XSplines, 0.75, c.offset, c.closed);
        for (const VUVI_ExportShape* record : {&bezier, &xspline}) {
            ASSERT_EQ(record->curves.size(), 1);
            ASSERT_EQ(record->openCurves.size(), 1);
            EXPECT_EQ(record->curves[0][0].size(), c.closed ? 1 : 0);
            EXPECT_EQ(record->openCurves[0][0].size(), c.closed ? 0 : 1);
        }
        const auto filed = [&](const VUVI_ExportShape& record) {
            return (c.closed ? record.curves : record.openCurves)[0][0].front();
        };
        const auto* square = dynamic_cast<const Rirediro::ExportBezierCurve*>(filed(bezier).get());
        ASSERT_NE(square, nullptr);
        const double* corner = square->segments()[1].values;
        EXPECT_EQ(QPointF(corner[0], corner[1]), QPointF(10, 0) + c.offset);
        EXPECT_EQ(QPointF(corner[2], corner[3]), QPointF(10, 0) + c.offset);
        const auto* contour = dynamic_cast<const Rirediro::ExportXSplineCurve*>(filed(xspline).get());
        ASSERT_NE(contour, nullptr);
        EXPECT_EQ(contour->offset(), c.offset);
    }
}

TEST_F(ExportDriverTest, ATrackingExportForAnIdWithoutLayerHandsOverALayerOverNothing)
{
    TrackingRecorder exporter(log, {}, QStringLiteral("no such layer"), "Track of nothing", ".rec");
    exporter.registerExporter();
    const ExportDriver::Outcome outcome =
        ExportDriver::exportTracking(core(), "Track of nothing", out("t.rec"), 9999, frame(0), {});
    EXPECT_EQ(log.layers, QStringList({"-"}));
    EXPECT_EQ(outcome.error, "no such layer");
}

TEST_F(ExportDriverTest, ACameraExportWithoutLayersStartsFromTheCurrentLayer)
{
    CameraRecorder exporter(log, {{"c.rec", "camera"}}, QString(), "Recorded camera", ".rec");
    exporter.registerExporter();
    core().toolManager().setCurrentLayer(b.handledObject(), frame(0));
    ExportDriver::exportCameraSolve(core(), "Recorded camera", out("c.rec"), {}, frame(2), {Prm::View(0)});
    EXPECT_EQ(log.layers, QStringList({"B"}));
    EXPECT_EQ(log.time, 2.0);
    ExportDriver::exportCameraSolve(core(), "Recorded camera", out("c.rec"), {a.handledObject(), b.handledObject()},
                                    frame(2), {});
    EXPECT_EQ(log.layers, QStringList({"B", "A", "B"}));
}

TEST_F(ExportDriverTest, AnAdaptorWhoseExporterIsGoneFailsWithoutCallingIt)
{
    auto exporter = std::make_unique<ShapeRecorder>(log, QMap<QString, QByteArray>(), QString(), "Gone", ".rec");
    const boost::shared_ptr<Rirediro::ShapeExporter> adaptor = exporter->wrappedExporter().lock();
    exporter.reset();
    testsupport::expectFailure<VUVI_AssertionFailed>(
        [&] { adaptor->exportShape(core(), out("g.rec"), {idOf(a)}, Rirediro::ShapeExporter::Options()); },
        "The exporter has been deleted");
    EXPECT_TRUE(log.calls.isEmpty());
}

TEST_F(ExportDriverTest, DestroyingAnExporterWithdrawsOnlyItsOwnRegistration)
{
    auto first = std::make_unique<ShapeRecorder>(log, QMap<QString, QByteArray>(), QString(), "Shared", ".rec");
    ShapeRecorder second(log, {}, QString(), "Shared", ".rec");
    first->registerExporter();
    second.registerExporter();
    first.reset();
    EXPECT_EQ(Rirediro::ShapeExporterFactory::getExporter(second.format()), second.wrappedExporter().lock());

    // One named as a built-in stands in for it while registered, and gives it back.
    const auto builtIn = Rirediro::ShapeDataFormat::MAP_ALL(nullptr).value("Plain Text Shapes");
    const auto original = Rirediro::ShapeExporterFactory::getExporter(builtIn);
    {
        ShapeRecorder unregistered(log, {}, QString(), "Plain Text Shapes", ".txt");
    }
    EXPECT_EQ(Rirediro::ShapeExporterFactory::getExporter(builtIn), original);
    {
        ShapeRecorder standIn(log, {}, QString(), "Plain Text Shapes", ".txt");
        standIn.registerExporter();
        EXPECT_NE(Rirediro::ShapeExporterFactory::getExporter(builtIn), original);
    }
    EXPECT_EQ(Rirediro::ShapeExporterFactory::getExporter(builtIn), original);
}

TEST_F(ExportDriverTest, FormatsOfOneNameAreOneFormatAndStreamsGiveTheSaveOptions)
{
    struct Row
    {
        unsigned int streams;
        Rirediro::DataFormatBase::SaveOptions saveOptions;
    };
    for (const Row row : {Row{0, Rirediro::DataFormatBase::NoStreams}, Row{1, Rirediro::DataFormatBase::OneStream},
                          Row{2, Rirediro::DataFormatBase::SeveralStreams},
                          Row{7, Rirediro::DataFormatBase::SeveralStreams}}) {
        ShapeRecorder shapes(log, {}, QString(), "Streams", ".s", row.streams, false, false, true);
        TrackingRecorder track(log, {}, QString(), "Streams", ".t", row.streams, false, false, true);
        EXPECT_EQ(shapes.format().saveOptions(), row.saveOptions) << row.streams;
        EXPECT_EQ(track.format().saveOptions(), row.saveOptions) << row.streams;
        EXPECT_EQ(track.format().dataStreams(), row.streams);
        EXPECT_EQ(int(shapes.format().capabilities()), 0x4);
        EXPECT_EQ(int(track.format().capabilities()), 0x1);
    }
    ShapeRecorder one(log, {}, QString(), "Same", ".a", 1, true), other(log, {}, QString(), "Same", ".b");
    EXPECT_TRUE(one.format() == other.format());
    one.registerExporter();
    EXPECT_TRUE(other.is_registered());
}

TEST_F(ExportDriverTest, ThePlainTextExportersWriteTheTrackedShapesAndTracks)
{
    Gan_Matrix33 shift = gan_mat33_ident_s();
    shift.xz = 5.0; // five pixels right from frame 2 on
    a.handledObject()->setTrackKey(frame(2), shift);

    ExportDriver::Outcome outcome =
        ExportDriver::exportShapes(core(), "Plain Text Shapes", out("s.txt"), {idOf(a)}, {Prm::View(0)});
    EXPECT_EQ(outcome.written, QStringList({out("s.txt")}));
    const QString shapes = QString::fromUtf8(contentsOf(out("s.txt")));
    EXPECT_TRUE(shapes.contains("frame 1 view 0 layer \"A\" contour \"Contour ")) << shapes.toStdString();
    EXPECT_TRUE(shapes.contains("\" points 10 20 30 20 30 40\nframe 2")) << shapes.toStdString();
    EXPECT_TRUE(shapes.contains("\" points 15 20 35 20 35 40\n")) << shapes.toStdString();

    Rirediro::TrackingExporter::Options options;
    options.invertMode = 1;
    outcome = ExportDriver::exportTracking(core(), "Plain Text Track", out("t.txt"), idOf(a), frame(0), options);
    const QString track = QString::fromUtf8(contentsOf(out("t.txt")));
    EXPECT_TRUE(track.contains("# invert 1 stabilize 0")) << track.toStdString();
    EXPECT_TRUE(track.contains("frame 2 1 0 5 0 1 0 0 0 1\n")) << track.toStdString();

    outcome = ExportDriver::exportTracking(core(), "Plain Text Track", out("missing/t.txt"), idOf(a), frame(0), {});
    EXPECT_TRUE(outcome.error.startsWith("Cannot write")) << outcome.error.toStdString();
    EXPECT_TRUE(outcome.written.isEmpty());
    testsupport::expectFailure<VUVI_OutOfRange>(
        [&] { ExportDriver::exportTracking(core(), "No such format", out("t.txt"), idOf(a), frame(0), {}); },
        "No export format named 'No such format'");
}

TEST_F(ExportDriverTest, ThePlainTextTrackWritesItsOptionsAndTracksTheirViewsUpToTheMaximumOfFrames)
{
    core().projectProperties().views()->addView(QStringLiteral("Right"), QStringLiteral("R"));
    const QString identity = QStringLiteral(" 1 0 0 0 1 0 0 0 1");
    const auto frames = [&](const QString& view, std::initializer_list<int> numbers) {
        QStringList lines{"# view " + view};
        for (int f : numbers)
            lines << QStringLiteral("frame %1").arg(f) + identity;
        return lines;
    };
    const struct
    {
        std::vector<Prm::View> views;
        int maximumFrames;
        int streams;
        QString options;
        QStringList track;
    } cases[] = {
        {{}, 2147483647, 1, "# views maximum-frames 2147483647 streams 1", frames("0", {0, 1, 2, 3, 4})},
        {{Prm::View(0)}, 2, 3, "# views 0 maximum-frames 2 streams 3", frames("0", {0, 1})},
        {{Prm::View(1), Prm::View(0)}, 1, 2, "# views 1 0 maximum-frames 1 streams 2",
         frames("1", {0}) + frames("0", {0})},
        {{Prm::View(0)}, 0, 1, "# views 0 maximum-frames 0 streams 1", frames("0", {})},
    };
    for (const auto& c : cases) {
        Rirediro::TrackingExporter::Options options;
        options.views = c.views;
        options.maximumFrames = c.maximumFrames;
        options.streams = c.streams;
        const ExportDriver::Outcome outcome =
            ExportDriver::exportTracking(core(), "Plain Text Track", out("t.txt"), idOf(a), frame(0), options);
        ASSERT_EQ(outcome.error, QString());
        const QStringList lines = QString::fromUtf8(contentsOf(out("t.txt"))).split('\n', Qt::SkipEmptyParts);
        ASSERT_GE(lines.size(), 3);
        EXPECT_EQ(lines[2], c.options);
        EXPECT_EQ(lines.mid(3), c.track) << c.options.toStdString();
    }
}

} // namespace

namespace {

// A core exporter that answers nothing at all.
class NullShapeExporter : public Rirediro::ShapeExporter
{
public:
    boost::shared_ptr<QMap<QString, QByteArray>> exportShape(VUVI_ProjectManager&, const QString&,
                                                             const QList<unsigned int>&, const Options&) const override
    {
        return boost::shared_ptr<QMap<QString, QByteArray>>();
    }
};

TEST_F(ExportDriverTest, TheBuiltInEntryOfAnExporterWithoutAnswerGivesAnEmptyMap)
{
    const Rirediro::ShapeDataFormat format("Answers nothing", ".n", "", {}, Rirediro::DataFormatBase::OneStream);
    Rirediro::ShapeExporterFactory::registerCustomExporter(format, boost::make_shared<NullShapeExporter>());
    ShapeDataExporter* entry = AbstractShapeDataExporter::registered_exporters().value("Answers nothing");
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->do_export(&project(), {a}, out("n"), {View(0)}).isEmpty());
    Rirediro::ShapeExporterFactory::unregisterExporter(format);
    EXPECT_FALSE(AbstractShapeDataExporter::registered_exporters().contains("Answers nothing"));
}

TEST_F(ExportDriverTest, TheCameraEntryMakesItsFirstLayerCurrentUnlessALayerIsGone)
{
    CameraSolveExporter* entry = AbstractCameraSolveExporter::registered_exporters().value("Plain Text Camera");
    ASSERT_NE(entry, nullptr);
    entry->do_export(&project(), {b, a}, out("c.txt"), 0.0, {View(0)});
    EXPECT_EQ(core().toolManager().currentLayer(), b.handledObject());
    EXPECT_TRUE(contentsOf(out("c.txt")).startsWith("# camera from 2 layer(s)"));

    Layer gone = addLayer(QStringLiteral("C"));
    gone.remove();
    testsupport::expectFailure<VUVI_BadState>([&] { entry->do_export(&project(), {a, gone}, out("g.txt"), 0.0, {}); },
                                              "Invalid object");
    EXPECT_EQ(core().toolManager().currentLayer(), b.handledObject());
    EXPECT_FALSE(QFile::exists(out("g.txt")));
}

} // namespace
