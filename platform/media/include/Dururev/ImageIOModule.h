#pragma once

// The interface of an image reader and writer that the media library's
// router hands reads and writes to (TQI/ImageIO_Router.h), and the records
// that describe what it reads and saves.

#include <TQ/FootageContext.h>
#include <TQ/ImageIOParameters.h>
#include <TQ/ImageInformation.h>
#include <TQ/InterlaceMode.h>
#include <TQ/RichImage.h>
#include <TQ/TimeCode.h>

#include <Bsc/Striver.h>
#include <Gandalf/ImageHeader.h>

#include <QMap>
#include <QString>

#include <cstddef>
#include <set>
#include <string>
#include <tuple>

namespace Dururev {

// The channel type of saved pixels.
struct PixelType
{
    explicit PixelType(Gan_Type channelType = GAN_UNDEFINED_TYPE) : type(channelType) {}
    bool operator<(const PixelType& o) const { return type < o.type; }
    bool operator==(const PixelType& o) const { return type == o.type; }

    Gan_Type type;
};

// One kind of file a writer saves: an extension with a pixel layout.
struct ImageFileFormatDesc
{
    std::string extension; // ".abc"
    Gan_ImageFormat format = GAN_UNDEFINED_IMAGE_FORMAT;
    PixelType pixelType;

    bool operator<(const ImageFileFormatDesc& o) const
    {
        return std::tie(extension, format, pixelType) < std::tie(o.extension, o.format, o.pixelType);
    }
};

class ImageIOModule
{
public:
    // What a module reads: still images of numbered sequences, or clips
    // that it knows the frames of by itself.
    enum Kind { NoKind = 0, SequenceReader = 1, ClipLoader = 2 };

    // How a module presents itself.
    struct Info
    {
        std::string name;
        QString defaultPattern; // "*.abc"
        int kind = NoKind;
        int interfaceVersion = 1;
        // The format name mapped to its file patterns ("*.abc;*.xyz").
        QMap<QString, QString> loadPatterns;
        QMap<QString, QString> savePatterns;
        const std::set<ImageFileFormatDesc>* saveFormats = nullptr;
    };

    virtual ~ImageIOModule() = default;

    virtual Info info() const = 0;
    // Whether the module reads or writes files with this extension (dot
    // included, case as written), and reads this file.
    virtual bool bAcceptExtension(std::string extension) = 0;
    virtual bool bAcceptFile(std::string path) = 0;
    // Whether the file is a clip the module reads, and what it is: the
    // folder, prefix and suffix of its files (into buffers of the given
    // sizes, zero-terminated and never written past), first and last index,
    // index digits, interlacing, frame rate and whether it is a numbered
    // sequence. With `findSequence` and no file at the path, the suffix
    // buffer holds the extension to ask about.
    virtual bool isValidClip(const std::string& path, bool findSequence, char* directory, std::size_t directorySize,
                             char* prefix, std::size_t prefixSize, char* suffix, std::size_t suffixSize,
                             unsigned int* first, unsigned int* last, unsigned int* digits,
                             TQ_INTERLACE_MODE* interlaceMode, float* frameRate, TQ_BOOL* isSequence,
                             const TQ::ColourspaceParameters& colourspace) = 0;
    virtual void openMovie(const TQ::MovieOpenParams& params) = 0;
    virtual void vCloseMovie(const char* name) = 0;
    // Fills the rich image, which the caller has sized from getImageInfo.
    // Failures are thrown.
    virtual void loadImage(TQ::RichImage& image, Bsc::Striver& striver, const char* path,
                           const TQ::FootageContext& context, TQ_INTERLACE_MODE interlaceMode, bool fieldsSeparately,
                           Gan_ImageFileFormat* fileFormat, Gan_ImageHeaderInfo* header,
                           const TQ::ColourspaceParameters& colourspace, Gan_Image* upperField,
                           Gan_Image* lowerField) = 0;
    // Saves the image to the file. Failures are thrown.
    virtual void saveImage(Gan_Image& image, const QString& path, const TQ::ImageSaveOptions& options,
                           const TQ::ImageSaveContext& context) = 0;
    virtual TQ::TimeCode getTimeCode(const char* name, unsigned int frame, TQ_INTERLACE_MODE interlaceMode) = 0;
    virtual bool bGetImageIOSupport(const char* fileName, Gan_ImageFormat format, Gan_Type type,
                                    const Gan_ImageHeaderInfo* header) = 0;
    virtual bool bGetFieldIOSupport(const char* name) = 0;
    virtual TQ::ImageInformation getImageInfo(const QString& path, unsigned int frame,
                                              const TQ::ColourspaceParameters& colourspace) = 0;
    // What a clip is: first and last index, interlacing and frame rate.
    // Failures are thrown.
    virtual void vGetClipInfo(const char* path, bool findSequence, unsigned int* first, unsigned int* last,
                              TQ_INTERLACE_MODE* interlaceMode, float* frameRate,
                              const TQ::ColourspaceParameters& colourspace) = 0;
    virtual float getGamma(const QString& path) const = 0;
    virtual bool isColourspaceConversionEnabled() const = 0;
};

} // namespace Dururev
