#pragma once

#include <cstddef>
#include <string>

// Splits the file name of one file of a numbered image sequence, given as a
// "file://" URL, into its folder, the text before the frame number, the text
// after it and the number itself. The number is the last run of digits in
// the file name; its length is the index width (0 when the name has no
// number, which makes it no sequence).
class TQI_ImageSequenceIdentifier
{
public:
    TQI_ImageSequenceIdentifier(const std::string& url, bool resolveLinks);
    virtual ~TQI_ImageSequenceIdentifier();

    // Writes the parts into the three buffers (each of the given size,
    // always zero-terminated, never written past) and the numbers through
    // the pointers: first = the file's index, second = the same index,
    // width = the index width. False, with the parts cut short, when a part
    // does not fit its buffer.
    virtual bool vFillIn(bool resolveLinks, char* directory, std::size_t directorySize, char* prefix,
                         std::size_t prefixSize, char* suffix, std::size_t suffixSize, unsigned int* first,
                         unsigned int* second, unsigned int* width);

    const std::string& directory() const { return m_directory; }
    const std::string& prefix() const { return m_prefix; }
    const std::string& suffix() const { return m_suffix; }
    unsigned int index() const { return m_index; }
    unsigned int indexWidth() const { return m_width; }

private:
    std::string m_directory;
    std::string m_prefix;
    std::string m_suffix;
    unsigned int m_index = 0;
    unsigned int m_width = 0;
};
