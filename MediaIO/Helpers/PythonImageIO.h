#pragma once

#include "Project/wrappers/Enums.h"
#include "Python/ExtensionCall.h"

#include <TQI/BaseImageIOSubsystem.h>

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <set>

class AbstractImageIOModule;

// The media library's image reader and writer that hands every question to
// an AbstractImageIOModule, whose Python subclass answers it. Registered
// with the router for the rest of the process; once the module is gone it
// accepts nothing and answers as a module without overrides.
class PythonImageIO : public TQI_BaseImageIOSubsystem
{
public:
    PythonImageIO(AbstractImageIOModule* module, const QString& format_name, const QStringList& extensions,
                  const QList<PixelFormat>& save_image_formats, const QList<ChannelType>& save_image_types,
                  bool is_clip_loader);
    ~PythonImageIO() override;

    Info info() const override;
    bool bAcceptExtension(std::string extension) override;
    bool bAcceptFile(std::string path) override;
    // An existing file: what the identifier (or the clip loader) finds, and
    // whether the module reads the file; false when the sequence is invalid
    // or anything fails. No file: false, or with `findSequence` whether the
    // module takes the extension the suffix buffer holds.
    bool isValidClip(const std::string& path, bool findSequence, char* directory, std::size_t directorySize,
                     char* prefix, std::size_t prefixSize, char* suffix, std::size_t suffixSize, unsigned int* first,
                     unsigned int* last, unsigned int* digits, TQ_INTERLACE_MODE* interlaceMode, float* frameRate,
                     TQ_BOOL* isSequence, const TQ::ColourspaceParameters& colourspace) override;
    void openMovie(const TQ::MovieOpenParams& params) override;
    void vCloseMovie(const char* name) override;
    // Python writes straight into the rich image. A load_image that fails
    // or is missing fails the read: VUVI_BadFile naming the file.
    void loadImage(TQ::RichImage& image, Bsc::Striver& striver, const char* path, const TQ::FootageContext& context,
                   TQ_INTERLACE_MODE interlaceMode, bool fieldsSeparately, Gan_ImageFileFormat* fileFormat,
                   Gan_ImageHeaderInfo* header, const TQ::ColourspaceParameters& colourspace,
                   Gan_Image* upperField, Gan_Image* lowerField) override;
    // Python sees the image's pixels, not a copy, for the length of the call
    // only. A save_image that fails or is missing fails the write:
    // VUVI_BadFile naming the file.
    void saveImage(Gan_Image& image, const QString& path, const TQ::ImageSaveOptions& options,
                   const TQ::ImageSaveContext& context) override;
    TQ::TimeCode getTimeCode(const char* name, unsigned int frame, TQ_INTERLACE_MODE interlaceMode) override;
    bool bGetImageIOSupport(const char* fileName, Gan_ImageFormat format, Gan_Type type,
                            const Gan_ImageHeaderInfo* header) override;
    bool bGetFieldIOSupport(const char* name) override;
    TQ::ImageInformation getImageInfo(const QString& path, unsigned int frame,
                                      const TQ::ColourspaceParameters& colourspace) override;
    // An invalid sequence throws "Invalid clip specified: %1": through the
    // media library's throw function when one is set, else as VUVI_BadFile.
    void vGetClipInfo(const char* path, bool findSequence, unsigned int* first, unsigned int* last,
                      TQ_INTERLACE_MODE* interlaceMode, float* frameRate,
                      const TQ::ColourspaceParameters& colourspace) override;
    // 1.0 when the module gives no gamma.
    float getGamma(const QString& path) const override;
    bool isColourspaceConversionEnabled() const override;

    // The last index of a clip loader's clip of `frameCount` frames counted
    // from 1: truncated toward zero; 0 for NaN and negatives; at most the
    // largest index.
    static unsigned int lastFrameOf(float frameCount);

private:
    void getClipInfoPrivate(const QString& path, bool findSequence, char* directory, std::size_t directorySize,
                            char* prefix, std::size_t prefixSize, char* suffix, std::size_t suffixSize,
                            unsigned int* first, unsigned int* last, unsigned int* digits,
                            TQ_INTERLACE_MODE* interlaceMode, float* frameRate, TQ_BOOL* isSequence) const;

    PyHelpers::ExtensionPointer<AbstractImageIOModule> m_module;
    std::set<Dururev::ImageFileFormatDesc> m_saveFormats;
    Info m_info;
    QMap<QString, QString> m_patterns;
};
