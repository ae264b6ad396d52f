#pragma once

// A memory-hook table that does what the image library's heap table does and
// records every call, so that tests see which hooks ran, how often, and with
// which image; it can be told to refuse or to throw.

#include <Gandalf/Image.h>

#include <QStringList>

#include <cstring>
#include <new>
#include <stdexcept>

struct RecordingHooks
{
    QStringList calls;            // "hint 3", "resize 48", "free", "lock", "unlock"
    int frees = 0;
    Gan_Image* lastImage = nullptr;
    int resizeStatus = GAN_HOOK_OK; // answered instead of resizing, unless 0
    bool throwOnResize = false;
    bool moveOnLock = false; // a lock hands the image a new copy of its buffer, as a paging allocator may

    static RecordingHooks& journal()
    {
        static RecordingHooks instance;
        return instance;
    }

    static const Gan_MemoryHooks* table()
    {
        static const Gan_MemoryHooks hooks = {hint, resize, freeData, lock, unlock};
        return &hooks;
    }

    // Puts the table in place of the library's heap table on an image the
    // library allocated.
    static Gan_Image* install(Gan_Image* image)
    {
        image->hooks = table();
        image->hook_data = &journal();
        return image;
    }

    static Gan_Image* allocate(Gan_ImageFormat format, Gan_Type type, unsigned long height, unsigned long width)
    {
        return install(gan_image_alloc_gen(format, type, height, width));
    }

private:
    static RecordingHooks& note(Gan_Image* image, const QString& call)
    {
        RecordingHooks& self = journal();
        self.calls << call;
        self.lastImage = image;
        return self;
    }
    static int hint(const Gan_MemoryHooks* hooks, int access, Gan_Image* image)
    {
        note(image, QStringLiteral("hint %1").arg(access));
        return gan_heap_memory_hooks()->hint(hooks ? gan_heap_memory_hooks() : nullptr, access, image);
    }
    static int resize(const Gan_MemoryHooks* hooks, size_t size, Gan_Image* image)
    {
        RecordingHooks& self = note(image, QStringLiteral("resize %1").arg(size));
        if (self.throwOnResize)
            throw std::runtime_error("resize refused by the test");
        if (self.resizeStatus != GAN_HOOK_OK)
            return self.resizeStatus;
        return gan_heap_memory_hooks()->resize(hooks ? gan_heap_memory_hooks() : nullptr, size, image);
    }
    static int freeData(const Gan_MemoryHooks* hooks, Gan_Image* image)
    {
        ++note(image, QStringLiteral("free")).frees;
        return gan_heap_memory_hooks()->free_data(hooks ? gan_heap_memory_hooks() : nullptr, image);
    }
    static int lock(const Gan_MemoryHooks* hooks, Gan_Image* image)
    {
        if (note(image, QStringLiteral("lock")).moveOnLock && image->pix_data_ptr) {
            void* moved = ::operator new(image->pix_data_size);
            std::memcpy(moved, image->pix_data_ptr, image->pix_data_size);
            ::operator delete(image->pix_data_ptr);
            image->pix_data_ptr = moved;
        }
        return gan_heap_memory_hooks()->lock(hooks ? gan_heap_memory_hooks() : nullptr, image);
    }
    static int unlock(const Gan_MemoryHooks* hooks, Gan_Image* image)
    {
        note(image, QStringLiteral("unlock"));
        return gan_heap_memory_hooks()->unlock(hooks ? gan_heap_memory_hooks() : nullptr, image);
    }
};
