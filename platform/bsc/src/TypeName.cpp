#include "Bsc/TypeName.h"

#include <cxxabi.h>
#include <cstdlib>
#include <memory>

namespace Bsc {
namespace detail {

QString prettyTypeName(const char* typeInfoName)
{
    if (!typeInfoName)
        return QString();
    if (*typeInfoName == '*')
        ++typeInfoName;
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(typeInfoName, nullptr, nullptr, &status), std::free);
    QString name = QString::fromLatin1(status == 0 && demangled ? demangled.get() : typeInfoName);
    // Drop the namespaces of the outermost name, not those inside template arguments.
    int depth = 0;
    int cut = -1;
    for (int i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c == QLatin1Char('<'))
            ++depth;
        else if (c == QLatin1Char('>'))
            --depth;
        else if (depth == 0 && c == QLatin1Char(':') && i + 1 < name.size() && name.at(i + 1) == QLatin1Char(':'))
            cut = i + 2;
    }
    return cut < 0 ? name : name.mid(cut);
}

} // namespace detail
} // namespace Bsc
