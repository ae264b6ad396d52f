#pragma once

#include <QStringList>

namespace CLI {
class NewProjectArgs;
}
namespace Rirediro {
class ExportFootageParams;
}

// Fills the new-project arguments and the export parameters from the
// application's arguments (the program first). Nothing is ever rejected:
// what is no option names the input clip or is ignored, and a value that does
// not convert is consumed without effect.
void readCommandLine(const QStringList& arguments, CLI::NewProjectArgs& newProject,
                     Rirediro::ExportFootageParams& exportFootage);
