#pragma once

#include "Project/wrappers/Enums.h"
#include "Project/wrappers/ImageData.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <boost/optional.hpp>

class PythonImageIO;

// The base of an image reader and writer written in Python. Built with a
// format description, it registers an adaptor (PythonImageIO) with the
// media library's router, which keeps it for the rest of the process and
// calls the operations below through it.
class AbstractImageIOModule : public QObject
{
    Q_OBJECT

public:
    // Serves nothing; nothing is registered.
    AbstractImageIOModule();
    // Registers a reader and writer of the files with these extensions (at
    // least one: VUVI_BadArgument otherwise, and nothing is registered)
    // that saves these pixel formats and channel types; a clip loader knows
    // the frames of its files by itself, a reader of image sequences reads
    // numbered stills.
    AbstractImageIOModule(const QString& format_name, const QStringList& extensions,
                          const QList<PixelFormat>& save_image_formats, const QList<ChannelType>& save_image_types,
                          bool is_clip_loader = false);
    // Leaves the adaptor registered: it answers for a gone module from then on.
    ~AbstractImageIOModule() override;

    virtual float get_fps(const QString& path) const;
    virtual float get_frame_count(const QString& path) const;
    virtual QVector<QString> get_stream_names(const QString& path) const;
    virtual QMap<QString, QVariant> get_metadata(const QString& path, int frame_number,
                                                 const QString& stream_name) const;
    virtual bool accepts_ext(const QString& extension) const = 0;
    virtual bool accepts_file(const QString& file_name) const = 0;
    virtual void load_image(ImageData image, const QString& path, int frame_number, const QString& stream_name) = 0;
    virtual void save_image(ImageData image, const QString& path) = 0;
    virtual boost::optional<float> get_gamma(const QString& file_name) const = 0;
    virtual bool supports_image(const QString& file_name, PixelFormat format, ChannelType pixels_type) const = 0;
    virtual PixelFormat pixel_format(const QString& file_name) const = 0;
    virtual ChannelType channel_type(const QString& file_name) const = 0;
    virtual boost::optional<InterlaceMode> get_interlace_mode(const QString& file_name) const = 0;
    virtual QSize image_size(const QString& file_name) = 0;

    // The adaptor registered for the module; null when built without arguments.
    PythonImageIO* imageIO() const { return m_imageIO; }

    // load_image and save_image, and whether they ran to their end.
    bool loadImageChecked(const ImageData& image, const QString& path, int frame_number, const QString& stream_name);
    bool saveImageChecked(const ImageData& image, const QString& path);

protected:
    // Tells the running loadImageChecked or saveImageChecked on this thread
    // that load_image or save_image did not run to its end (a subclass that
    // hands them on found nothing to hand them to, or saw them fail).
    static void reportUnfinishedTransfer();

private:
    PythonImageIO* m_imageIO = nullptr;
};
