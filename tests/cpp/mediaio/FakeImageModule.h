#pragma once

// An image reader and writer module of the tests' own, registered with the
// media library's router.
#include <Dururev/ImageIOModule.h>
#include <TQI/BaseImageIOSubsystem.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

namespace mediaiotest {

// A module of the test's own: RGB 8-bit pictures of 4x2 pixels whose first
// byte is the frame number, for the files whose extension it is given.
class FakeModule : public TQI_BaseImageIOSubsystem
{
public:
    FakeModule(std::string extension, int kind) : m_extension(std::move(extension)), m_kind(kind) {}

    std::atomic<bool> serving{true};
    std::atomic<bool> acceptsFiles{true};
    std::vector<std::string> calls;
    std::vector<std::pair<QString, std::vector<unsigned char>>> saved;

    Info info() const override
    {
        Info info;
        info.name = "Fake" + m_extension;
        info.kind = m_kind;
        return info;
    }
    bool bAcceptExtension(std::string extension) override
    {
        calls.push_back("ext " + extension);
        return serving && extension == m_extension;
    }
    bool bAcceptFile(std::string) override
    {
        calls.push_back("file");
        return acceptsFiles;
    }
    bool isValidClip(const std::string&, bool, char*, std::size_t, char*, std::size_t, char*, std::size_t,
                     unsigned int*, unsigned int*, unsigned int*, TQ_INTERLACE_MODE*, float*, TQ_BOOL*,
                     const TQ::ColourspaceParameters&) override
    {
        return false;
    }
    void openMovie(const TQ::MovieOpenParams&) override {}
    void vCloseMovie(const char*) override {}
    void loadImage(TQ::RichImage& image, Bsc::Striver&, const char*, const TQ::FootageContext& context,
                   TQ_INTERLACE_MODE, bool, Gan_ImageFileFormat*, Gan_ImageHeaderInfo*,
                   const TQ::ColourspaceParameters&, Gan_Image*, Gan_Image*) override
    {
        calls.push_back("load " + std::to_string(context.frameNumber));
        static_cast<unsigned char*>(image.image->pix_data_ptr)[0] = static_cast<unsigned char>(context.frameNumber);
    }
    void saveImage(Gan_Image& image, const QString& path, const TQ::ImageSaveOptions&,
                   const TQ::ImageSaveContext&) override
    {
        const auto* bytes = static_cast<const unsigned char*>(image.pix_data_ptr);
        saved.emplace_back(path, std::vector<unsigned char>(bytes, bytes + image.pix_data_size));
        calls.push_back("save " + std::to_string(image.format) + " " + std::to_string(image.type));
    }
    TQ::TimeCode getTimeCode(const char*, unsigned int, TQ_INTERLACE_MODE) override { return {}; }
    bool bGetImageIOSupport(const char*, Gan_ImageFormat, Gan_Type, const Gan_ImageHeaderInfo*) override
    {
        return true;
    }
    bool bGetFieldIOSupport(const char*) override { return false; }
    TQ::ImageInformation getImageInfo(const QString&, unsigned int frame, const TQ::ColourspaceParameters&) override
    {
        calls.push_back("info " + std::to_string(frame));
        TQ::ImageInformation info;
        info.pixelFormat = GAN_RGB_COLOUR_IMAGE;
        info.channelType = GAN_UCHAR;
        info.size = QSize(4, 2);
        return info;
    }
    void vGetClipInfo(const char*, bool, unsigned int* first, unsigned int* last, TQ_INTERLACE_MODE*,
                      float* frameRate, const TQ::ColourspaceParameters&) override
    {
        *first = 1;
        *last = 12;
        *frameRate = 30.0f;
    }
    float getGamma(const QString&) const override { return 2.5f; }
    bool isColourspaceConversionEnabled() const override { return false; }

private:
    std::string m_extension;
    int m_kind;
};

} // namespace mediaiotest
