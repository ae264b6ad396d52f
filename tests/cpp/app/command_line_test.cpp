#include "AppTestSupport.h"
#include "app/CommandLine.h"

#include <CLI/NewProjectArgs.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records start from values no option produces, so that a field an option
// left alone is told apart from one it set.
const QString kUntouchedProject = QStringLiteral("<project untouched>");
const QString kUntouchedClip = QStringLiteral("<clip untouched>");
const QString kUntouchedExportPath = QStringLiteral("<export path untouched>");
const QString kUntouchedExportExtension = QStringLiteral("<export extension untouched>");
constexpr float kUntouchedRate = -1.0f;
constexpr Prm::Time kUntouchedIn = Prm::Time::fromInt(-100);
constexpr Prm::Time kUntouchedOut = Prm::Time::fromInt(-200);
constexpr qint32 kUntouchedInterlace = -9;
constexpr double kUntouchedPar = -3.5;

// One command line and the records it must leave.
struct Case
{
    Case(std::string name, QStringList arguments) : name(std::move(name)), arguments(std::move(arguments)) {}

    Case& project(const QString& v) { projectFile = v; return *this; }
    Case& clip(const QString& v) { inputClip = v; return *this; }
    Case& exportTo(const QString& v) { exportPath = v; return *this; }
    Case& rate(float v) { frameRate = v; return *this; }
    Case& in(float v) { inTime = Prm::Time::fromFloat(v); return *this; }
    Case& out(float v) { outTime = Prm::Time::fromFloat(v); return *this; }
    Case& interlace(qint32 v) { interlaceMode = v; return *this; }
    Case& par(double v) { pixelAspectRatio = v; return *this; }

    std::string name;
    QStringList arguments; // after the program
    QString projectFile = kUntouchedProject;
    QString inputClip = kUntouchedClip;
    QString exportPath; // empty: the export parameters are not touched
    float frameRate = kUntouchedRate;
    Prm::Time inTime = kUntouchedIn;
    Prm::Time outTime = kUntouchedOut;
    qint32 interlaceMode = kUntouchedInterlace;
    double pixelAspectRatio = kUntouchedPar;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name << ": " << qPrintable(c.arguments.join(QLatin1Char(' ')));
}

const std::vector<Case> kCases = {
    Case("NothingAfterTheProgram", {}),

    // Project files are known by the product's extension, in any case, even
    // when they look like options.
    Case("ProjectFile", {"shot.plx"}).project("shot.plx"),
    Case("ProjectFileExtensionInOtherCase", {"Shot.PLX"}).project("Shot.PLX"),
    Case("ProjectFileStartingWithADash", {"-take.plx"}).project("-take.plx"),
    Case("ProjectFileStartingWithTwoDashes", {"--take.plx"}).project("--take.plx"),
    Case("LaterProjectFileWins", {"a.plx", "b.plx"}).project("b.plx"),

    Case("ExportPath", {"-o", "/renders/out"}).exportTo("/renders/out"),
    Case("EmptyExportPathTouchesNothing", {"-o", ""}),
    Case("LaterExportPathWins", {"-o", "/first", "-o", "/second"}).exportTo("/second"),
    Case("OptionValueIsNeverTakenForAProjectFile", {"-o", "out.plx"}).exportTo("out.plx"),
    Case("TrailingExportOptionIsAClipName", {"-o"}).clip("-o"),

    Case("KeyValueIsDiscarded", {"-k", "secret", "plate.mov"}).clip("plate.mov"),
    Case("TrailingKeyOptionIsAClipName", {"-k"}).clip("-k"),

    Case("FrameRate", {"--frame-rate", "23.976"}).rate(23.976f),
    Case("FrameRateZeroIsStored", {"--frame-rate", "0"}).rate(0.0f),
    Case("FrameRateNotANumberIsConsumed", {"--frame-rate", "fast"}),
    Case("FrameRateOutOfRangeIsConsumed", {"--frame-rate", "1e40"}),
    Case("FrameRateNaNIsConsumed", {"--frame-rate", "nan"}),
    Case("FrameRateInfinityIsConsumed", {"--frame-rate", "inf"}),

    Case("InAndOutTimes", {"--in", "10", "--out", "20"}).in(10.0f).out(20.0f),
    Case("FractionalInTime", {"--in", "2.5"}).in(2.5f),
    Case("InTimeNotANumberIsConsumed", {"--in", "start", "--out", "x"}),
    Case("InfiniteOutTimeIsConsumed", {"--out", "-inf"}),

    Case("InterlaceMode", {"--interlace-mode", "2"}).interlace(2),
    Case("NegativeInterlaceMode", {"--interlace-mode", "-1"}).interlace(-1),
    Case("FractionalInterlaceModeIsConsumed", {"--interlace-mode", "1.5"}),

    Case("PixelAspectRatio", {"--par", "2"}).par(2.0),
    Case("PixelAspectRatioZeroIsConsumed", {"--par", "0"}),
    Case("NegativePixelAspectRatioIsConsumed", {"--par", "-1.5"}),
    Case("InfinitePixelAspectRatioIsConsumed", {"--par", "inf"}),

    Case("ClipName", {"plate.mov"}).clip("plate.mov"),
    Case("LaterClipNameWins", {"first.mov", "second.mov"}).clip("second.mov"),
    Case("SingleDashArgumentIsAClipName", {"-plate"}).clip("-plate"),
    Case("UnknownLongOptionIsIgnored", {"--verbose", "plate.mov"}).clip("plate.mov"),
    Case("AfterSeparatorLongArgumentIsAClipName", {"--", "--plate"}).clip("--plate"),
    Case("AfterSeparatorOptionsStillWork", {"--", "--par", "2"}).par(2.0),

    Case("TrailingValueOptionIsIgnored", {"plate.mov", "--frame-rate"}).clip("plate.mov"),
    Case("TrailingValueOptionAfterSeparatorIsAClipName", {"--", "--par"}).clip("--par"),

    Case("EverythingTogether",
         {"shot.plx", "--in", "1", "--out", "48", "--frame-rate", "25", "--interlace-mode", "1", "--par", "1.5",
          "-o", "/renders/out", "-k", "key", "plate.%04d.png"})
        .project("shot.plx")
        .in(1.0f)
        .out(48.0f)
        .rate(25.0f)
        .interlace(1)
        .par(1.5)
        .exportTo("/renders/out")
        .clip("plate.%04d.png"),
};

