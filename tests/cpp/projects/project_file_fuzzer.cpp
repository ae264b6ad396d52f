// libFuzzer target for the project file reader. Whatever it accepts must
// make a project, and that project must save to a document that reads back
// and saves to the very same bytes.
#include "Project/ProjectDocument.h"

#include <Bsc/Logger.h>
#include <Rirediro/ErrorHandling/VUVI_CoreErrors.h>
#include <Rirediro/Project/ProjectFile.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

class BytesHandle : public Rirediro::IProjectHandle
{
public:
    explicit BytesHandle(QByteArray contents) : IProjectHandle(Rirediro::Callbacks()), m_contents(std::move(contents))
    {
    }
    QString sourceName() const override { return QStringLiteral("fuzzed"); }

protected:
    QByteArray readContents() const override { return m_contents; }

private:
    QByteArray m_contents;
};

QByteArray reopenAndWrite(const QByteArray& contents)
{
    BytesHandle handle(contents);
    Rirediro::ProjectHeaderData header;
    Rirediro::ProjectHeaderReader::readProjectHeader(handle, header);
    const boost::shared_ptr<VUVI_ProjectManager> project = VUVI_ProjectManager::createFromHandle(
        handle, header.baseInfos.front(), header.clipInfos.front(), VUVI_ProjectManager::MigratingClip(), true);
    return Rirediro::ProjectDocument::write(Rirediro::ProjectDocument::recordOf(*project));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The log keeps every message in memory; a long run would fill it.
    Bsc::Logger::clearJournal();
    QByteArray written;
    try {
        written = reopenAndWrite(QByteArray(reinterpret_cast<const char*>(data), int(size)));
    } catch (const VUVI_BadFile&) {
        return 0;
    }
    if (reopenAndWrite(written) != written)
        std::abort();
    return 0;
}
