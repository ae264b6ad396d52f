// Images that outlive the interpreter: their hooks touch no Python object
// once it is gone, and still free each buffer once.

#include "BridgeTestSupport.h"

#include "Project/wrappers/ImageIOGlue.h"

namespace {

using namespace BridgeTest;

TEST(ImageBridgeShutdown, ImagesFreedAfterTheInterpreterEndedStillFreeTheirBuffers)
{
    RecordingHooks::journal() = RecordingHooks();
    Py_InitializeEx(0);
    auto held = std::make_unique<ImageData>(recordedImage(GAN_FLOAT, 4, 4), ImageLocation());
    auto unheld = std::make_unique<ImageData>(recordedImage(GAN_FLOAT, 4, 4), ImageLocation());
    {
        Namespace names;
        names.give("pixels", GlueHelpers::ImageIO::getPixelBuffer(held.get()));
        names.run("import sys\nsys.held_pixels = pixels()");
    }
    ASSERT_EQ(Py_FinalizeEx(), 0);

    Gan_Image* image = held->image();
    image->release_struct = 0; // kept to look at after the free
    held.reset();
    unheld.reset();
    EXPECT_EQ(RecordingHooks::journal().frees, 2);
    EXPECT_EQ(image->hooks, RecordingHooks::table());
    image->release_struct = 1;
    gan_image_free(image);
}

} // namespace
