// plinx.mediaio.AbstractImageIOModule: the base of image readers and writers
// written in Python. The media library's calls reach the Python methods of
// the same names.

#include "plinx_mediaio_python.h"

using namespace Binding;

namespace {

class AbstractImageIOModuleWrapper : public QObjectWrapper<AbstractImageIOModule>
{
public:
    using QObjectWrapper::QObjectWrapper;

    float get_fps(const QString& path) const override
    {
        return route("get_fps", 0.0f, [&] { return AbstractImageIOModule::get_fps(path); }, path);
    }
    float get_frame_count(const QString& path) const override
    {
        return route("get_frame_count", 0.0f, [&] { return AbstractImageIOModule::get_frame_count(path); }, path);
    }
    QVector<QString> get_stream_names(const QString& path) const override
    {
        return route("get_stream_names", QVector<QString>(),
                     [&] { return AbstractImageIOModule::get_stream_names(path); }, path);
    }
    QMap<QString, QVariant> get_metadata(const QString& path, int frame_number,
                                         const QString& stream_name) const override
    {
        return route("get_metadata", VariantMap(),
                     [&] { return AbstractImageIOModule::get_metadata(path, frame_number, stream_name); }, path,
                     frame_number, stream_name);
    }
    bool accepts_ext(const QString& extension) const override { return route("accepts_ext", false, pure, extension); }
    bool accepts_file(const QString& file_name) const override
    {
        return route("accepts_file", false, pure, file_name);
    }
    void load_image(ImageData image, const QString& path, int frame_number, const QString& stream_name) override
    {
        if (!routeVoid("load_image", pure, image, path, frame_number, stream_name))
            reportUnfinishedTransfer();
    }
    void save_image(ImageData image, const QString& path) override
    {
        if (!routeVoid("save_image", pure, image, path))
            reportUnfinishedTransfer();
    }
    boost::optional<float> get_gamma(const QString& file_name) const override
    {
        return route("get_gamma", boost::optional<float>(), pure, file_name);
    }
    bool supports_image(const QString& file_name, PixelFormat format, ChannelType pixels_type) const override
    {
        return route("supports_image", false, pure, file_name, format, pixels_type);
    }
    PixelFormat pixel_format(const QString& file_name) const override
    {
        return route("pixel_format", GreyLevelFormat, pure, file_name);
    }
    ChannelType channel_type(const QString& file_name) const override
    {
        return route("channel_type", CharType, pure, file_name);
    }
    boost::optional<InterlaceMode> get_interlace_mode(const QString& file_name) const override
    {
        return route("get_interlace_mode", boost::optional<InterlaceMode>(), pure, file_name);
    }
    QSize image_size(const QString& file_name) override { return route("image_size", QSize(), pure, file_name); }
};

} // namespace

void init_AbstractImageIOModule(PyObject* module)
{
    using M = AbstractImageIOModule;
    ObjectClass<M, AbstractImageIOModuleWrapper> type(module);
    type.abstract();
    type.constructor(init<>(), init<const QString&, const QStringList&, const QList<PixelFormat>&,
                                    const QList<ChannelType>&, bool>("format_name", "extensions",
                                                                      "save_image_formats", "save_image_types",
                                                                      arg("is_clip_loader") = false));
    type.method("accepts_ext", &M::accepts_ext, "extension");
    type.method("accepts_file", &M::accepts_file, "file_name");
    type.method("channel_type", &M::channel_type, "file_name");
    type.method("get_fps", &M::get_fps, "path");
    type.method("get_frame_count", &M::get_frame_count, "path");
    type.method("get_gamma", &M::get_gamma, "file_name");
    type.method("get_interlace_mode", &M::get_interlace_mode, "file_name");
    type.method("get_metadata", &M::get_metadata, "path", "frame_number", "stream_name");
    type.method("get_stream_names", &M::get_stream_names, "path");
    type.method("image_size", &M::image_size, "file_name", resultText("PySide2.QtCore.QSize"));
    type.method("load_image", &M::load_image, "image", "path", "frame_number", "stream_name");
    type.method("pixel_format", &M::pixel_format, "file_name");
    type.method("save_image", &M::save_image, "image", "path");
    type.method("supports_image", &M::supports_image, "file_name", "format", "pixels_type");
    type.introduce();
}
