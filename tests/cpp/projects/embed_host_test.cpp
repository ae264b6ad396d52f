// The embedding test host opens the project PLINX_HOST_PROJECT names before
// it runs a script, as the application has its project open.

#include "ProjectTestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace projecttest;

namespace {

struct HostRun
{
    int exitCode = -1;
    QString output;
};

// Runs a script in the host with that project file.
HostRun runHost(const QString& projectFile, const QString& script, const QString& folder)
{
    const QString scriptFile = QDir(folder).filePath(QStringLiteral("script.py"));
    QFile file(scriptFile);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(script.toUtf8());
    file.close();

    QProcess host;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PLINX_HOST_PROJECT"), projectFile);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    host.setProcessEnvironment(environment);
    host.setProcessChannelMode(QProcess::MergedChannels);
    host.start(QStringLiteral(PLINX_EMBED_HOST), {scriptFile});
    EXPECT_TRUE(host.waitForFinished(60000));
    return {host.exitCode(), QString::fromUtf8(host.readAll())};
}

TEST(EmbedHost, OpensItsProjectAndAnswersWithIt)
{
    QTemporaryDir dir;
    ProjectOfSequence made(dir.path(), 1, 3);
    const QString projectFile = QDir(dir.path()).filePath(QStringLiteral("host.plinx"));
    made.project->save_as(projectFile);

    const char* script = "from PySide2 import QtCore\n"
                         "meta = QtCore.QCoreApplication.instance().metaObject()\n"
                         "method = meta.method(meta.indexOfMethod('currentProject()'))\n"
                         "print('answers', method.typeName())\n";
    const HostRun run = runHost(projectFile, QString::fromUtf8(script), dir.path());
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QStringLiteral("answers VUVI_ProjectManager*"))) << run.output.toStdString();
}

TEST(EmbedHost, StopsOnAProjectItCannotOpen)
{
    QTemporaryDir dir;
    const QString missing = QDir(dir.path()).filePath(QStringLiteral("gone.plinx"));
    const HostRun run = runHost(missing, QStringLiteral("print('ran')\n"), dir.path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.output.contains(QStringLiteral("Project file '%1' does not exist").arg(missing)))
        << run.output.toStdString();
    EXPECT_FALSE(run.output.contains(QStringLiteral("ran")));
}

} // namespace
