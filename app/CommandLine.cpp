#include "app/CommandLine.h"

#include <CLI/NewProjectArgs.h>
#include <Product/Product.h>

#include <cmath>

namespace {

// Footage exported from the command line is always written as TIFF.
const char* const kExportExtension = ".tif";

// A frame rate, time or aspect ratio of NaN or infinity would poison every
// later computation, so such values count as failed conversions.
bool toFiniteFloat(const QString& text, float& value)
{
    bool ok = false;
    const float converted = text.toFloat(&ok);
    if (!ok || !std::isfinite(converted))
        return false;
    value = converted;
    return true;
}

bool toFiniteDouble(const QString& text, double& value)
{
    bool ok = false;
    const double converted = text.toDouble(&ok);
    if (!ok || !std::isfinite(converted))
        return false;
    value = converted;
    return true;
}

class CommandLineReader
{
public:
    CommandLineReader(CLI::NewProjectArgs& newProject, QString& exportPath)
        : m_newProject(newProject), m_exportPath(exportPath)
    {
    }

    // Reads the argument; returns true when it took the next one as its value.
    bool read(const QString& argument, const QString* next)
    {
        // The project file goes first, so that a file name starting with a
        // dash is never mistaken for an option.
        if (argument.endsWith(Product::fileExtension(), Qt::CaseInsensitive)) {
            m_newProject.setProjectFileName(argument);
            return false;
        }
        if (next && readOption(argument, *next))
            return true;
        if (argument == QLatin1String("--")) {
            m_afterSeparator = true;
            return false;
        }
        // Unknown long options are ignored, unless the separator said that
        // what follows are names.
        if (m_afterSeparator || !argument.startsWith(QLatin1String("--")))
            m_newProject.setInputClipName(argument);
        return false;
    }

private:
    // Returns true when the argument is an option taking the value.
    bool readOption(const QString& option, const QString& value)
    {
        if (option == QLatin1String("-o")) {
            m_exportPath = value;
        } else if (option == QLatin1String("--frame-rate")) {
            toFiniteFloat(value, m_newProject.frameRate);
        } else if (option == QLatin1String("-k")) {
            // Accepted for compatibility; its value means nothing here.
        } else if (option == QLatin1String("--in")) {
            readTime(value, m_newProject.inTime);
        } else if (option == QLatin1String("--out")) {
            readTime(value, m_newProject.outTime);
        } else if (option == QLatin1String("--interlace-mode")) {
            bool ok = false;
            const int mode = value.toInt(&ok, 10);
            if (ok)
                m_newProject.interlaceMode = mode;
        } else if (option == QLatin1String("--par")) {
            double ratio = 0.0;
            if (toFiniteDouble(value, ratio) && ratio > 0.0)
                m_newProject.pixelAspectRatio = ratio;
        } else {
            return false;
        }
        return true;
    }

    static void readTime(const QString& value, Prm::Time& time)
    {
        float frames = 0.0f;
        if (toFiniteFloat(value, frames))
            time = Prm::Time::fromFloat(frames);
    }

    CLI::NewProjectArgs& m_newProject;
    QString& m_exportPath;
    bool m_afterSeparator = false;
};

} // namespace

void readCommandLine(const QStringList& arguments, CLI::NewProjectArgs& newProject,
                     Rirediro::ExportFootageParams& exportFootage)
{
    QString exportPath;
    CommandLineReader reader(newProject, exportPath);
    // The first argument is the program.
    for (int i = 1; i < arguments.size(); ++i) {
        const QString* next = i + 1 < arguments.size() ? &arguments.at(i + 1) : nullptr;
        if (reader.read(arguments.at(i), next))
            ++i;
    }
    if (!exportPath.isEmpty()) {
        exportFootage.setClipPath(exportPath);
        exportFootage.setClipExtension(QString::fromLatin1(kExportExtension));
    }
}
