#include "ExportFileNames.h"

#include <Rirediro/ErrorHandling/VUVI_CoreErrors.h>

#include <QCoreApplication>

#include <limits>

namespace {

// The bytes of the longest file name a folder holds.
constexpr unsigned int LongestFileName = 255;

// A file name leaves its folder only through a separator: the name always
// holds a number, so no part makes it "." or "..". A NUL character ends a
// name on its way to the file system (Python's texts bring none: the
// binding refuses them).
void checkNamePart(const char* name, const QString& part)
{
    if (part.contains(QLatin1Char('/')))
        Rirediro::throwException<VUVI_BadArgument>(
            __FILE__, __LINE__,
            QCoreApplication::translate("ExportFileNames", "%1 '%2' must not name another folder")
                .arg(QString::fromLatin1(name), part),
            {});
    if (part.contains(QChar(0)))
        Rirediro::throwException<VUVI_BadArgument>(
            __FILE__, __LINE__,
            QCoreApplication::translate("ExportFileNames", "%1 must not hold a NUL character")
                .arg(QString::fromLatin1(name)),
            {});
}

} // namespace

namespace Python {

void checkExportFileNames(const QString& prefix, const QString& suffix, const QString& extension,
                          unsigned int indexWidth, quint64 firstNumber, quint64 lastNumber)
{
    checkNamePart("prefix", prefix);
    checkNamePart("suffix", suffix);
    checkNamePart("extension", extension);
    if (indexWidth > LongestFileName)
        Rirediro::throwException<VUVI_OutOfRange>(
            __FILE__, __LINE__,
            QCoreApplication::translate("ExportFileNames", "index_width '%1' out of range (must be at most %2)")
                .arg(indexWidth)
                .arg(LongestFileName),
            {});
    const quint64 largest = std::numeric_limits<quint32>::max();
    if (lastNumber > largest)
        Rirediro::throwException<VUVI_OutOfRange>(
            __FILE__, __LINE__,
            QCoreApplication::translate("ExportFileNames", "File numbers %1 to %2 pass the largest, %3")
                .arg(firstNumber)
                .arg(lastNumber)
                .arg(largest),
            {});
}

} // namespace Python
