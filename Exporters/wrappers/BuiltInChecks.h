#pragma once

// The preconditions every built-in exporter checks first.

#include "Project/wrappers/Project.h"

#include <Rirediro/ErrorHandling/VUVI_CoreErrors.h>
#include <Rirediro/ErrorHandling/VUVI_ErrorDetector.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>

#include <QCoreApplication>

namespace Python {

// The project's core project, held for the export whatever Python deletes
// meanwhile: "Invalid project instance" (in the family's context) for none,
// "Invalid object" for one whose core project is gone.
inline boost::shared_ptr<VUVI_ProjectManager> checkedProject(Project* project, const char* family,
                                                             const QString& source, int line)
{
    VUVI_ErrorDetector::instance()->check(project != nullptr, source, line, QStringLiteral("project != __null"),
                                          QCoreApplication::translate(family, "Invalid project instance"));
    boost::shared_ptr<VUVI_ProjectManager> core = project ? project->projectManager() : nullptr;
    if (!core)
        detail::throwInvalidObject();
    return core->shared_from_this();
}

template <typename Layers>
void checkLayers(const Layers& layers, const char* family, const QString& source, int line)
{
    VUVI_ErrorDetector::instance()->check(!layers.isEmpty(), source, line, QStringLiteral("! layers.isEmpty()"),
                                          QCoreApplication::translate(family, "Empty layers list"));
    if (layers.isEmpty()) { // the detector raises the failed check; never go on without layers
        const QString message = QCoreApplication::translate(family, "Empty layers list");
        Rirediro::throwException<VUVI_AssertionFailed>(source.toUtf8().constData(), line, message, message);
    }
}

} // namespace Python
