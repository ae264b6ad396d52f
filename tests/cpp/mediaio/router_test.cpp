// The media library's router: registered modules serve the files they take,
// newest first, before the library's own readers and writers.

#include "FakeImageModule.h"

#include <Dururev/Dururev.h>
#include <Dururev/FootageDescription.h>
#include <Dururev/FrameImage.h>
#include <TQI/ImageIO_Router.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

namespace {

using mediaiotest::FakeModule;

class RouterTest : public ::testing::Test
{
protected:
    // Registered once for the process, as the router keeps them; each test
    // lets them serve.
    static FakeModule& reader()
    {
        static FakeModule* module = registered(new FakeModule(".fkr", Dururev::ImageIOModule::SequenceReader));
        return *module;
    }
    static FakeModule& loader()
    {
        static FakeModule* module = registered(new FakeModule(".fkl", Dururev::ImageIOModule::ClipLoader));
        return *module;
    }
    // A newer module for ".fkr" files, which serves while `serving` is set.
    static FakeModule& newer()
    {
        static FakeModule* module = registered(new FakeModule(".fkr", Dururev::ImageIOModule::SequenceReader));
        return *module;
    }
    static FakeModule* registered(FakeModule* module)
    {
        Dururev::imageSuite(true)->registerModule(module);
        return module;
    }

    void SetUp() override
    {
        for (FakeModule* module : {&reader(), &loader(), &newer()}) {
            module->calls.clear();
            module->saved.clear();
            module->serving = true;
            module->acceptsFiles = true;
        }
        newer().serving = false;
        ASSERT_TRUE(m_dir.isValid());
    }

    QString touch(const char* name) const
    {
        const QString file = QDir(m_dir.path()).filePath(QString::fromUtf8(name));
        QFile(file).open(QIODevice::WriteOnly);
        return file;
    }

    QTemporaryDir m_dir;
};

TEST_F(RouterTest, ModulesAreAskedNewestFirstAndReadsNeedTheFileAccepted)
{
    TQI_ImageIO_Router& router = *Dururev::imageSuite(true);
    EXPECT_EQ(router.moduleForReading(QStringLiteral("/a/b.fkr")), &reader());
    EXPECT_EQ(router.moduleForWriting(QStringLiteral("/a/b.fkl")), &loader());
    newer().serving = true;
    EXPECT_EQ(router.moduleForReading(QStringLiteral("/a/b.fkr")), &newer());
    EXPECT_EQ(router.moduleForWriting(QStringLiteral("/a/b.fkr")), &newer());

    newer().acceptsFiles = false; // the extension is not enough to read
    EXPECT_EQ(router.moduleForReading(QStringLiteral("/a/b.fkr")), &reader());
    EXPECT_EQ(router.moduleForWriting(QStringLiteral("/a/b.fkr")), &newer());

    // The extension as written, dot included; none without a dot.
    EXPECT_EQ(router.moduleForReading(QStringLiteral("/a/b.FKR")), nullptr);
    EXPECT_EQ(router.moduleForReading(QStringLiteral("/a.fkr/b")), nullptr);
    EXPECT_EQ(reader().calls.back(), "ext ");
    EXPECT_EQ(router.moduleForReading(QStringLiteral("/a/b.png")), nullptr);
    EXPECT_FLOAT_EQ(router.getGamma(QStringLiteral("/a/b.fkr")), 2.5f);
}

TEST_F(RouterTest, ASequenceReadersFileIsDescribedAsAStillAndItsNumberedSiblings)
{
    touch("plate_0007.fkr");
    const QString middle = touch("plate_0008.fkr");
    touch("plate_0009.fkr");
    touch("plate_0011.fkr");
    Dururev::FootageDescription footage;
    ASSERT_TRUE(Dururev::describeFootage(middle, footage));
    EXPECT_FALSE(footage.isMovie);
    EXPECT_EQ(QSize(int(footage.width), int(footage.height)), QSize(4, 2));
    EXPECT_EQ(footage.folder, m_dir.path());
    EXPECT_EQ(footage.prefix + "|" + footage.suffix, QStringLiteral("plate_|.fkr"));
    EXPECT_EQ(std::vector<unsigned>({footage.firstIndex, footage.lastIndex, footage.indexWidth}),
              std::vector<unsigned>({7, 9, 4}));
    EXPECT_FLOAT_EQ(footage.frameRate, 24.0f);
}

TEST_F(RouterTest, AClipLoadersFileIsDescribedAsAMovieWithTheFramesItGives)
{
    const QString file = touch("shot.fkl");
    Dururev::FootageDescription footage;
    ASSERT_TRUE(Dururev::describeFootage(file, footage));
    EXPECT_TRUE(footage.isMovie);
    EXPECT_EQ(QSize(int(footage.width), int(footage.height)), QSize(4, 2));
    EXPECT_EQ(footage.prefix, QStringLiteral("shot.fkl"));
    EXPECT_EQ(std::vector<unsigned>({footage.firstIndex, footage.lastIndex}), std::vector<unsigned>({1, 12}));
    EXPECT_FLOAT_EQ(footage.frameRate, 30.0f);
}

TEST_F(RouterTest, FramesAreReadIntoAnImageSizedByTheModuleAndConvertedAsAsked)
{
    const QString file = touch("shot.fkl");
    Dururev::FrameImage frame;
    ASSERT_TRUE(Dururev::readFrame(file, 5, frame));
    EXPECT_EQ(std::vector<int>({frame.width, frame.height, frame.channels}), std::vector<int>({4, 2, 3}));
    EXPECT_EQ(frame.channelType, Dururev::FrameImage::UInt8);
    EXPECT_EQ(frame.pixels.at(0), 5);
    EXPECT_EQ(loader().calls, std::vector<std::string>({"ext .fkl", "file", "info 5", "load 5"}));

    std::vector<float> floats;
    ASSERT_TRUE(Dururev::readFrameInto(file, 51, [&](Dururev::FrameLayout& layout) -> void* {
        layout.channels = 1;
        layout.channelType = Dururev::FrameImage::Float;
        floats.resize(layout.bytes() / sizeof(float));
        return floats.data();
    }));
    EXPECT_FLOAT_EQ(floats.at(0), 51.0f / 255.0f);
}

TEST_F(RouterTest, FramesAreWrittenThroughTheModuleThatTakesTheExtension)
{
    Dururev::FrameImage frame;
    frame.width = 2;
    frame.height = 1;
    frame.channels = 4;
    frame.channelType = Dururev::FrameImage::UInt16;
    frame.pixels.assign(16, 0);
    frame.pixels[0] = 0x34;
    frame.pixels[1] = 0x12;
    const QString file = QDir(m_dir.path()).filePath(QStringLiteral("out_0001.fkr"));
    ASSERT_TRUE(Dururev::writeImage(file, frame));
    ASSERT_EQ(reader().saved.size(), 1u);
    EXPECT_EQ(reader().saved[0].first, file);
    EXPECT_EQ(reader().saved[0].second, frame.pixels);
    EXPECT_EQ(reader().calls.back(), "save 3 3"); // RGBA, 16-bit
    EXPECT_FALSE(QFile::exists(file));            // the module writes, not the library
}

} // namespace
