#include "AbstractImageIOModule.h"

#include "PythonImageIO.h"

#include <Rirediro/ErrorHandling/VUVI_CoreErrors.h>

#include <Dururev/Dururev.h>
#include <TQI/ImageIO_Router.h>

#include <utility>

namespace {

// Whether the transfer that runs on this thread has been reported unfinished.
thread_local bool t_transferUnfinished = false;

// Runs one transfer; whether it finished. A transfer nested in another
// (a module that reads through the library) keeps its own report.
template <typename Transfer>
bool runTransfer(Transfer&& transfer)
{
    struct Report
    {
        bool outer = std::exchange(t_transferUnfinished, false);
        ~Report() { t_transferUnfinished = outer; }
    } report;
    transfer();
    return !t_transferUnfinished;
}

} // namespace

AbstractImageIOModule::AbstractImageIOModule() = default;

AbstractImageIOModule::AbstractImageIOModule(const QString& format_name, const QStringList& extensions,
                                             const QList<PixelFormat>& save_image_formats,
                                             const QList<ChannelType>& save_image_types, bool is_clip_loader)
{
    if (extensions.isEmpty()) {
        const QString message = tr("The image format '%1' needs at least one file extension").arg(format_name);
        Rirediro::throwException<VUVI_BadArgument>("MediaIO/Helpers/AbstractImageIOModule", __LINE__, message,
                                                    message);
    }
    m_imageIO = new PythonImageIO(this, format_name, extensions, save_image_formats, save_image_types,
                                  is_clip_loader);
    Dururev::imageSuite(true)->registerModule(m_imageIO);
}

AbstractImageIOModule::~AbstractImageIOModule() = default;

float AbstractImageIOModule::get_fps(const QString&) const
{
    return 1.0f;
}

float AbstractImageIOModule::get_frame_count(const QString&) const
{
    return 1.0f;
}

QVector<QString> AbstractImageIOModule::get_stream_names(const QString&) const
{
    return {};
}

QMap<QString, QVariant> AbstractImageIOModule::get_metadata(const QString&, int, const QString&) const
{
    return {};
}

bool AbstractImageIOModule::loadImageChecked(const ImageData& image, const QString& path, int frame_number,
                                             const QString& stream_name)
{
    return runTransfer([&] { load_image(image, path, frame_number, stream_name); });
}

bool AbstractImageIOModule::saveImageChecked(const ImageData& image, const QString& path)
{
    return runTransfer([&] { save_image(image, path); });
}

void AbstractImageIOModule::reportUnfinishedTransfer()
{
    t_transferUnfinished = true;
}
