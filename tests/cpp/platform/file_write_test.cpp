// The one write path: a file is written whole or not at all, onto regular
// files (or links to them) only, and leaves nothing behind.
#include <Bsc/FileWrite.h>

#include "../support/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class FileWriteTest : public ::testing::Test
{
protected:
    QString at(const QString& name) const { return m_folder.filePath(name); }
    // Everything in the folder, hidden files and FIFOs included.
    QStringList entries() const
    {
        return QDir(m_folder.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }
    static bool isFifo(const QString& path)
    {
        struct stat status = {};
        return lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISFIFO(status.st_mode);
    }
    static mode_t permissionsOf(const QString& path)
    {
        struct stat status = {};
        return stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
    }
    static void link(const QString& to, const QString& path)
    {
        ASSERT_EQ(symlink(QFile::encodeName(to).constData(), QFile::encodeName(path).constData()), 0);
    }

    QTemporaryDir m_folder;
};

TEST_F(FileWriteTest, RegularFilesAndTheFilesLinksLeadToAreReplacedWhole)
{
    testsupport::writeFile(at("old"), "old contents");
    ASSERT_EQ(chmod(QFile::encodeName(at("old")).constData(), 0640), 0);
    testsupport::writeFile(at("target"), "old");
    link("target", at("link"));
    link("link", at("chain"));
    link("later", at("dangling"));
    const struct
    {
        QString path;
        QString written; // the file that holds the contents afterwards
    } cases[] = {
        {at("new"), at("new")},         {at("old"), at("old")},
        {at("link"), at("target")},     {at("chain"), at("target")},
        {at("dangling"), at("later")},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_TRUE(Bsc::writeFile(c.path, "contents of " + c.path.toUtf8(), &error)) << error.toStdString();
        EXPECT_EQ(testsupport::contentsOf(c.written), "contents of " + c.path.toUtf8()) << c.path.toStdString();
    }
    EXPECT_EQ(permissionsOf(at("old")), mode_t(0640));
    for (const char* name : {"link", "chain", "dangling"})
        EXPECT_TRUE(QFileInfo(at(name)).isSymLink()) << name;
    EXPECT_EQ(entries(), QStringList({"chain", "dangling", "later", "link", "new", "old", "target"}));
}

TEST_F(FileWriteTest, WhatIsNotARegularFileIsRefusedAndLeftAsItIs)
{
    ASSERT_EQ(mkfifo(QFile::encodeName(at("fifo")).constData(), 0600), 0);
    link("fifo", at("to-fifo"));
    link("loop-b", at("loop-a"));
    link("loop-a", at("loop-b"));
    ASSERT_TRUE(QDir(m_folder.path()).mkdir("folder"));
    testsupport::writeFile(at("plain"), "plain");
    const struct
    {
        QString path;
        QString reason;
    } cases[] = {
        {at("fifo"), "It is not a regular file"},
        {at("to-fifo"), "It is not a regular file"},
        {at("folder"), "Is a directory"},
        {at("loop-a"), "Too many levels of symbolic links"},
        {at("plain/x"), "Not a directory"},
        {at("missing/x"), "No such file or directory"},
        {at("a") + QChar(0) + "b", "The name holds a NUL character"},
        {QString(), "No such file or directory"},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_FALSE(Bsc::writeFile(c.path, "x", &error)) << c.path.toStdString();
        EXPECT_EQ(error, QStringLiteral("Cannot write '%1': %2").arg(c.path, c.reason));
    }
    EXPECT_TRUE(isFifo(at("fifo")));
    EXPECT_TRUE(QFileInfo(at("folder")).isDir());
    EXPECT_EQ(testsupport::contentsOf(at("plain")), "plain");
    EXPECT_EQ(entries(), QStringList({"fifo", "folder", "loop-a", "loop-b", "plain", "to-fifo"}));
}

// A write past the file size limit fails with EFBIG instead of ending the
// process (SIGXFSZ at its default is ignored from the first write on).
TEST_F(FileWriteTest, AWritePastTheFileSizeLimitFailsAndKeepsTheOldFile)
{
    testsupport::writeFile(at("kept"), "old");
    rlimit saved = {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_DFL);
    rlimit limit = saved;
    limit.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    QString error;
    const bool written = Bsc::writeFile(at("kept"), QByteArray(1000, 'x'), &error);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto ignored = std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    EXPECT_EQ(error, QStringLiteral("Cannot write '%1': File too large").arg(at("kept")));
    EXPECT_EQ(ignored, SIG_IGN);
    EXPECT_EQ(testsupport::contentsOf(at("kept")), "old");
    EXPECT_EQ(entries(), QStringList({"kept"}));
}

// A writer that opens the file by name writes a hidden file beside the
// target, with the target's suffix; it takes the target's place on commit
// only.
TEST_F(FileWriteTest, ANamedWriteTakesThePlaceOnlyOnCommit)
{
    testsupport::writeFile(at("movie.mov"), "old");
    const auto writeThrough = [](const Bsc::FileWrite& file, const QByteArray& contents) {
        QFile named(file.temporaryPath());
        return named.open(QIODevice::WriteOnly) && named.write(contents) == contents.size();
    };
    const std::function<bool(Bsc::FileWrite&)> ends[] = {
        [](Bsc::FileWrite&) { return false; }, // dropped
        [](Bsc::FileWrite& file) { return file.fail("The movie does not read back whole"); },
        [](Bsc::FileWrite& file) { return file.commit(); },
    };
    for (const auto& end : ends) {
        Bsc::FileWrite file(at("movie.mov"), Bsc::FileWrite::Named);
        ASSERT_TRUE(file.isOpen()) << file.errorString().toStdString();
        const QFileInfo temporary(file.temporaryPath());
        EXPECT_EQ(temporary.absolutePath(), QFileInfo(at("movie.mov")).absolutePath());
        EXPECT_TRUE(temporary.fileName().startsWith(".movie.mov.")) << temporary.fileName().toStdString();
        EXPECT_EQ(temporary.suffix(), "mov");
        ASSERT_TRUE(writeThrough(file, "new"));
        const bool committed = end(file);
        EXPECT_EQ(testsupport::contentsOf(at("movie.mov")), committed ? "new" : "old");
        if (&end == &ends[1]) {
            EXPECT_EQ(file.errorString(),
                      QStringLiteral("Cannot write '%1': The movie does not read back whole").arg(at("movie.mov")));
        }
    }
    EXPECT_EQ(entries(), QStringList({"movie.mov"}));
}

TEST_F(FileWriteTest, AWriteNotCommittedLeavesNothing)
{
    {
        Bsc::FileWrite file(at("never"));
        ASSERT_TRUE(file.write("half"));
        EXPECT_TRUE(file.temporaryPath().isEmpty());
        EXPECT_EQ(entries(), QStringList()); // a file without a name while it is written
    }
    EXPECT_EQ(entries(), QStringList());
    Bsc::FileWrite file(at("once"));
    EXPECT_TRUE(file.write("whole") && file.commit());
    EXPECT_FALSE(file.isOpen());
    EXPECT_FALSE(file.write("more") || file.commit());
    EXPECT_EQ(testsupport::contentsOf(at("once")), "whole");
}

} // namespace
