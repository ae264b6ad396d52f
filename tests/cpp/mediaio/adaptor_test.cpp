// The adaptor of image readers and writers written in Python, as the media
// library meets it: every operation without override, raising, giving a
// wrong type and giving a good value; clip information; isValidClip; loads
// and saves; and what it answers once its module is gone.

#include "EmbeddedModules.h"

#include "MediaIO/Helpers/AbstractImageIOModule.h"

#include <Rirediro/ErrorHandling/VUVI_Error.h>

#include <Dururev/ImageIOModule.h>
#include <TQI/ImageSequenceIdentifier.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <array>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace {

using namespace MediaIOTest;

const auto* const interpreter = ::testing::AddGlobalTestEnvironment(new Interpreter);

using Image = Bsc::detail::GanImage_Ptr<Gan_Image>;

Image rgbImage(unsigned char firstByte)
{
    Image image(gan_image_alloc_gen(GAN_RGB_COLOUR_IMAGE, GAN_UCHAR, 2, 3));
    std::memset(image->pix_data_ptr, 0, image->pix_data_size);
    static_cast<unsigned char*>(image->pix_data_ptr)[0] = firstByte;
    return image;
}

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

// What a clip's information reaches the media library as.
struct ClipInfo
{
    std::vector<char> directory, prefix, suffix;
    unsigned int first = 77, last = 77, digits = 77;
    TQ_INTERLACE_MODE interlaceMode = TQ_INVALID_INTERLACE_MODE;
    float frameRate = -1.0f;
    TQ_BOOL isSequence = 77;

    explicit ClipInfo(std::size_t size = 1024) : directory(size), prefix(size), suffix(size) {}

    bool isValid(PythonImageIO& io, const QString& path, bool findSequence = true)
    {
        return io.isValidClip(path.toStdString(), findSequence, directory.data(), directory.size(), prefix.data(),
                              prefix.size(), suffix.data(), suffix.size(), &first, &last, &digits, &interlaceMode,
                              &frameRate, &isSequence, TQ::ColourspaceParameters());
    }
    void fetch(PythonImageIO& io, const QString& path)
    {
        io.vGetClipInfo(path.toUtf8().constData(), true, &first, &last, &interlaceMode, &frameRate,
                        TQ::ColourspaceParameters());
    }
    std::string parts() const
    {
        return std::string(directory.data()) + "|" + prefix.data() + "|" + suffix.data();
    }
};