class CommandLine : public ::testing::TestWithParam<Case>
{
protected:
    void SetUp() override
    {
        newProject.frameRate = kUntouchedRate;
        newProject.inTime = kUntouchedIn;
        newProject.outTime = kUntouchedOut;
        newProject.interlaceMode = kUntouchedInterlace;
        newProject.pixelAspectRatio = kUntouchedPar;
        newProject.setProjectFileName(kUntouchedProject);
        newProject.setInputClipName(kUntouchedClip);
        exportFootage.setClipPath(kUntouchedExportPath);
        exportFootage.setClipExtension(kUntouchedExportExtension);
    }

    AppTest::ProductScope product;
    CLI::NewProjectArgs newProject;
    Rirediro::ExportFootageParams exportFootage;
};

TEST_P(CommandLine, FillsTheRecords)
{
    const Case& c = GetParam();
    readCommandLine(QStringList{"plinxapp"} + c.arguments, newProject, exportFootage);

    EXPECT_EQ(newProject.projectFileName(), c.projectFile);
    EXPECT_EQ(newProject.inputClipName(), c.inputClip);
    EXPECT_EQ(newProject.frameRate, c.frameRate);
    EXPECT_EQ(newProject.inTime.toDouble(), c.inTime.toDouble());
    EXPECT_EQ(newProject.outTime.toDouble(), c.outTime.toDouble());
    EXPECT_EQ(newProject.interlaceMode, c.interlaceMode);
    EXPECT_EQ(newProject.pixelAspectRatio, c.pixelAspectRatio);
    if (c.exportPath.isEmpty()) {
        EXPECT_EQ(exportFootage.clipPath(), kUntouchedExportPath);
        EXPECT_EQ(exportFootage.clipExtension(), kUntouchedExportExtension);
    } else {
        EXPECT_EQ(exportFootage.clipPath(), c.exportPath);
        EXPECT_EQ(exportFootage.clipExtension(), ".tif");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, CommandLine, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

TEST(CommandLineProduct, ProjectFilesAreKnownByTheRunningProductsExtension)
{
    AppTest::ProductScope restore;
    Product::Info product = Product::get();
    product.fileExtension = QStringLiteral(".take");
    Product::set(product);

    CLI::NewProjectArgs newProject;
    Rirediro::ExportFootageParams exportFootage;
    readCommandLine({"plinxapp", "scene.take", "scene.plx"}, newProject, exportFootage);
    EXPECT_EQ(newProject.projectFileName(), "scene.take");
    EXPECT_EQ(newProject.inputClipName(), "scene.plx");
}

TEST(CommandLineProduct, AnEmptyListReadsNothing)
{
    CLI::NewProjectArgs newProject;
    Rirediro::ExportFootageParams exportFootage;
    Bsc::Logger::clearJournal();
    readCommandLine({}, newProject, exportFootage);
    EXPECT_TRUE(AppTest::recordedCalls().isEmpty());
}

} // namespace
