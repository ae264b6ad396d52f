#pragma once

// The image kit: the image and movie codecs and the image analysis kernels,
// in a library of their own (libplatform_imagekit.so, beside this library).
// Loading it and what it links (OpenImageIO, OpenCV, FFmpeg, GStreamer...)
// costs more than everything else the application links, so it is opened
// the first time a file is read or written or an image analysed, not when
// the application starts.

#include "Dururev/FrameImage.h"

#include <Gandalf/Matrix.h>

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace ImageKit {

using Place = std::function<void*(Dururev::FrameLayout& layout)>;

// What a file's header tells.
struct FileHeader
{
    bool movie = false;
    int width = 0;
    int height = 0;
    // As the file records it; 0 when it records none.
    float frameRate = 0.0f;
    // Frames of a movie; 1 for a still.
    int frames = 1;
};

// Encodes frames into a movie, in order.
class MovieEncoder
{
public:
    virtual ~MovieEncoder() = default;
    // The frame is 8-bit RGB of the movie's size; false when the encoder
    // refuses it.
    virtual bool write(const Dururev::FrameImage& frame) = 0;
    // Ends the movie; true when the file reads back with every frame
    // written. The encoder's own writes report no failure: a disk that
    // filled shows only here.
    virtual bool finish() = 0;
};

// Still images through OpenImageIO, movies through OpenCV's FFmpeg backend
// (OpenImageIO's FFmpeg reader corrupts memory on frames whose width is no
// multiple of 16). Paths read name files that exist.
class Codecs
{
public:
    virtual ~Codecs() = default;

    // Whether the file is a movie (its name tells) and its size.
    virtual bool readHeader(const QString& path, FileHeader& header) = 0;
    // The gamma a still records; 1 when it records none.
    virtual float gamma(const QString& path) = 0;
    // Frame `frame` (a still's subimage or a movie's frame; movies decode
    // as 8-bit RGB) decoded straight into the buffer `place` gives for the
    // layout it leaves, as Dururev::readFrameInto describes.
    virtual bool readInto(const QString& path, int frame, const Place& place) = 0;
    // A still in the format the extension of `path` names, encoded in
    // memory (the file is not touched); false when no format has that
    // extension or the format cannot take the image; false with
    // `unreadable` set when the format took it but what it wrote does not
    // read back whole (a writer that missed its own failed writes). No
    // codec's failure ends the process: the JPEG library's, which calls
    // exit(), is handled.
    virtual bool encode(const QString& path, const Dururev::FrameImage& image, QByteArray& bytes,
                        bool& unreadable) = 0;
    // Copies pixels of the layout `from` (rows `rowBytes`, pixels
    // `pixelBytes` apart) into the packed layout `to` of the same size and
    // at most as many channels, converting channel types as OpenImageIO does.
    virtual bool convert(const Dururev::FrameLayout& from, const void* pixels, std::size_t rowBytes,
                         std::size_t pixelBytes, const Dururev::FrameLayout& to, void* buffer) = 0;
    // Null when the movie cannot be made. The encoder writes the file at
    // `path` itself.
    virtual std::unique_ptr<MovieEncoder> openMovie(const QString& path, int width, int height,
                                                    double frameRate) = 0;
};

// Pixels the kernels read: 8-bit or float, 1, 3 or 4 channels, top row
// first, rows `rowBytes` apart.
struct Pixels
{
    Dururev::FrameLayout layout;
    const void* data = nullptr;
    std::size_t rowBytes = 0;
};

// Clip pixels, origin at the top-left corner, y down; a shape is a layer's
// closed contours, their insides united.
struct Point
{
    double x;
    double y;
};
using Polygon = std::vector<Point>;
using Shape = std::vector<Polygon>;

// Components from 0 to 1, in the frame's channel order.
struct Colour
{
    double red;
    double green;
    double blue;
};

// The image analysis of tracking and rendering (platform/core/imaging).
// Each render returns a new frame of the input's size and layout. What a
// kernel cannot take (a layout, a track that is not finite) throws
// std::invalid_argument.
class Kernels
{
public:
    struct TrackStep
    {
        Gan_Matrix33 track;
        bool measured;
    };
    struct MatteLayer
    {
        Shape shape;
        Gan_Matrix33 transform;
        Colour colour;
    };

    virtual ~Kernels() = default;

    // The track at `to` of `shape`, whose track at `from` is `trackFrom`.
    virtual TrackStep trackShape(const Pixels& from, const Pixels& to, const Shape& shape,
                                 const Gan_Matrix33& trackFrom) = 0;
    virtual Dururev::FrameImage insertPicture(const Pixels& frame, const Shape& shape, const Gan_Matrix33& track,
                                              const Pixels& picture) = 0;
    virtual Dururev::FrameImage insertColour(const Pixels& frame, const Shape& shape, const Gan_Matrix33& track,
                                             const Colour& colour) = 0;
    virtual Dururev::FrameImage stabilise(const Pixels& frame, const Gan_Matrix33& track) = 0;
    virtual Dururev::FrameImage fillShape(const Pixels& frame, const Shape& shape, const Gan_Matrix33& track) = 0;
    virtual Dururev::FrameImage rotateHorizon(const Pixels& frame, double degrees) = 0;
    // An 8-bit matte of 1 or 3 channels: black except where the layers are.
    virtual Dururev::FrameImage renderMatte(int width, int height, int channels,
                                            const std::vector<MatteLayer>& layers) = 0;
};

// What the library exports under EntryPoint: its codecs and kernels, which
// live as long as the process.
struct Entry
{
    Codecs* codecs;
    Kernels* kernels;
};
using EntryFunction = const Entry* (*)();
constexpr const char* LibraryFile = "libplatform_imagekit.so";
constexpr const char* EntryPoint = "platformImageKitEntry";

} // namespace ImageKit

namespace Dururev {

// The kit's parts, the library opened on first use (from any thread) and
// kept open, found beside the media library whatever the working folder.
// When it cannot be opened, the call throws the reason: through the
// registered throw function (Dururev.h) when there is one, else as
// std::runtime_error; the next call tries again.
ImageKit::Codecs& codecs();
ImageKit::Kernels& kernels();

} // namespace Dururev
