#include "TQI/ImageSequenceIdentifier.h"

#include <cstring>

namespace {

const char filePrefix[] = "file://";

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

} // namespace

TQI_ImageSequenceIdentifier::TQI_ImageSequenceIdentifier(const std::string& url, bool)
{
    std::string path = url;
    if (path.compare(0, sizeof filePrefix - 1, filePrefix) == 0)
        path.erase(0, sizeof filePrefix - 1);

    const std::size_t slash = path.rfind('/');
    std::string name = path;
    if (slash != std::string::npos) {
        m_directory = slash == 0 ? std::string("/") : path.substr(0, slash);
        name = path.substr(slash + 1);
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
    bool complete = copyInto(m_directory, directory, directorySize);
    complete = copyInto(m_prefix, prefix, prefixSize) && complete;
    complete = copyInto(m_suffix, suffix, suffixSize) && complete;
    if (first)
        *first = m_index;
    if (second)
        *second = m_index;
    if (width)
        *width = m_width;
    return complete;
}