class AdaptorTest : public ::testing::Test
{
public:
    // The names of the test's Python code.
    const Namespace& names() const { return m_names; }

protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        for (const char* name : {"clip_0001.toy", "clip_0002.toy", "clip_0003.toy", "single.toy"}) {
            QFile file(path(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder.toy"));
        Dururev::registerThrowFunction(nullptr);
    }

    QString path(const char* name) const { return QDir(m_dir.path()).filePath(QString::fromUtf8(name)); }

    // A module class of the given class body (Python lines without their
    // indentation, one per line), registered for ".toy" and ".TOY" files.
    PythonImageIO* toy(const std::string& body, bool loader = false)
    {
        std::string code = "class Toy(mediaio.AbstractImageIOModule):\n    pass\n";
        std::size_t start = 0;
        while (start < body.size()) {
            const std::size_t end = body.find('\n', start);
            code += "    " + body.substr(start, end - start) + "\n";
            start = end == std::string::npos ? body.size() : end + 1;
        }
        m_names.run(code);
        return m_names.build("module", std::string("Toy('Toy', ['.toy', '.TOY'], [project.PixelFormat.RGBColorFormat], "
                                                   "[project.ChannelType.UCharType]")
                                           + (loader ? ", True)" : ")"));
    }

    QTemporaryDir m_dir;
    Namespace m_names;
};

// --- Every operation: no override, raising, a wrong type, a good value ----------------

struct Operation
{
    const char* name;
    const char* wrong; // a method, one line
    const char* good;
    const char* helpers; // what the observation needs besides
    bool loader;
    std::function<std::string(PythonImageIO&, const AdaptorTest&)> observe;
    std::array<const char*, 4> expected; // without override, raising, wrong type, good value
    const char* expectedType;            // in the warning of a wrong type; null: none
    const char* wrongType;               // the type of the wrong result
};

std::string loaded(PythonImageIO& io, const QString& file, TQ::RichImage* into = nullptr)
{
    TQ::RichImage rich;
    rich.image = rgbImage(0);
    Bsc::Striver striver;
    try {
        io.loadImage(rich, striver, file.toUtf8().constData(), TQ::FootageContext{4, QStringLiteral("left")},
                     TQ_NOT_INTERLACED, false, nullptr, nullptr, TQ::ColourspaceParameters(), nullptr, nullptr);
    } catch (const VUVI_BadFile&) {
        return "BadFile";
    }
    if (into)
        *into = rich;
    return std::to_string(static_cast<unsigned char*>(rich.image->pix_data_ptr)[0]);
}

TEST_F(AdaptorTest, EveryOperationAnswersAsItsOverrideDoesOrFallsBack)
{
    const QString sequenceFile = path("clip_0002.toy");
    auto info = [](PythonImageIO& io) { return io.getImageInfo(QStringLiteral("a.toy"), 0, {}); };
    const Operation operations[] = {
        {"get_fps", "def get_fps(self, path): return 'fast'", "def get_fps(self, path): return 25", "", true,
         [](PythonImageIO& io, const AdaptorTest&) {
             ClipInfo clip;
             clip.fetch(io, QStringLiteral("/nowhere/a.toy"));
             return number(clip.frameRate);
         },
         {"1", "0", "0", "25"}, "float", "str"},
        {"get_frame_count", "def get_frame_count(self, path): return None",
         "def get_frame_count(self, path): return 10.9", "", true,
         [](PythonImageIO& io, const AdaptorTest&) {
             ClipInfo clip;
             clip.fetch(io, QStringLiteral("/nowhere/a.toy"));
             return std::to_string(clip.last);
         },
         {"1", "0", "0", "10"}, "float", "NoneType"},
        {"get_stream_names", "def get_stream_names(self, path): return 7",
         "def get_stream_names(self, path): return ('left', 'right')", "", false,
         [&](PythonImageIO& io, const AdaptorTest&) {
             return QStringList(info(io).streamNames.toList()).join(',').toStdString();
         },
         {"", "", "", "left,right"}, "vector", "int"},
        {"get_metadata", "def get_metadata(self, path, frame, stream): return ['k']",
         "def get_metadata(self, path, frame, stream): return {'k': stream, 'frame': frame}",
         "def load_image(self, *args): pass", false,
         [](PythonImageIO& io, const AdaptorTest&) {
             TQ::RichImage rich;
             loaded(io, QStringLiteral("a.toy"), &rich);
             QStringList pairs;
             for (auto it = rich.metadata.cbegin(); it != rich.metadata.cend(); ++it)
                 pairs << it.key() + "=" + it.value().toString();
             return pairs.join(',').toStdString();
         },
         {"", "", "", "frame=4,k=left"}, "map", "list"},
        {"accepts_ext", "def accepts_ext(self, extension): return 'yes'",
         "def accepts_ext(self, extension): return extension == '.toy'", "", false,
         [](PythonImageIO& io, const AdaptorTest&) {
             return std::string(io.bAcceptExtension(".toy") ? "true" : "false");
         },
         {"false", "false", "false", "true"}, "bool", "str"},
        {"accepts_file", "def accepts_file(self, file_name): return 'yes'",
         "def accepts_file(self, file_name): return file_name.endswith('é.toy')", "", false,
         [](PythonImageIO& io, const AdaptorTest&) { return std::string(io.bAcceptFile("/a/é.toy") ? "true" : "false"); },
         {"false", "false", "false", "true"}, "bool", "str"},
        {"load_image", "def load_image(self, image, path, frame, stream): image.pixels()[0] = 3; return 'junk'",
         "def load_image(self, image, path, frame, stream): image.pixels()[0] = frame + len(stream)", "", false,
         [](PythonImageIO& io, const AdaptorTest&) { return loaded(io, QStringLiteral("a.toy")); },
         {"BadFile", "BadFile", "3", "8"}, nullptr, nullptr},
        {"save_image", "def save_image(self, image, path): self.seen = image.pixels()[0]; return 'junk'",
         "def save_image(self, image, path): self.seen = (image.pixels()[0], path)", "seen = None", false,
         [](PythonImageIO& io, const AdaptorTest& test) {
             Image core = rgbImage(9);
             try {
                 io.saveImage(*core, QStringLiteral("out.toy"), {}, {});
             } catch (const VUVI_BadFile&) {
                 return std::string("BadFile");
             }
             return test.names().text("module.seen");
         },
         {"BadFile", "BadFile", "9", "(9, 'out.toy')"}, nullptr, nullptr},
        {"get_gamma", "def get_gamma(self, file_name): return 2", "def get_gamma(self, file_name): return 2.2", "",
         false, [](PythonImageIO& io, const AdaptorTest&) { return number(io.getGamma(QStringLiteral("a.toy"))); },
         {"1", "1", "1", "2.20000005"}, "OptionalFloat", "int"},
        {"supports_image", "def supports_image(self, file_name, format, type): return 'yes'",
         "def supports_image(self, file_name, format, type): return format == project.PixelFormat.RGBColorFormat "
         "and type == project.ChannelType.FloatType",
         "", false,
         [](PythonImageIO& io, const AdaptorTest&) {
             return std::string(io.bGetImageIOSupport("a.toy", GAN_RGB_COLOUR_IMAGE, GAN_FLOAT, nullptr) ? "true"
                                                                                                         : "false");
         },
         {"false", "false", "false", "true"}, "bool", "str"},
        {"pixel_format", "def pixel_format(self, file_name): return 3",
         "def pixel_format(self, file_name): return project.PixelFormat.RGBColorAlphaFormat", "", false,
         [&](PythonImageIO& io, const AdaptorTest&) { return std::to_string(info(io).pixelFormat); },
         {"0", "0", "0", "3"}, "plinx.project.PixelFormat", "int"},
        {"channel_type", "def channel_type(self, file_name): return 8",
         "def channel_type(self, file_name): return project.ChannelType.FloatType", "", false,
         [&](PythonImageIO& io, const AdaptorTest&) { return std::to_string(info(io).channelType); },
         {"0", "0", "0", "8"}, "plinx.project.ChannelType", "int"},
        {"get_interlace_mode", "def get_interlace_mode(self, file_name): return 1",
         "def get_interlace_mode(self, file_name): return project.InterlaceMode.LowerFieldFirst", "", false,
         [&](PythonImageIO& io, const AdaptorTest&) {
             ClipInfo clip;
             clip.fetch(io, sequenceFile);
             return std::to_string(clip.interlaceMode);
         },
         {"0", "0", "0", "2"}, "InterlaceMode or None", "int"},
        {"image_size", "def image_size(self, file_name): return (3, 4)",
         "def image_size(self, file_name): return QSize(3, 4)", "", false,
         [&](PythonImageIO& io, const AdaptorTest&) {
             const QSize size = info(io).size;
             return std::to_string(size.width()) + "x" + std::to_string(size.height());
         },
         {"-1x-1", "-1x-1", "-1x-1", "3x4"}, "PySide2.QtCore.QSize", "tuple"},
    };
    const char* const variants[] = {"without override", "raising", "wrong type", "good value"};
    for (const Operation& operation : operations) {
        for (int variant = 0; variant < 4; ++variant) {
            SCOPED_TRACE(std::string(operation.name) + ", " + variants[variant]);
            std::string body = operation.helpers;
            if (variant == 1)
                body += std::string("\n") + operation.name + " = raising";
            else if (variant == 2)
                body += std::string("\n") + operation.wrong;
            else if (variant == 3)
                body += std::string("\n") + operation.good;
            PythonImageIO* io = toy(body, operation.loader);
            ASSERT_NE(io, nullptr);
            std::string observed;
            const std::string warnings = m_names.warningsOf([&] { observed = operation.observe(*io, *this); });
            EXPECT_EQ(observed, operation.expected[std::size_t(variant)]);
            const std::string expectedWarning =
                variant == 2 && operation.expectedType
                    ? std::string("Invalid return value in function AbstractImageIOModule.") + operation.name
                          + ", expected " + operation.expectedType + ", got "
                          + operation.wrongType + "."
                    : std::string();
            EXPECT_EQ(warnings, expectedWarning);
            EXPECT_FALSE(PyErr_Occurred());
        }
    }
}

TEST_F(AdaptorTest, AnErrorPendingOnTheThreadGivesTheFailureResults)
{
    PythonImageIO* io = toy("def get_fps(self, path): return 25.0\n"
                            "def get_frame_count(self, path): return 5.0",
                            true);
    ASSERT_NE(io, nullptr);
    PyErr_SetString(PyExc_RuntimeError, "left by someone else");
    ClipInfo clip;
    clip.fetch(*io, QStringLiteral("/nowhere/a.toy"));
    EXPECT_TRUE(PyErr_ExceptionMatches(PyExc_RuntimeError));
    PyErr_Clear();
    EXPECT_EQ(clip.frameRate, 0.0f);
    EXPECT_EQ(clip.last, 0u);
}

// --- Clip information ---------------------------------------------------------------

TEST_F(AdaptorTest, ASequenceReaderReportsWhatTheIdentifierFound)
{
    PythonImageIO* io = toy("def accepts_file(self, file_name): return True\n"
                            "def get_interlace_mode(self, file_name):\n"
                            "    return project.InterlaceMode.UpperFieldFirst if 'clip' in file_name else None");
    ASSERT_NE(io, nullptr);
    const std::string folder = m_dir.path().toStdString();

    ClipInfo numbered;
    EXPECT_TRUE(numbered.isValid(*io, path("clip_0002.toy")));
    EXPECT_EQ(numbered.parts(), folder + "|clip_|.toy");
    EXPECT_EQ(std::vector<unsigned>({numbered.first, numbered.last, numbered.digits}), std::vector<unsigned>({1, 3, 4}));
    EXPECT_EQ(numbered.interlaceMode, TQ_UPPER_FIELD_FIRST);
    EXPECT_EQ(numbered.frameRate, 0.0f);
    EXPECT_EQ(numbered.isSequence, TQ_TRUE);

    ClipInfo alone;
    EXPECT_TRUE(alone.isValid(*io, path("clip_0002.toy"), false)); // the file's own index only
    EXPECT_EQ(std::vector<unsigned>({alone.first, alone.last}), std::vector<unsigned>({2, 2}));

    ClipInfo single;
    EXPECT_TRUE(single.isValid(*io, path("single.toy")));
    EXPECT_EQ(single.parts(), folder + "|single.toy|");
    EXPECT_EQ(std::vector<unsigned>({single.first, single.last, single.digits}), std::vector<unsigned>({0, 0, 0}));
    EXPECT_EQ(single.interlaceMode, TQ_NOT_INTERLACED);
    EXPECT_EQ(single.isSequence, TQ_FALSE);
}

TEST_F(AdaptorTest, AClipLoaderReportsItsFramesFromOne)
{
    PythonImageIO* io = toy("def get_frame_count(self, path): return 10.9\n"
                            "def get_fps(self, path): return 29.97",
                            true);
    ASSERT_NE(io, nullptr);
    ClipInfo clip;
    clip.isSequence = TQ_TRUE;
    clip.fetch(*io, path("movie0042.toy"));
    EXPECT_EQ(std::vector<unsigned>({clip.first, clip.last}), std::vector<unsigned>({1, 10}));
    EXPECT_EQ(clip.interlaceMode, TQ_NOT_INTERLACED);
    EXPECT_FLOAT_EQ(clip.frameRate, 29.97f);

    ClipInfo all;
    EXPECT_FALSE(all.isValid(*io, path("movie0042.toy"))); // no such file, no extension asked without it
    EXPECT_TRUE(all.isValid(*io, path("single.toy"), true) == false); // accepts_file is missing: not read
    EXPECT_EQ(all.parts(), m_dir.path().toStdString() + "|single.toy|");
    EXPECT_EQ(std::vector<unsigned>({all.first, all.last, all.digits}), std::vector<unsigned>({1, 10, 0}));
    EXPECT_EQ(all.isSequence, TQ_FALSE);

    PythonImageIO* plain = toy("", true);
    ClipInfo defaults;
    defaults.fetch(*plain, path("single.toy"));
    EXPECT_EQ(std::vector<unsigned>({defaults.first, defaults.last}), std::vector<unsigned>({1, 1}));
    EXPECT_EQ(defaults.frameRate, 1.0f);
}

TEST_F(AdaptorTest, FrameCountsBecomeLastFramesWithoutUndefinedConversions)
{
    const std::pair<float, unsigned int> cases[] = {
        {10.9f, 10u},     {1.0f, 1u},          {0.5f, 0u},          {0.0f, 0u},
        {-3.0f, 0u},      {std::nanf(""), 0u}, {4294967040.0f, 4294967040u},
        {4294967296.0f, 4294967295u}, {1e30f, 4294967295u}, {INFINITY, 4294967295u}, {-INFINITY, 0u},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PythonImageIO::lastFrameOf(c.first), c.second) << c.first;

    for (const char* count : {"float('nan')", "-2.0", "1e12"}) {
        PythonImageIO* io = toy(std::string("def get_frame_count(self, path): return ") + count, true);
        ClipInfo clip;
        clip.fetch(*io, path("single.toy"));
        EXPECT_EQ(clip.last, std::string(count) == "1e12" ? 4294967295u : 0u) << count;
    }
}

// The throw function of the media library as a test sees it.
struct Reported
{
    std::string file;
    int line;
    QString message;
    QString detail;
};

void reportByThrowing(const char* file, int line, const QString& message, const QString& detail)
{
    throw Reported{file, line, message, detail};
}

void reportAndReturn(const char*, int, const QString&, const QString&)
{
}

TEST_F(AdaptorTest, AnInvalidSequenceIsReportedThroughTheThrowFunctionAndFailsWithoutOne)
{
    PythonImageIO* io = toy("def accepts_file(self, file_name): return True");
    ASSERT_NE(io, nullptr);
    const QString invalid[] = {path("folder.toy"), path("missing_0001.toy")};
    for (const QString& file : invalid) {
        SCOPED_TRACE(file.toStdString());
        const QString text = QStringLiteral("Invalid clip specified: %1").arg(file);

        Dururev::registerThrowFunction(&reportByThrowing);
        ClipInfo clip;
        try {
            clip.fetch(*io, file);
            ADD_FAILURE() << "not reported";
        } catch (const Reported& reported) {
            EXPECT_EQ(reported.file, "MediaIO/Helpers/PythonImageIO");
            EXPECT_EQ(reported.line, 263);
            EXPECT_EQ(reported.message, text);
            EXPECT_EQ(reported.detail, text);
        }
        EXPECT_FALSE(clip.isValid(*io, file));

        // A throw function that returns, or none at all.
        for (Dururev::ThrowFunction function : {&reportAndReturn, Dururev::ThrowFunction(nullptr)}) {
            Dururev::registerThrowFunction(function);
            try {
                clip.fetch(*io, file);
                ADD_FAILURE() << "not reported";
            } catch (const VUVI_BadFile& error) {
                EXPECT_EQ(QString::fromUtf8(error.what()), text);
                EXPECT_EQ(error.line(), 263);
            }
            EXPECT_FALSE(clip.isValid(*io, file));
        }
    }
    Dururev::registerThrowFunction(nullptr);
}

TEST_F(AdaptorTest, IsValidClipWithoutAFileAsksOnlyWithTheFlagAndThenTheSuffix)
{
    PythonImageIO* io = toy("asked = []\n"
                            "def accepts_ext(self, extension): self.asked.append(extension); return extension == '.toy'\n"
                            "def accepts_file(self, file_name): self.asked.append(file_name); return True");
    ASSERT_NE(io, nullptr);
    ClipInfo clip;
    EXPECT_FALSE(clip.isValid(*io, path("missing.toy"), false));
    EXPECT_EQ(m_names.text("module.asked"), "[]");

    std::strcpy(clip.suffix.data(), ".toy");
    EXPECT_TRUE(clip.isValid(*io, path("missing.abc"), true));
    std::strcpy(clip.suffix.data(), ".abc");
    EXPECT_FALSE(clip.isValid(*io, path("missing.toy"), true));
    EXPECT_EQ(m_names.text("module.asked"), "['.toy', '.abc']");
}

TEST_F(AdaptorTest, ClipInformationTakesPathsOfAnyLength)
{
    const std::string part(100, 'f');
    const QString folder = path((part + "/" + part + "/" + part).c_str());
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const char* name : {"/long_07.toy", "/long_08.toy"}) {
        QFile file(folder + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    PythonImageIO* io = toy("def accepts_file(self, file_name): return True");
    ClipInfo clip;
    clip.fetch(*io, folder + "/long_08.toy");
    EXPECT_EQ(std::vector<unsigned>({clip.first, clip.last}), std::vector<unsigned>({7, 8}));

    ClipInfo small(16); // the caller's buffers are cut short, never overrun
    EXPECT_TRUE(small.isValid(*io, folder + "/long_07.toy"));
    EXPECT_EQ(std::string(small.directory.data()), folder.left(15).toStdString());
    EXPECT_EQ(std::vector<unsigned>({small.first, small.last, small.digits}), std::vector<unsigned>({7, 8, 2}));
}

// --- The description and the fixed answers ----------------------------------------------

TEST_F(AdaptorTest, TheDescriptionNamesTheFormatItsPatternsAndWhatItSaves)
{
    m_names.run("class Foo(mediaio.AbstractImageIOModule): pass\n");
    for (bool loader : {false, true}) {
        PythonImageIO* io = m_names.build(
            "foo", std::string("Foo('Foo', ['.abc', '.xyz'], [project.PixelFormat.RGBColorFormat, "
                               "project.PixelFormat.GreyLevelFormat], (project.ChannelType.FloatType,), ")
                       + (loader ? "True)" : "False)"));
        ASSERT_NE(io, nullptr);
        const Dururev::ImageIOModule::Info info = io->info();
        EXPECT_EQ(info.name, "Foo");
        EXPECT_EQ(info.defaultPattern, QStringLiteral("*.abc"));
        EXPECT_EQ(info.kind, loader ? 2 : 1);
        EXPECT_EQ(info.interfaceVersion, 1);
        const QMap<QString, QString> patterns{{QStringLiteral("Foo"), QStringLiteral("*.abc;*.xyz")}};
        EXPECT_EQ(info.loadPatterns, patterns);
        EXPECT_EQ(info.savePatterns, patterns);
        ASSERT_NE(info.saveFormats, nullptr);
        std::vector<std::string> saved;
        for (const Dururev::ImageFileFormatDesc& format : *info.saveFormats)
            saved.push_back(format.extension + ":" + std::to_string(format.format) + ":"
                            + std::to_string(format.pixelType.type));
        EXPECT_EQ(saved, std::vector<std::string>({".abc:0:8", ".abc:2:8", ".xyz:0:8", ".xyz:2:8"}));
    }
    // The identifier the adaptor makes of its name and a path.
    const TQI_ImageSequenceIdentifier identifier("Foo:///a/b.abc", true);
    EXPECT_EQ(identifier.directory() + "|" + identifier.prefix() + "|" + identifier.suffix(), "/a|b.abc|");
}

TEST_F(AdaptorTest, FixedAnswersCallNothing)
{
    PythonImageIO* io = toy("def __getattribute__(self, name):\n"
                            "    raise AssertionError('asked for ' + name)");
    ASSERT_NE(io, nullptr);
    const TQ::TimeCode code = io->getTimeCode("a.toy", 7, TQ_UPPER_FIELD_FIRST);
    EXPECT_EQ(std::vector<int>({code.hours, code.minutes, code.seconds, code.frames}), std::vector<int>({0, 0, 0, -1}));
    EXPECT_FALSE(io->bGetFieldIOSupport("a.toy"));
    EXPECT_FALSE(io->isColourspaceConversionEnabled());
    io->openMovie(TQ::MovieOpenParams{"a.toy"});
    io->vCloseMovie("a.toy");
    EXPECT_FALSE(PyErr_Occurred());
}

// --- Loads and saves ---------------------------------------------------------------------

TEST_F(AdaptorTest, LoadingWritesIntoTheRichImageAndKeepsNoMetadataWithoutOverride)
{
    PythonImageIO* io = toy("def load_image(self, image, path, frame, stream):\n"
                            "    self.kept = image\n"
                            "    image.pixels()[1] = 200");
    ASSERT_NE(io, nullptr);
    TQ::RichImage rich;
    rich.image = rgbImage(0);
    rich.metadata.insert(QStringLiteral("stale"), 1);
    Bsc::Striver striver;
    io->loadImage(rich, striver, "a.toy", TQ::FootageContext{}, TQ_NOT_INTERLACED, false, nullptr, nullptr, {},
                  nullptr, nullptr);
    EXPECT_EQ(static_cast<unsigned char*>(rich.image->pix_data_ptr)[1], 200);
    EXPECT_TRUE(rich.metadata.isEmpty());
    // What the module keeps shares the image, which lives on with it.
    EXPECT_EQ(m_names.text("module.kept.pixels()[1]"), "200");
    EXPECT_EQ(m_names.text("(module.kept.width, module.kept.height, module.kept.pixel_format)"),
              "(3, 2, plinx.project.PixelFormat.RGBColorFormat)");
}

TEST_F(AdaptorTest, SavingSharesTheCoresPixelsForTheCallOnly)
{
    PythonImageIO* io = toy("def save_image(self, image, path):\n"
                            "    self.kept, self.array = image, image.pixels()\n"
                            "    self.address = self.array.buffer_info()[0]\n"
                            "    self.copy = project.ImageData(image)");
    ASSERT_NE(io, nullptr);
    Image core = rgbImage(5);
    const Gan_MemoryHooks* hooks = core->hooks;
    io->saveImage(*core, QStringLiteral("out.toy"), {}, {});
    EXPECT_EQ(m_names.text("module.address"), std::to_string(reinterpret_cast<uintptr_t>(core->pix_data_ptr)));
    EXPECT_EQ(m_names.text("(module.kept.pixels, module.copy.pixels, len(module.array))"), "(None, None, 0)");
    EXPECT_EQ(core->hooks, hooks);
    EXPECT_EQ(static_cast<unsigned char*>(core->pix_data_ptr)[0], 5);
    core = Image(); // the core lets go of its image; nothing in Python reaches it
    EXPECT_EQ(m_names.text("(module.kept.width, len(module.array))"), "(3, 0)");
}

// A view a save keeps of the pixels reads them after the core freed its
// image: the core's own buffer when it can hand it over, else a copy lent
// for the call.
TEST_F(AdaptorTest, AViewKeptFromASaveOutlivesTheCoresImage)
{
    PythonImageIO* io = toy("def save_image(self, image, path):\n"
                            "    self.view = memoryview(image.pixels())\n"
                            "    self.address = image.pixels().buffer_info()[0]");
    ASSERT_NE(io, nullptr);
    for (const bool heapOwned : {true, false}) {
        SCOPED_TRACE(heapOwned ? "heap-owned pixels" : "borrowed pixels");
        Image heap = rgbImage(7);
        std::vector<unsigned char> borrowed(heap->pix_data_size, 0);
        borrowed[0] = 7;
        Image core = heapOwned ? std::move(heap)
                               : Image(gan_image_form_gen(nullptr, GAN_RGB_COLOUR_IMAGE, GAN_UCHAR, 2, 3, 9, false,
                                                          borrowed.data(), borrowed.size(), nullptr, 0));
        const Gan_MemoryHooks* hooks = core->hooks;
        io->saveImage(*core, QStringLiteral("out.toy"), {}, {});
        EXPECT_EQ(m_names.text("module.view[0]"), "7");
        EXPECT_NE(m_names.text("module.address"), std::to_string(reinterpret_cast<uintptr_t>(core->pix_data_ptr)));
        EXPECT_EQ(core->hooks, hooks);
        EXPECT_EQ(static_cast<unsigned char*>(core->pix_data_ptr)[0], 7);
        EXPECT_EQ(static_cast<unsigned char*>(core->row_data_ptr[1])[0], 0);
        EXPECT_EQ(core->row_data_ptr[0], core->pix_data_ptr);
        static_cast<unsigned char*>(core->pix_data_ptr)[0] = 9; // the core's frame is its own again
        core = Image();
        std::vector<unsigned char>().swap(borrowed);
        EXPECT_EQ(m_names.text("(module.view[0], len(module.view))"), "(7, 18)");
        m_names.run("module.view = None");
    }
}

TEST_F(AdaptorTest, ALoadOrSaveThatFailsOrIsMissingFailsNamingTheFile)
{
    for (const char* body : {"", "load_image = raising\nsave_image = raising",
                             "def load_image(self, image, *args): raise OSError('disk')\n"
                             "def save_image(self, image, *args): sys.exit(3)"}) {
        SCOPED_TRACE(body);
        PythonImageIO* io = toy(body);
        ASSERT_NE(io, nullptr);
        TQ::RichImage rich;
        rich.image = rgbImage(0);
        Bsc::Striver striver;
        const QString file = path("é_0001.toy");
        try {
            io->loadImage(rich, striver, file.toUtf8().constData(), {}, TQ_NOT_INTERLACED, false, nullptr, nullptr,
                          {}, nullptr, nullptr);
            ADD_FAILURE() << "the read succeeded";
        } catch (const VUVI_BadFile& error) {
            EXPECT_EQ(QString::fromUtf8(error.what()),
                      QStringLiteral("Cannot read '%1' through the image reader 'Toy'").arg(file));
        }
        Image core = rgbImage(0);
        try {
            io->saveImage(*core, file, {}, {});
            ADD_FAILURE() << "the write succeeded";
        } catch (const VUVI_BadFile& error) {
            EXPECT_EQ(QString::fromUtf8(error.what()),
                      QStringLiteral("Cannot write '%1' through the image writer 'Toy'").arg(file));
        }
        EXPECT_FALSE(PyErr_Occurred());
    }
}

// --- A module that is gone, a module that is never made, other threads ----------------------

TEST_F(AdaptorTest, AModuleWhosePythonObjectIsGoneAcceptsNothingAndAnswersDefaults)
{
    PythonImageIO* io = toy("def __getattribute__(self, name):\n"
                            "    return lambda *args: sys.exit('called ' + name)",
                            true);
    ASSERT_NE(io, nullptr);
    m_names.run("del module\ngc.collect()\n");
    EXPECT_FALSE(io->bAcceptExtension(".toy"));
    EXPECT_FALSE(io->bAcceptFile(path("single.toy").toStdString()));
    EXPECT_EQ(Dururev::imageSuite(true)->moduleForReading(path("single.toy")), nullptr);
    const TQ::ImageInformation info = io->getImageInfo(path("single.toy"), 0, {});
    EXPECT_EQ(info.size, QSize(-1, -1));
    EXPECT_TRUE(info.streamNames.isEmpty());
    EXPECT_EQ(io->getGamma(path("single.toy")), 1.0f);
    EXPECT_FALSE(io->bGetImageIOSupport("a.toy", GAN_RGB_COLOUR_IMAGE, GAN_UCHAR, nullptr));
    ClipInfo clip;
    clip.fetch(*io, path("single.toy"));
    EXPECT_EQ(std::vector<unsigned>({clip.first, clip.last}), std::vector<unsigned>({1, 1}));
    EXPECT_FALSE(clip.isValid(*io, path("single.toy")));
    EXPECT_EQ(loaded(*io, path("single.toy")), "BadFile");
    Image core = rgbImage(0);
    EXPECT_THROW(io->saveImage(*core, path("out.toy"), {}, {}), VUVI_BadFile);
    EXPECT_FALSE(PyErr_Occurred());
}

TEST_F(AdaptorTest, AModuleWithoutExtensionsOrArgumentsRegistersNothing)
{
    m_names.run("class Foo(mediaio.AbstractImageIOModule): pass\n");
    const std::size_t before = Dururev::imageSuite(true)->modules().size();
    m_names.run("try:\n"
                "    Foo('Foo', [], [], [])\n"
                "except ValueError as error:\n"
                "    refused = str(error)\n"
                "plain = Foo(format_name='Foo', extensions=['.foo'])\n");
    EXPECT_EQ(m_names.text("refused"), "The image format 'Foo' needs at least one file extension");
    EXPECT_EQ(Dururev::imageSuite(true)->modules().size(), before);
}

TEST_F(AdaptorTest, AnotherThreadTakesTheInterpreterLockForItsCalls)
{
    m_names.run("import threading\n");
    PythonImageIO* io = toy("def accepts_ext(self, extension):\n"
                            "    self.on_worker = threading.current_thread() is not threading.main_thread()\n"
                            "    return True");
    ASSERT_NE(io, nullptr);
    bool accepted = false;
    PyThreadState* released = PyEval_SaveThread();
    QThread* worker = QThread::create([&] { accepted = io->bAcceptExtension(".toy"); });
    worker->start();
    worker->wait();
    delete worker;
    PyEval_RestoreThread(released);
    EXPECT_TRUE(accepted);
    EXPECT_EQ(m_names.text("module.on_worker"), "True");
}

} // namespace
