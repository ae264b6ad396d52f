// libFuzzer target for the reader of the parameter text form. The first
// byte picks the value type, whether the parameter is splittable and the
// file version; the rest is read line by line. Whatever was read must write
// a text that reads back to the very same text.
#include "Prm/Parameter.h"

#include <QStringList>
#include <QTextStream>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

QString written(const Prm::ParameterWithoutType& parameter)
{
    QString text;
    QTextStream out(&text);
    parameter.bStreamOut(out, QString(), false);
    out.flush();
    return text;
}

void readLines(Prm::ParameterWithoutType& parameter, const QStringList& lines, Prm::ProjectFileVersion version)
{
    for (const QString& line : lines)
        parameter.streamInValue(line, version, {});
}

template <typename T>
void fuzz(bool splittable, Prm::ProjectFileVersion version, const QStringList& lines)
{
    Prm::Parameter<T> parameter;
    parameter.setSplittable(splittable);
    readLines(parameter, lines, version);
    const QString first = written(parameter);

    Prm::Parameter<T> again;
    again.setSplittable(splittable);
    readLines(again, first.split(QLatin1Char('\n'), Qt::SkipEmptyParts), Prm::StreamVersion::current);
    if (written(again) != first)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t selector = data[0];
    const QStringList lines =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 1), int(size - 1)).split(QLatin1Char('\n'));
    const bool splittable = selector & 1;
    const Prm::ProjectFileVersion version = selector & 2 ? Prm::StreamVersion::current : Prm::ProjectFileVersion{0};
    switch ((selector >> 2) % 4) {
    case 0:
        fuzz<unsigned int>(splittable, version, lines);
        break;
    case 1:
        fuzz<double>(splittable, version, lines);
        break;
    case 2:
        fuzz<QString>(splittable, version, lines);
        break;
    default:
        fuzz<bool>(splittable, version, lines);
        break;
    }
    return 0;
}
