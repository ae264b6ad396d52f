#pragma once

#include <cstddef>
#include <string>

// Splits the file name of one file of a numbered image sequence, given as a
// URL ("file:///a/b0001.png", or with a reader's name as the scheme:
// "Foo:///a/b0001.abc"), into its folder, the text before the frame number,
// the text after it and the number itself. The number is the last run of
// digits in the file name; its length is the index width (0 when the name
// has no number, which makes it no sequence).
//
// Parts go into buffers of the given sizes, always zero-terminated and never
// written past; false when a part had to be cut short.
class TQI_ImageSequenceIdentifier
{
public:
    TQI_ImageSequenceIdentifier(const std::string& url, bool resolveLinks);
    virtual ~TQI_ImageSequenceIdentifier();

    // Writes the parts into the three buffers and the numbers through the
    // pointers: first = the file's index, second = the same index, width =
    // the index width.
    virtual bool vFillIn(bool resolveLinks, char* directory, std::size_t directorySize, char* prefix,
                         std::size_t prefixSize, char* suffix, std::size_t suffixSize, unsigned int* first,
                         unsigned int* second, unsigned int* width);

    // Whether the URL names an existing file (not a folder); then the parts, the index digits and, with
    // `findRange`, the first and last index of the unbroken run of numbered
    // files around it in its folder (otherwise the file's own index twice).
    // False, with the parts and the file's own index given all the same,
    // when no file is there.
    bool bIsValidImageSequence(bool findRange, char* directory, std::size_t directorySize, char* prefix,
                               std::size_t prefixSize, char* suffix, std::size_t suffixSize, unsigned int* first,
                               unsigned int* last, unsigned int* digits);

    // Writes the three parts.
    bool vGetDirPreSuf(char* directory, std::size_t directorySize, char* prefix, std::size_t prefixSize,
                       char* suffix, std::size_t suffixSize) const;

    const std::string& directory() const { return m_directory; }
    const std::string& prefix() const { return m_prefix; }
    const std::string& suffix() const { return m_suffix; }
    unsigned int index() const { return m_index; }
    unsigned int indexWidth() const { return m_width; }

    // The unbroken run of numbered files around the identified one, in its
    // folder: first and last index. The file's own index twice when it has
    // no number.
    void findRange(unsigned int& first, unsigned int& last) const;

private:
    std::string m_path;
    std::string m_directory;
    std::string m_prefix;
    std::string m_suffix;
    unsigned int m_index = 0;
    unsigned int m_width = 0;
};
