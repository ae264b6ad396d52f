#include "PythonImageIO.h"

#include "AbstractImageIOModule.h"

#include "Project/wrappers/ImageData.h"
#include "Project/wrappers/ImageLocation.h"
#include "Project/wrappers/PyImageMemorySuite.h"
#include "Python/Bootstrap.h"
#include "Python/ExtensionCall.h"
#include "Python/PyHelpers.h"

#include <Rirediro/ErrorHandling/VUVI_Error.h>

#include <Dururev/Dururev.h>
#include <Gandalf/Image.h>
#include <Gandalf/ImageHeader.h>
#include <TQI/ImageSequenceIdentifier.h>

#include <sbkpython.h>

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace {

const char* const Source = "MediaIO/Helpers/PythonImageIO";

QString tr(const char* text)
{
    return QCoreApplication::translate("PythonImageIO", text);
}

// The module for one call, which runs Python from its start to its end:
// the interpreter lock held and the core lent (PyHelpers::PythonFromCore),
// the module held (PyHelpers::ExtensionCall), whatever Python drops or
// deletes meanwhile. A module gone, or asked to go, answers as a module
// without overrides.
class ModuleCall
{
public:
    explicit ModuleCall(const PyHelpers::ExtensionPointer<AbstractImageIOModule>& module) : m_module(module) {}

    AbstractImageIOModule* operator->() const { return m_module.operator->(); }
    explicit operator bool() const { return m_python.running() && bool(m_module); }

private:
    PyHelpers::PythonFromCore m_python;
    PyHelpers::ExtensionCall<AbstractImageIOModule> m_module;
};

template <typename T>
void setOutput(T* output, T value)
{
    if (output)
        *output = value;
}

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), int(text.size()));
}

[[noreturn]] void failTransfer(const char* text, const QString& path, const std::string& format)
{
    const QString message = QString::fromLatin1(text).arg(path, QString::fromStdString(format));
    Rirediro::throwException<VUVI_BadFile>(Source, __LINE__, message, tr(text).arg(path, QString::fromStdString(format)));
}

} // namespace

PythonImageIO::PythonImageIO(AbstractImageIOModule* module, const QString& format_name, const QStringList& extensions,
                             const QList<PixelFormat>& save_image_formats, const QList<ChannelType>& save_image_types,
                             bool is_clip_loader)
    : m_module(module)
{
    QList<Gan_ImageFormat> formats;
    for (PixelFormat format : save_image_formats)
        formats.append(Gan_ImageFormat(format));
    QList<Dururev::PixelType> types;
    for (ChannelType type : save_image_types)
        types.append(Dururev::PixelType(Gan_Type(type)));
    addImageFileFormatsSave(m_saveFormats, extensions, formats, types);

    m_patterns.insert(format_name, QLatin1Char('*') + extensions.join(QStringLiteral(";*")));

    m_info.name = format_name.toStdString();
    m_info.kind = is_clip_loader ? ClipLoader : SequenceReader;
    m_info.loadPatterns = m_patterns;
    m_info.savePatterns = m_patterns;
    m_info.defaultPattern = extensions.isEmpty() ? QString() : QLatin1Char('*') + extensions.first();
    m_info.saveFormats = &m_saveFormats;
}

PythonImageIO::~PythonImageIO() = default;

Dururev::ImageIOModule::Info PythonImageIO::info() const
{
    return m_info;
}

bool PythonImageIO::bAcceptExtension(std::string extension)
{
    // Inside the application, a reader on a worker thread lets other Python
    // threads run while the core works.
    std::optional<PyHelpers::ScopedPyThreadState> unlocked;
    if (isEmbedded())
        unlocked.emplace();
    ModuleCall module(m_module);
    return module && module->accepts_ext(fromUtf8(extension));
}

bool PythonImageIO::bAcceptFile(std::string path)
{
    std::optional<PyHelpers::ScopedPyThreadState> unlocked;
    if (isEmbedded())
        unlocked.emplace();
    ModuleCall module(m_module);
    return module && module->accepts_file(fromUtf8(path));
}

