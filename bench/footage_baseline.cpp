// OpenImageIO's own read of footage, the baseline of bench/footage.py; it
// also writes the footage that both read.
//
//   footage_baseline write <folder> <frames>
//       writes <folder>/exr/plate.NNNN.exr (2048x1080 RGBA half, zip
//       compressed, as pipelines write it) and <folder>/png/plate.NNNN.png
//       (2048x1080 RGBA 8-bit), frames 1 to N
//   footage_baseline read <passes> <float|uint8> <file>...
//       reads every file, in the type asked, into one buffer that serves
//       every frame, then again each frame into a new buffer of its own;
//       prints the milliseconds per frame of both, a line per pass
//   footage_baseline first <float|uint8> <file>...
//       reads every file once, in the type asked, into one buffer, as a
//       process does that reads a sequence for the first time (the first
//       file's header is read before, as a clip reads it when it is made);
//       prints the milliseconds and the minor page faults per frame

#include <OpenImageIO/imageio.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace {

constexpr int Width = 2048;
constexpr int Height = 1080;
constexpr int Channels = 4;

// A smooth picture that moves from frame to frame, with a little grain so
// that it compresses as footage does.
float sample(int x, int y, int c, int frame, unsigned& seed)
{
    seed = seed * 1664525u + 1013904223u;
    const float grain = float(seed >> 8) / float(1u << 24) * 0.02f;
    if (c == 3)
        return 1.0f;
    const float phase = float(frame) * 0.1f + float(c);
    return 0.5f + 0.4f * std::sin(float(x) * 0.004f + phase) * std::cos(float(y) * 0.006f - phase) + grain;
}

bool writeFrame(const std::string& path, OIIO::TypeDesc type, const std::vector<float>& pixels)
{
    std::unique_ptr<OIIO::ImageOutput> output = OIIO::ImageOutput::create(path);
    OIIO::ImageSpec format(Width, Height, Channels, type);
    if (type == OIIO::TypeDesc::HALF)
        format.attribute("compression", "zip");
    const bool written = output && output->open(path, format) && output->write_image(OIIO::TypeDesc::FLOAT, pixels.data())
                         && output->close();
    if (!written)
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), OIIO::geterror().c_str());
    return written;
}

int write(const std::string& folder, int frames)
{
    std::filesystem::create_directories(folder + "/exr");
    std::filesystem::create_directories(folder + "/png");
    std::vector<float> pixels(std::size_t(Width) * Height * Channels);
    for (int frame = 1; frame <= frames; ++frame) {
        unsigned seed = unsigned(frame);
        std::size_t i = 0;
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                for (int c = 0; c < Channels; ++c)
                    pixels[i++] = sample(x, y, c, frame, seed);
        char name[32];
        std::snprintf(name, sizeof name, "plate.%04d", frame);
        if (!writeFrame(folder + "/exr/" + name + ".exr", OIIO::TypeDesc::HALF, pixels)
            || !writeFrame(folder + "/png/" + name + ".png", OIIO::TypeDesc::UINT8, pixels))
            return 1;
    }
    return 0;
}

// Reads every file once, each into `buffer` when one is given, else into a
// new buffer of its own; milliseconds per frame.
double readPass(const std::vector<std::string>& files, OIIO::TypeDesc type, std::vector<unsigned char>* buffer)
{
    const auto started = std::chrono::steady_clock::now();
    for (const std::string& file : files) {
        std::unique_ptr<OIIO::ImageInput> input = OIIO::ImageInput::open(file);
        if (!input) {
            std::fprintf(stderr, "cannot read %s: %s\n", file.c_str(), OIIO::geterror().c_str());
            std::exit(1);
        }
        const OIIO::ImageSpec& format = input->spec();
        const std::size_t bytes = std::size_t(format.width) * format.height * format.nchannels * type.size();
        std::unique_ptr<unsigned char[]> own;
        if (buffer)
            buffer->resize(bytes);
        else
            own.reset(new unsigned char[bytes]);
        if (!input->read_image(0, 0, 0, format.nchannels, type, buffer ? buffer->data() : own.get())) {
            std::fprintf(stderr, "cannot read %s: %s\n", file.c_str(), input->geterror().c_str());
            std::exit(1);
        }
    }
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - started;
    return elapsed.count() / double(files.size());
}

OIIO::TypeDesc typeNamed(const std::string& name)
{
    return name == "float" ? OIIO::TypeDesc::FLOAT : OIIO::TypeDesc::UINT8;
}

long minorFaults()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

int read(int passes, const std::string& typeName, const std::vector<std::string>& files)
{
    const OIIO::TypeDesc type = typeNamed(typeName);
    std::vector<unsigned char> buffer;
    for (int pass = 0; pass < passes; ++pass) {
        const double reused = readPass(files, type, &buffer);
        const double fresh = readPass(files, type, nullptr);
        std::printf("%.4f %.4f\n", reused, fresh);
    }
    return 0;
}

int readFirst(const std::string& typeName, const std::vector<std::string>& files)
{
    if (!OIIO::ImageInput::open(files.front())) {
        std::fprintf(stderr, "cannot read %s: %s\n", files.front().c_str(), OIIO::geterror().c_str());
        return 1;
    }
    std::vector<unsigned char> buffer;
    const long faults = minorFaults();
    const double milliseconds = readPass(files, typeNamed(typeName), &buffer);
    std::printf("%.4f %.1f\n", milliseconds, double(minorFaults() - faults) / double(files.size()));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "write") == 0)
        return write(argv[2], std::atoi(argv[3]));
    if (argc >= 5 && std::strcmp(argv[1], "read") == 0)
        return read(std::atoi(argv[2]), argv[3], std::vector<std::string>(argv + 4, argv + argc));
    if (argc >= 4 && std::strcmp(argv[1], "first") == 0)
        return readFirst(argv[2], std::vector<std::string>(argv + 3, argv + argc));
    std::fprintf(stderr, "usage: footage_baseline write <folder> <frames> | read <passes> <float|uint8> <file>... | "
                         "first <float|uint8> <file>...\n");
    return 2;
}
