#pragma once

#include "CLI/ExportFootageParams.h"

#include <Prm/Time.h>

#include <QString>
#include <QtGlobal>

namespace CLI {

// What the command line asks of a new project. The start-up manager uses it
// to open the project file or to create a project from the input clip.
// Numbers left at their initial values (zero, or an invalid time) mean "as
// the clip says".
class NewProjectArgs
{
public:
    float frameRate = 0.0f;
    Prm::Time inTime;
    Prm::Time outTime;
    qint32 interlaceMode = 0;
    double pixelAspectRatio = 0.0;

    void setInputClipName(const QString& name);
    void setProjectFileName(const QString& name);

    const QString& inputClipName() const { return m_inputClipName; }
    const QString& projectFileName() const { return m_projectFileName; }

private:
    // The input clip comes first: the start-up manager is configured with the
    // project file name first and the input clip name second.
    QString m_inputClipName;
    QString m_projectFileName;
};

// The records that the executable fills from its command line.
extern NewProjectArgs s_newProjectArgs;
extern Rirediro::ExportFootageParams s_exportClipInfo;

} // namespace CLI