bool PythonImageIO::isValidClip(const std::string& path, bool findSequence, char* directory,
                                std::size_t directorySize, char* prefix, std::size_t prefixSize, char* suffix,
                                std::size_t suffixSize, unsigned int* first, unsigned int* last, unsigned int* digits,
                                TQ_INTERLACE_MODE* interlaceMode, float* frameRate, TQ_BOOL* isSequence,
                                const TQ::ColourspaceParameters&)
{
    const QString file = fromUtf8(path);
    if (!QFile::exists(file)) {
        if (!findSequence)
            return false;
        const std::size_t length = suffix ? strnlen(suffix, suffixSize) : 0;
        return bAcceptExtension(std::string(suffix ? suffix : "", length));
    }
    try {
        getClipInfoPrivate(file, findSequence, directory, directorySize, prefix, prefixSize, suffix, suffixSize,
                           first, last, digits, interlaceMode, frameRate, isSequence);
        return bAcceptFile(path);
    } catch (...) {
        return false;
    }
}

void PythonImageIO::openMovie(const TQ::MovieOpenParams&)
{
}

void PythonImageIO::vCloseMovie(const char*)
{
}

void PythonImageIO::loadImage(TQ::RichImage& image, Bsc::Striver&, const char* path,
                              const TQ::FootageContext& context, TQ_INTERLACE_MODE, bool, Gan_ImageFileFormat*,
                              Gan_ImageHeaderInfo*, const TQ::ColourspaceParameters&, Gan_Image*, Gan_Image*)
{
    const QString file = QString::fromUtf8(path ? path : "");
    PyHelpers::ScopedPyThreadState unlocked;
    bool loaded = false;
    {
        ModuleCall module(m_module);
        const int frame = int(context.frameNumber);
        if (module)
            image.metadata = module->get_metadata(file, frame, context.streamName);
        if (module) // a module that went meanwhile reads nothing
            loaded = module->loadImageChecked(ImageData(image.image, ImageLocation()), file, frame,
                                              context.streamName);
    }
    // A reader that left the image describing more than its pixels read nothing.
    if (!loaded || !image.image || !gan_image_fits_buffer(image.image.get()))
        failTransfer(QT_TRANSLATE_NOOP("PythonImageIO", "Cannot read '%1' through the image reader '%2'"), file,
                     m_info.name);
}

void PythonImageIO::saveImage(Gan_Image& image, const QString& path, const TQ::ImageSaveOptions&,
                              const TQ::ImageSaveContext&)
{
    PyHelpers::ScopedPyThreadState unlocked;
    bool saved = false;
    {
        ModuleCall module(m_module);
        // The module is given an image of its own over the core's pixels, no
        // copy, which lets go of them when the call ends: whatever Python
        // keeps of it no longer reaches the core's image. Pixels the core
        // could not hand over to a view Python keeps are lent as a copy.
        const bool lend = PyImageMemorySuite::canLendPixels(image);
        Bsc::detail::GanImage_Ptr<Gan_Image> shared(
            gan_image_form_gen(nullptr, image.format, image.type, image.height, image.width, image.stride, !lend,
                               lend ? image.pix_data_ptr : nullptr, lend ? image.pix_data_size : 0, nullptr, 0));
        if (shared && !lend && image.pix_data_ptr && shared->pix_data_ptr)
            std::memcpy(shared->pix_data_ptr, image.pix_data_ptr, std::min(image.pix_data_size, shared->pix_data_size));
        if (module && shared) {
            saved = module->saveImageChecked(ImageData(shared, ImageLocation()), path);
            if (lend)
                PyImageMemorySuite::endPixelLoan(shared.get(), image);
            else
                PyImageMemorySuite::withdrawPixels(shared.get());
        }
    }
    if (!saved)
        failTransfer(QT_TRANSLATE_NOOP("PythonImageIO", "Cannot write '%1' through the image writer '%2'"), path,
                     m_info.name);
}

TQ::TimeCode PythonImageIO::getTimeCode(const char*, unsigned int, TQ_INTERLACE_MODE)
{
    return TQ::TimeCode{0, 0, 0, -1};
}

bool PythonImageIO::bGetImageIOSupport(const char* fileName, Gan_ImageFormat format, Gan_Type type,
                                       const Gan_ImageHeaderInfo*)
{
    ModuleCall module(m_module);
    return module
           && module->supports_image(QString::fromUtf8(fileName ? fileName : ""), PixelFormat(format),
                                     ChannelType(type));
}

bool PythonImageIO::bGetFieldIOSupport(const char*)
{
    return false;
}

