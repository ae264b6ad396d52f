#include "TQI/ImageSequenceIdentifier.h"

#include <QFileInfo>
#include <QString>

#include <cstring>

namespace {

// Copies text into a buffer of `size` bytes, cut short if need be; false
// when it had to be cut.
bool copyInto(const std::string& text, char* buffer, std::size_t size)
{
    if (!buffer || size == 0)
        return text.empty();
    const std::size_t length = text.size() < size ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return length == text.size();
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The path of a URL: what follows "scheme://"; a text that starts with a
// slash, or has no scheme, is a path itself.
std::string pathOf(const std::string& url)
{
    const std::size_t separator = url.find("://");
    if (separator == std::string::npos || (!url.empty() && url[0] == '/'))
        return url;
    return url.substr(separator + 3);
}

bool isFile(const std::string& path)
{
    return QFileInfo(QString::fromStdString(path)).isFile();
}

} // namespace

TQI_ImageSequenceIdentifier::TQI_ImageSequenceIdentifier(const std::string& url, bool) : m_path(pathOf(url))
{
    const std::size_t slash = m_path.rfind('/');
    std::string name = m_path;
    if (slash != std::string::npos) {
        m_directory = slash == 0 ? std::string("/") : m_path.substr(0, slash);
        name = m_path.substr(slash + 1);
    }

    // The last run of digits; a run too long for an index makes no number.
    std::size_t end = name.size();
    while (end > 0 && !isDigit(name[end - 1]))
        --end;
    std::size_t begin = end;
    while (begin > 0 && isDigit(name[begin - 1]))
        --begin;
    unsigned long long index = 0;
    bool fits = begin < end;
    for (std::size_t i = begin; fits && i < end; ++i) {
        index = index * 10 + unsigned(name[i] - '0');
        fits = index <= 0xFFFFFFFFull;
    }
    if (!fits) {
        m_prefix = name;
        return;
    }
    m_prefix = name.substr(0, begin);
    m_suffix = name.substr(end);
    m_index = unsigned(index);
    m_width = unsigned(end - begin);
}

TQI_ImageSequenceIdentifier::~TQI_ImageSequenceIdentifier() = default;

bool TQI_ImageSequenceIdentifier::vFillIn(bool, char* directory, std::size_t directorySize, char* prefix,
                                         std::size_t prefixSize, char* suffix, std::size_t suffixSize,
                                         unsigned int* first, unsigned int* second, unsigned int* width)
{
    const bool complete = vGetDirPreSuf(directory, directorySize, prefix, prefixSize, suffix, suffixSize);
    if (first)
        *first = m_index;
    if (second)
        *second = m_index;
    if (width)
        *width = m_width;
    return complete;
}

bool TQI_ImageSequenceIdentifier::vGetDirPreSuf(char* directory, std::size_t directorySize, char* prefix,
                                               std::size_t prefixSize, char* suffix, std::size_t suffixSize) const
{
    bool complete = copyInto(m_directory, directory, directorySize);
    complete = copyInto(m_prefix, prefix, prefixSize) && complete;
    complete = copyInto(m_suffix, suffix, suffixSize) && complete;
    return complete;
}

bool TQI_ImageSequenceIdentifier::bIsValidImageSequence(bool findRange, char* directory, std::size_t directorySize,
                                                        char* prefix, std::size_t prefixSize, char* suffix,
                                                        std::size_t suffixSize, unsigned int* first,
                                                        unsigned int* last, unsigned int* digits)
{
    vGetDirPreSuf(directory, directorySize, prefix, prefixSize, suffix, suffixSize);
    unsigned int from = m_index;
    unsigned int to = m_index;
    const bool valid = isFile(m_path);
    if (valid && findRange)
        this->findRange(from, to);
    if (first)
        *first = from;
    if (last)
        *last = to;
    if (digits)
        *digits = m_width;
    return valid;
}

void TQI_ImageSequenceIdentifier::findRange(unsigned int& first, unsigned int& last) const
{
    first = last = m_index;
    if (m_width == 0)
        return;
    const QString folder = QString::fromStdString(m_directory.empty() ? std::string(".") : m_directory);
    const QString prefix = QString::fromStdString(m_prefix);
    const QString suffix = QString::fromStdString(m_suffix);
    auto exists = [&](unsigned int index) {
        return QFileInfo(folder + QLatin1Char('/') + prefix
                         + QStringLiteral("%1").arg(index, int(m_width), 10, QLatin1Char('0')) + suffix)
            .isFile();
    };
    while (first > 0 && exists(first - 1))
        --first;
    while (last < 0xFFFFFFFFu && exists(last + 1))
        ++last;
}
