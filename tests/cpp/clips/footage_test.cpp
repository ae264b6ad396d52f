// The media stand-in: sequence names, footage description in each still
// format, movies written and read back.

#include "FootageFixture.h"

#include <Dururev/FootageDescription.h>
#include <TQI/ImageIO_Router.h>
#include <TQI/ImageSequenceIdentifier.h>

#include <QFile>

#include <cstring>

namespace {

struct NameCase
{
    std::string path;
    std::string directory;
    std::string prefix;
    std::string suffix;
    unsigned int index;
    unsigned int width;
};

const std::string longFolder = "/footage/" + std::string(300, 'd');

class NameSplitting : public ::testing::TestWithParam<NameCase>
{
};

TEST_P(NameSplitting, FolderPrefixNumberAndSuffix)
{
    const NameCase& c = GetParam();
    TQI_ImageSequenceIdentifier identifier("file://" + c.path, false);
    const std::size_t size = c.path.size() + 1;
    std::vector<char> directory(size), prefix(size), suffix(size);
    unsigned int first = 99, second = 99, width = 99;
    EXPECT_TRUE(identifier.vFillIn(false, directory.data(), size, prefix.data(), size, suffix.data(), size, &first,
                                   &second, &width));
    EXPECT_EQ(directory.data(), c.directory);
    EXPECT_EQ(prefix.data(), c.prefix);
    EXPECT_EQ(suffix.data(), c.suffix);
    EXPECT_EQ(first, c.index);
    EXPECT_EQ(width, c.width);
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameSplitting,
    ::testing::Values(NameCase{"/shots/plate.0012.png", "/shots", "plate.", ".png", 12, 4},
                      NameCase{"/a/b/img9.exr", "/a/b", "img", ".exr", 9, 1},
                      // The last run of digits is the index.
                      NameCase{"/x/take2_v003_grade.dpx", "/x", "take2_v", "_grade.dpx", 3, 3},
                      NameCase{"/x/still.tif", "/x", "still.tif", "", 0, 0},
                      // Too long for an index: no sequence.
                      NameCase{"/x/f12345678901.png", "/x", "f12345678901.png", "", 0, 0},
                      NameCase{"/plate0001.png", "/", "plate", ".png", 1, 4},
                      NameCase{longFolder + "/f0001.png", longFolder, "f", ".png", 1, 4},
                      NameCase{"/tmp/Ünïcødé 映像/shot_0007.jpg", "/tmp/Ünïcødé 映像", "shot_", ".jpg", 7, 4}));

TEST(NameSplitting, ShortBuffersAreCutNeverOverrun)
{
    TQI_ImageSequenceIdentifier identifier("file://" + longFolder + "/frame_0001.png", false);
    char directory[16 + 4], prefix[4 + 4], suffix[16 + 4];
    std::memset(directory, 'Z', sizeof directory);
    std::memset(prefix, 'Z', sizeof prefix);
    std::memset(suffix, 'Z', sizeof suffix);
    unsigned int first = 0, second = 0, width = 0;
    EXPECT_FALSE(identifier.vFillIn(false, directory, 16, prefix, 4, suffix, 16, &first, &second, &width));
    EXPECT_EQ(std::string(directory), longFolder.substr(0, 15));
    EXPECT_EQ(std::string(prefix), "fra");
    EXPECT_EQ(std::string(suffix), ".png");
    for (int i = 16; i < 20; ++i) {
        EXPECT_EQ(directory[i], 'Z');
        EXPECT_EQ(suffix[i], 'Z');
    }
    for (int i = 4; i < 8; ++i)
        EXPECT_EQ(prefix[i], 'Z');
    EXPECT_EQ(first, 1u);
    EXPECT_EQ(width, 4u);
}

class StillFormats : public ::testing::TestWithParam<const char*>
{
protected:
    QTemporaryDir m_dir;
};

TEST_P(StillFormats, DescribeTheirSequenceAndReadBack)
{
    const QString suffix = QString::fromLatin1(GetParam());
    const QString first = footage::writeSequence(m_dir.path(), QStringLiteral("plate_"), 10, 3, 4, suffix);

    Dururev::FootageDescription footage;
    ASSERT_TRUE(Dururev::describeFootage(first, footage));
    EXPECT_FALSE(footage.isMovie);
    EXPECT_EQ(footage.width, unsigned(footage::Width));
    EXPECT_EQ(footage.height, unsigned(footage::Height));
    EXPECT_EQ(footage.folder, QFileInfo(m_dir.path()).absoluteFilePath());
    EXPECT_EQ(footage.prefix, QStringLiteral("plate_"));
    EXPECT_EQ(footage.suffix, suffix);
    EXPECT_EQ(footage.firstIndex, 10u);
    EXPECT_EQ(footage.lastIndex, 12u);
    EXPECT_EQ(footage.indexWidth, 4u);
    EXPECT_FLOAT_EQ(footage.frameRate, 24.0f);

    // The middle file of the run describes the same run.
    Dururev::FootageDescription fromMiddle;
    ASSERT_TRUE(Dururev::describeFootage(QDir(m_dir.path()).filePath("plate_0011" + suffix), fromMiddle));
    EXPECT_EQ(fromMiddle.firstIndex, 10u);
    EXPECT_EQ(fromMiddle.lastIndex, 12u);

    const int red = footage::redAt(QDir(m_dir.path()).filePath("plate_0012" + suffix));
    if (suffix == ".jpg")
        EXPECT_NEAR(red, footage::redOf(12), 8);
    else
        EXPECT_EQ(red, footage::redOf(12));
}

INSTANTIATE_TEST_SUITE_P(Formats, StillFormats, ::testing::Values(".png", ".jpg", ".tif", ".exr", ".dpx"));

TEST(Footage, MovieRoundTrip)
{
    QTemporaryDir dir;
    const QString movie = footage::writeMovie(QDir(dir.path()).filePath("take.mov"), 6, 25.0);

    Dururev::FootageDescription footage;
    ASSERT_TRUE(Dururev::describeFootage(movie, footage));
    EXPECT_TRUE(footage.isMovie);
    EXPECT_EQ(footage.width, unsigned(footage::Width));
    EXPECT_EQ(footage.height, unsigned(footage::Height));
    EXPECT_EQ(footage.frameCount(), 6u);
    EXPECT_EQ(footage.firstIndex, 0u);
    EXPECT_FLOAT_EQ(footage.frameRate, 25.0f);
    EXPECT_EQ(footage.prefix, QStringLiteral("take.mov"));
    EXPECT_EQ(footage.indexWidth, 0u);
    for (int i : {0, 3, 5})
        EXPECT_NEAR(footage::redAt(movie, i), footage::redOf(unsigned(i)), 12) << "frame " << i;
    EXPECT_EQ(footage::redAt(movie, 6), -1);
}

TEST(Footage, WhatCannotBeOpenedIsNoFootage)
{
    QTemporaryDir dir;
    const QString text = QDir(dir.path()).filePath("notes_0001.png");
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not an image");
    file.close();

    Dururev::FootageDescription footage;
    for (const QString& path : {text, dir.path(), QDir(dir.path()).filePath("missing.png"), QString()}) {
        EXPECT_FALSE(Dururev::describeFootage(path, footage)) << path.toStdString();
        EXPECT_FLOAT_EQ(TQI_ImageIO_Router().getGamma(path), 1.0f);
    }
}

} // namespace
