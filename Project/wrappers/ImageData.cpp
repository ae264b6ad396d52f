#include "ImageData.h"

#include "ImageLocation.h"
#include "PyArrayObject.h"
#include "PyImageMemorySuite.h"

#include <Rirediro/ErrorHandling/VUVI_CoreErrors.h>
#include <Rirediro/ErrorHandling/VUVI_ErrorDetector.h>

#include <QCoreApplication>

namespace {

const char* const Source = "../Project/wrappers/ImageData";

QString tr(const char* text)
{
    return QCoreApplication::translate("PyImageMemorySuite", text);
}

} // namespace

ImageData::ImageData() = default;

ImageData::ImageData(Bsc::detail::GanImage_Ptr<Gan_Image> image, ImageLocation location)
    : m_image(std::move(image))
{
    if (m_image)
        PyImageMemorySuite::linkImage(m_image.get(), location);
}

ImageData::~ImageData() = default;

bool ImageData::isNull() const
{
    return !m_image;
}

unsigned long ImageData::get_width() const
{
    return m_image ? m_image->width : 0;
}

unsigned long ImageData::get_height() const
{
    return m_image ? m_image->height : 0;
}

PixelFormat ImageData::get_pixel_format() const
{
    return m_image ? PixelFormat(m_image->format) : UndefinedFormat;
}

ChannelType ImageData::get_channel_type() const
{
    return m_image ? ChannelType(m_image->type) : UndefinedType;
}

void ImageData::set_width(unsigned long width)
{
    requireImage()->width = width;
}

void ImageData::set_height(unsigned long height)
{
    requireImage()->height = height;
}

void ImageData::set_pixel_format(PixelFormat format)
{
    requireImage()->format = Gan_ImageFormat(format);
}

void ImageData::set_channel_type(ChannelType type)
{
    requireImage()->type = Gan_Type(type);
}

void ImageData::flip()
{
    Gan_Image* image = requireImage();
    PyImageMemorySuite::requireLayoutWithin(image, image->stride, image->pix_data_size);
    if (!gan_image_flip_q(image, false, image))
        Rirediro::throwException<VUVI_GandalfError>(Source, __LINE__, tr("Cannot flip the image"), {});
}

PyObject* ImageData::pixels()
{
    if (!m_image)
        return nullptr;
    // An image without memory has no array; one whose description overruns
    // its memory shows none.
    if (m_image->pix_data_ptr)
        PyImageMemorySuite::requireLayoutWithin(m_image.get(), m_image->stride, m_image->pix_data_size);
    arrayobject* array = PyImageMemorySuite::pixelArray(m_image.get());
    if (!array)
        return nullptr;
    PyObject* reference = PyWeakref_NewRef(reinterpret_cast<PyObject*>(array), nullptr);
    if (!reference) {
        PyErr_Clear();
        Rirediro::throwException<VUVI_BadAlloc>(Source, __LINE__, tr("Cannot refer to the pixel array"), {});
    }
    return reference;
}

PyObject* ImageData::flippedPixels() const
{
    if (!m_image)
        return nullptr;
    Gan_Image* source = m_image.get();
    PyImageMemorySuite::requireLayoutWithin(source, source->stride, source->pix_data_size);
    PyImageMemorySuite::requireArrayBridge();

    const size_t size = source->pix_data_size;
    void* buffer = PyMem_Malloc(size);
    if (!buffer)
        Rirediro::throwException<VUVI_BadAlloc>(Source, __LINE__, tr("No memory for a copy of the pixels"), {});
    {
        // A second image over the new buffer, released again once filled:
        // the buffer goes to the array.
        Bsc::detail::GanImage_Ptr<Gan_Image> flipped(gan_image_form_gen(nullptr, source->format, source->type,
                                                                         source->height, source->width,
                                                                         source->stride, false, buffer, size,
                                                                         nullptr, 0));
        if (flipped)
            flipped->tag = source->tag;
        if (!flipped || !gan_image_flip_q(source, false, flipped.get())) {
            PyMem_Free(buffer);
            Rirediro::throwException<VUVI_GandalfError>(Source, __LINE__, tr("Cannot flip the image"), {});
        }
    }
    return PyImageMemorySuite::newOwningArray(source->type, buffer, size);
}

void ImageData::setPixels(arrayobject* newArray)
{
    Gan_Image* image = requireImage();
    PyImageMemorySuite::requireArrayBridge();

    const char typecode = PyImageMemorySuite::arrayTypeCode(image->type);
    const size_t size = image->pix_data_size;
    VUVI_ErrorDetector* detector = VUVI_ErrorDetector::instance();
    detector->check(newArray->ob_descr->typecode == typecode, Source, 472, "newArray->ob_descr->typecode == typecode",
                    tr("Expected array type code is '%1', got '%2'")
                        .arg(QChar(typecode))
                        .arg(QChar(newArray->ob_descr->typecode)));
    // In bytes, whatever the item size: Python counts an array's items.
    const size_t bytes = size_t(Py_SIZE(newArray)) * size_t(newArray->ob_descr->itemsize);
    detector->check(bytes == size, Source, 475,
                    "size_t( Py_SIZE( newArray ) ) * newArray->ob_descr->itemsize == size",
                    tr("Expected array size in bytes is '%1', got '%2'").arg(size).arg(bytes));

    PyImageMemorySuite::adoptArray(image, newArray);
    PyImageMemorySuite::clearCallerNames(newArray);
    PyImageMemorySuite::markChanged(image);
}

Gan_Image* ImageData::requireImage() const
{
    if (!m_image)
        Rirediro::throwException<VUVI_BadState>(Source, __LINE__, tr("The image data holds no image"), {});
    return m_image.get();
}