TQ::ImageInformation PythonImageIO::getImageInfo(const QString& path, unsigned int, const TQ::ColourspaceParameters&)
{
    TQ::ImageInformation info;
    {
        ModuleCall module(m_module);
        info.streamNames = module ? module->get_stream_names(path) : QVector<QString>();
        info.channelType = Gan_Type(module ? module->channel_type(path) : CharType);
        info.pixelFormat = Gan_ImageFormat(module ? module->pixel_format(path) : GreyLevelFormat);
        info.size = module ? module->image_size(path) : QSize();
    }
    info.channelTag = 10;
    gan_initialise_image_header_info(&info.header, info.pixelFormat, info.channelType);
    return info;
}

void PythonImageIO::vGetClipInfo(const char* path, bool findSequence, unsigned int* first, unsigned int* last,
                                 TQ_INTERLACE_MODE* interlaceMode, float* frameRate,
                                 const TQ::ColourspaceParameters&)
{
    const QString file = QString::fromUtf8(path ? path : "");
    // The parts of the path are never longer than the path.
    const std::size_t size = std::strlen(path ? path : "") + 1;
    std::vector<char> directory(size), prefix(size), suffix(size);
    unsigned int digits = 0;
    TQ_BOOL isSequence = TQ_FALSE;
    getClipInfoPrivate(file, findSequence, directory.data(), size, prefix.data(), size, suffix.data(), size, first,
                       last, &digits, interlaceMode, frameRate, &isSequence);
}

float PythonImageIO::getGamma(const QString& path) const
{
    ModuleCall module(m_module);
    const boost::optional<float> gamma = module ? module->get_gamma(path) : boost::none;
    return gamma ? *gamma : 1.0f;
}

bool PythonImageIO::isColourspaceConversionEnabled() const
{
    return false;
}

unsigned int PythonImageIO::lastFrameOf(float frameCount)
{
    if (std::isnan(frameCount) || frameCount <= 0.0f)
        return 0;
    if (frameCount >= 4294967296.0f)
        return 4294967295u;
    return unsigned(frameCount);
}

void PythonImageIO::getClipInfoPrivate(const QString& path, bool findSequence, char* directory,
                                       std::size_t directorySize, char* prefix, std::size_t prefixSize, char* suffix,
                                       std::size_t suffixSize, unsigned int* first, unsigned int* last,
                                       unsigned int* digits, TQ_INTERLACE_MODE* interlaceMode, float* frameRate,
                                       TQ_BOOL* isSequence) const
{
    TQI_ImageSequenceIdentifier identifier(m_info.name + "://" + path.toUtf8().toStdString(), true);

    if (m_info.kind == ClipLoader) {
        setOutput(interlaceMode, TQ_NOT_INTERLACED);
        setOutput(first, 1u);
        {
            ModuleCall module(m_module);
            setOutput(last, lastFrameOf(module ? module->get_frame_count(path) : 1.0f));
        }
        setOutput(digits, 0u);
        {
            ModuleCall module(m_module);
            setOutput(frameRate, module ? module->get_fps(path) : 1.0f);
        }
        setOutput(isSequence, TQ_FALSE);
        identifier.vGetDirPreSuf(directory, directorySize, prefix, prefixSize, suffix, suffixSize);
        return;
    }

    unsigned int found = 0;
    if (identifier.bIsValidImageSequence(findSequence, directory, directorySize, prefix, prefixSize, suffix,
                                         suffixSize, first, last, &found)) {
        setOutput(digits, found);
        boost::optional<InterlaceMode> mode;
        {
            ModuleCall module(m_module);
            if (module)
                mode = module->get_interlace_mode(path);
        }
        setOutput(interlaceMode, mode ? TQ_INTERLACE_MODE(*mode) : TQ_NOT_INTERLACED);
        setOutput(frameRate, 0.0f);
        setOutput(isSequence, found != 0 ? TQ_TRUE : TQ_FALSE);
        return;
    }
    setOutput(digits, found);

    // Reported through the media library's throw function when it has one;
    // an invalid sequence is an error all the same when it has none.
    const char* const text = QT_TRANSLATE_NOOP("PythonImageIO", "Invalid clip specified: %1");
    const QString message = QString::fromLatin1(text).arg(path);
    const QString translated = tr(text).arg(path);
    if (const Dururev::ThrowFunction report = Dururev::throwFunction())
        report(Source, 263, message, translated);
    Rirediro::throwException<VUVI_BadFile>(Source, 263, message, translated);
}
