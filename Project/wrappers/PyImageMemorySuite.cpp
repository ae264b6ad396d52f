#include "PyImageMemorySuite.h"

#include "CacheInvalidator.h"
#include "ImageLocation.h"
#include "PyArrayObject.h"
#include "Python/PyHelpers.h"
#include "shiboken/binding/Lifetimes.h"

#include <Bsc/AtFork.h>
#include <Bsc/Logger.h>
#include <Rirediro/ErrorHandling/VUVI_CoreErrors.h>

#include <frameobject.h>

#include <QCoreApplication>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <utility>

namespace PyImageMemorySuite {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("PyImageMemorySuite", text);
}

// ---------------------------------------------------------------------------
// Links and the table of arrays

// What the bridge keeps for one image it has taken over: the hooks it stands
// in front of, the array that shows the pixels, and where they came from.
struct PixelArrayLink
{
    const Gan_MemoryHooks* previousHooks;
    void* previousData;
    Gan_Image* image;
    arrayobject* array = nullptr; // a strong reference
    bool ownsMemory = false;      // the pixel buffer is the array's own allocation
    ImageLocation location;
    bool adopting = false;    // the image is giving up its buffer for another array
    bool withdrawing = false; // the image gives up a buffer it does not own, for good
};

// What the bridge knows of an array that shows (or showed) image memory.
struct ArrayRecord
{
    PixelArrayLink* link = nullptr; // the image the array serves, none once it let go
    PyObject* deathWatch = nullptr; // a weak reference whose callback reports the death
    bool itemsBelongToImage = false; // the array must never free its items itself
    Gan_Image* keptBuffer = nullptr; // an image's buffer kept for the array, released at its death
    bool holdsExport = false;        // the bridge's export, which forbids resizing
};

class ArrayTable
{
public:
    bool find(arrayobject* array, ArrayRecord* record)
    {
        QMutexLocker locker(&m_lock);
        auto found = m_records.constFind(array);
        if (found == m_records.constEnd())
            return false;
        *record = *found;
        return true;
    }
    void store(arrayobject* array, const ArrayRecord& record)
    {
        QMutexLocker locker(&m_lock);
        m_records.insert(array, record);
    }
    ArrayRecord take(arrayobject* array)
    {
        QMutexLocker locker(&m_lock);
        return m_records.take(array);
    }
    // The array no longer serves an image.
    void unlink(arrayobject* array)
    {
        QMutexLocker locker(&m_lock);
        auto found = m_records.find(array);
        if (found != m_records.end())
            found->link = nullptr;
    }
    ImageLocation locationOf(arrayobject* array)
    {
        QMutexLocker locker(&m_lock);
        auto found = m_records.constFind(array);
        return found != m_records.constEnd() && found->link ? found->link->location : ImageLocation();
    }

    // The child of a fork has only the forking thread.
    void renewLockInChild() { Bsc::renewLock(m_lock); }

private:
    QMutex m_lock;
    QHash<arrayobject*, ArrayRecord> m_records;
};

ArrayTable& arrays()
{
    static ArrayTable table;
    return table;
}
const bool s_arraysFork = Bsc::onFork(nullptr, nullptr, [] { arrays().renewLockInChild(); });

// ---------------------------------------------------------------------------
// The interpreter

// The interpreter lock for Python work from a hook, which the image library
// may call on any thread, with or without the lock, even at or after the
// interpreter's end: the frame's, whose held() is false when Python objects
// must not be touched.
using PythonLock = Binding::RuntimeLock;

// The pending Python error as an exception of the core's family.
[[noreturn]] void throwPythonError(const QString& what)
{
    QString detail;
    PyObject *type = nullptr, *value = nullptr, *traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    if (PyObject* text = value ? PyObject_Str(value) : nullptr) {
        detail = QString::fromUtf8(PyUnicode_AsUTF8(text));
        Py_DECREF(text);
    }
    Py_XDECREF(type);
    Py_XDECREF(value);
    Py_XDECREF(traceback);
    PyErr_Clear();
    Rirediro::throwException<VUVI_OperationFailed>(__FILE__, __LINE__, what, detail.isEmpty() ? what : what + ": " + detail);
}

// ---------------------------------------------------------------------------
// Element writers

const char wrappedTypeCodes[] = "bBhHiIlLfd";
constexpr int wrappedTypeCount = sizeof(wrappedTypeCodes) - 1;

int pixelArraySetItem(arrayobject* array, Py_ssize_t index, PyObject* value);

// One wrapper per type code, made once and never freed: arrays that Python
// derives from a linked array (slices, copies) inherit it and may outlive
// every image.
struct ElementWriters
{
    const arraydescr* original[wrappedTypeCount] = {};
    arraydescr wrapped[wrappedTypeCount] = {};

    bool isWrapper(const arraydescr* descr) const
    {
        return descr >= wrapped && descr < wrapped + wrappedTypeCount;
    }
    const arraydescr* originalOf(const arraydescr* descr) const
    {
        return isWrapper(descr) ? original[descr - wrapped] : descr;
    }
    // Wraps once: an array that is linked again keeps its wrapper.
    const arraydescr* wrapperFor(const arraydescr* descr) const
    {
        for (int i = 0; i < wrappedTypeCount; ++i)
            if (original[i] == descr)
                return &wrapped[i];
        return descr;
    }
};

ElementWriters writers;
bool bridgeReady = false;

// Checks this interpreter's arrays and prepares the element writers, until
// that succeeds. False when the arrays differ from the mirror; false with
// the Python error set when the check could not run, to be made again.
bool ensureBridge()
{
    if (bridgeReady)
        return true;
    if (PyArrayLayout::arrayLayout() != PyArrayLayout::Layout::Matches)
        return false;
    ElementWriters prepared;
    PyObject* type = reinterpret_cast<PyObject*>(PyArrayLayout::arrayType());
    for (int i = 0; i < wrappedTypeCount; ++i) {
        PyObject* sample = PyObject_CallFunction(type, "C", int(wrappedTypeCodes[i]));
        if (!sample)
            return false;
        prepared.original[i] = reinterpret_cast<arrayobject*>(sample)->ob_descr;
        Py_DECREF(sample);
        prepared.wrapped[i] = *prepared.original[i];
        prepared.wrapped[i].setitem = pixelArraySetItem;
    }
    if (!bridgeReady) { // the samples ran Python code: another thread may have finished first
        writers = prepared;
        Binding::watchInterpreterEnd();
        bridgeReady = true;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Arrays over image memory

Py_ssize_t itemCount(const arrayobject* array, size_t bytes)
{
    const int itemSize = array->ob_descr->itemsize;
    return itemSize > 0 ? Py_ssize_t(bytes / size_t(itemSize)) : 0;
}

void pointArrayAt(arrayobject* array, void* buffer, size_t bytes)
{
    array->ob_item = static_cast<char*>(buffer);
    Py_SET_SIZE(array, itemCount(array, bytes));
    array->allocated = Py_SIZE(array);
}

// Buffers that Python code holds besides the bridge's own export.
bool hasForeignExports(const arrayobject* array, const ArrayRecord& record)
{
    return array->ob_exports > (record.holdsExport ? 1 : 0);
}

arrayobject* newEmptyArray(Gan_Type type)
{
    PyObject* array = PyObject_CallFunction(reinterpret_cast<PyObject*>(PyArrayLayout::arrayType()), "C",
                                            int(arrayTypeCode(type)));
    if (!array)
        throwPythonError(tr("Cannot create the pixel array"));
    return reinterpret_cast<arrayobject*>(array);
}

PyObject* onArrayDeath(PyObject* self, PyObject* weakReference);

PyMethodDef deathCallback = {"pixel_array_died", onArrayDeath, METH_O, nullptr};

// The record of an array about to serve an image: the one it has, or a new
// one with its death watch (the only step that can fail).
ArrayRecord prepareRecord(arrayobject* array)
{
    ArrayRecord record;
    if (arrays().find(array, &record))
        return record;
    PyObject* self = PyLong_FromVoidPtr(array);
    PyObject* callback = self ? PyCFunction_New(&deathCallback, self) : nullptr;
    Py_XDECREF(self);
    record.deathWatch = callback ? PyWeakref_NewRef(reinterpret_cast<PyObject*>(array), callback) : nullptr;
    Py_XDECREF(callback);
    if (!record.deathWatch)
        throwPythonError(tr("Cannot watch the pixel array"));
    return record;
}

// The array serves the link's image from now on. Cannot fail.
void commitArray(PixelArrayLink* link, arrayobject* array, ArrayRecord record, bool itemsBelongToImage)
{
    array->ob_descr = writers.wrapperFor(array->ob_descr);
    if (!record.holdsExport) {
        ++array->ob_exports;
        record.holdsExport = true;
    }
    record.link = link;
    record.itemsBelongToImage = itemsBelongToImage;
    Py_INCREF(array);
    link->array = array;
    arrays().store(array, record);
}

// An array's death (its weak-reference callback, run in the array's
// deallocation before its items are freed).
PyObject* onArrayDeath(PyObject* self, PyObject*)
{
    auto* array = static_cast<arrayobject*>(PyLong_AsVoidPtr(self));
    const ArrayRecord record = arrays().take(array);
    if (record.itemsBelongToImage)
        array->ob_item = nullptr; // never the array's to free
    if (record.keptBuffer) {
        // The buffer goes back to the image's own hooks; nothing may escape
        // into the interpreter's deallocation.
        try {
            gan_image_free(record.keptBuffer);
        } catch (...) {
            Bsc::Logger::writeToLog(QStringLiteral("A kept pixel buffer could not be released"), Bsc::Logger::Warning);
        }
    }
    // Safe here: the weak-reference machinery does not touch the reference
    // after its callback returns.
    Py_XDECREF(record.deathWatch);
    Py_RETURN_NONE;
}

// ---------------------------------------------------------------------------
// The hook table

const Gan_MemoryHooks& memorySuite();

PixelArrayLink* linkOf(Gan_Image* image)
{
    return static_cast<PixelArrayLink*>(image->hook_data);
}

// The hooks the bridge stands in front of, past any further layer of its own.
std::pair<const Gan_MemoryHooks*, void*> previousHooks(const PixelArrayLink* link)
{
    const Gan_MemoryHooks* hooks = link->previousHooks;
    void* data = link->previousData;
    while (hooks == &memorySuite()) {
        const auto* inner = static_cast<const PixelArrayLink*>(data);
        hooks = inner->previousHooks;
        data = inner->previousData;
    }
    return {hooks, data};
}

// Calls the previous hooks' hook at the same position, with the image
// showing them while it runs; the bridge's table is back afterwards, also
// when the call throws.
template <typename Call>
int passThrough(Gan_Image* image, Call call)
{
    PixelArrayLink* link = linkOf(image);
    const auto previous = previousHooks(link);
    struct Restore
    {
        Gan_Image* image;
        PixelArrayLink* link;
        ~Restore()
        {
            image->hooks = &memorySuite();
            image->hook_data = link;
        }
    } restore{image, link};
    image->hooks = previous.first;
    image->hook_data = previous.second;
    return previous.first ? call(previous.first) : GAN_HOOK_NO_TABLE;
}

// After the previous hooks may have moved the buffer.
void followImage(PixelArrayLink* link)
{
    arrayobject* array = link->array;
    const Gan_Image* image = link->image;
    if (array->ob_item != image->pix_data_ptr || Py_SIZE(array) != itemCount(array, image->pix_data_size))
        pointArrayAt(array, image->pix_data_ptr, image->pix_data_size);
}

using RowBlock = std::unique_ptr<unsigned char*[]>;

// Makes the row block that re-forming the image needs, when its own is too
// small (`rows` stays empty otherwise); the image owns it once re-formed.
// False when there is no memory for it.
bool reserveRows(const Gan_Image* image, RowBlock& rows)
{
    if (image->row_data_ptr && image->row_data_size >= image->height)
        return true;
    const size_t count = std::max<unsigned long>(image->height, 1);
    if (count > std::numeric_limits<size_t>::max() / sizeof(unsigned char*))
        return false;
    rows.reset(new (std::nothrow) unsigned char*[count]);
    return bool(rows);
}

// The image over another buffer, same layout with the smallest stride, rows
// in `rows` when given (see reserveRows); the ownership of the record, and
// of a row block kept, stays as it was. Cannot fail once the layout fits
// the buffer and the rows are reserved.
void reformOver(Gan_Image* image, void* buffer, size_t size, RowBlock rows)
{
    const int32_t releaseStruct = image->release_struct;
    const int32_t releaseRows = image->release_row_data;
    const size_t rowCount = rows ? std::max<unsigned long>(image->height, 1) : 0;
    gan_image_form_gen(image, image->format, image->type, image->height, image->width,
                       gan_image_min_stride(image->format, image->type, image->width, 0), false, buffer, size,
                       rows.get(), rowCount);
    image->release_struct = releaseStruct;
    // A new block is the library's to free with the image, as its own are.
    image->release_row_data = rows ? 1 : releaseRows;
    rows.release();
}

// A record that releases the image's current buffer through the previous
// hooks when it is freed: for an array that outlives the buffer's image.
Gan_Image* bufferKeeper(const PixelArrayLink* link)
{
    const Gan_Image* image = link->image;
    Gan_Image* keeper = gan_image_form_gen(nullptr, image->format, image->type, 0, 0, 0, false,
                                           image->pix_data_ptr, image->pix_data_size, nullptr, 0);
    if (!keeper)
        return nullptr;
    const auto previous = previousHooks(link);
    keeper->hooks = previous.first;
    keeper->hook_data = previous.second;
    return keeper;
}

// The image lets go of its buffer: its array either dies with it or keeps
// it. Returns true when the buffer is to be freed through the previous hooks
// now.
bool releaseArray(PixelArrayLink* link, const PythonLock& python)
{
    arrayobject* array = std::exchange(link->array, nullptr);
    if (!array)
        return !link->ownsMemory;
    arrays().unlink(array);
    if (!python.held())
        return !link->ownsMemory; // Python is gone: its objects and its allocator stay untouched

    ArrayRecord record;
    arrays().find(array, &record);
    if (link->ownsMemory) {
        // The buffer is the array's own: it lives and dies with the array.
        if (record.holdsExport) {
            --array->ob_exports;
            record.holdsExport = false;
        }
        record.itemsBelongToImage = false;
        arrays().store(array, record);
        Py_DECREF(array);
        return false;
    }
    if (Py_REFCNT(array) == 1) {
        Py_DECREF(array); // dies now, leaving its items alone
        return true;
    }
    if (link->withdrawing) {
        if (!hasForeignExports(array, record)) {
            // Shows nothing from now on; it stays unresizable, so that it
            // never allocates items that it would not free.
            pointArrayAt(array, nullptr, 0);
            arrays().store(array, record);
            Py_DECREF(array);
            return true;
        }
        Bsc::Logger::writeToLog(QStringLiteral("A buffer of pixel memory that Python keeps outlives its image"),
                                Bsc::Logger::Warning);
    }
    // Python still holds the array (itself, a memoryview, a numpy view): it
    // keeps the buffer until it dies. Without a keeper the buffer leaks
    // rather than leave the array over freed memory.
    record.keptBuffer = bufferKeeper(link);
    arrays().store(array, record);
    Py_DECREF(array);
    return false;
}

int hintHook(const Gan_MemoryHooks* hooks, int access, Gan_Image* image)
{
    if (!hooks)
        return GAN_HOOK_NO_TABLE;
    return passThrough(image, [&](const Gan_MemoryHooks* previous) { return previous->hint(previous, access, image); });
}

int resizeHook(const Gan_MemoryHooks* hooks, size_t size, Gan_Image* image)
{
    if (!hooks)
        return GAN_HOOK_NO_TABLE;
    PixelArrayLink* link = linkOf(image);
    PythonLock python;
    ArrayRecord record;
    if (python.held() && link->array && arrays().find(link->array, &record) && hasForeignExports(link->array, record))
        return GAN_HOOK_NO_MEMORY; // a memoryview or numpy view holds the current address

    if (link->ownsMemory) {
        // Python's allocator made the buffer; without the interpreter it cannot grow.
        const size_t span = gan_image_data_span(image->format, image->type, image->height, image->width,
                                                gan_image_min_stride(image->format, image->type, image->width, 0));
        RowBlock rows;
        if (!python.held() || !link->array || span > size || !reserveRows(image, rows))
            return GAN_HOOK_NO_MEMORY;
        void* block = PyMem_Realloc(link->array->ob_item, size);
        if (!block)
            return GAN_HOOK_NO_MEMORY;
        pointArrayAt(link->array, block, size);
        reformOver(image, block, size, std::move(rows));
        return GAN_HOOK_OK;
    }
    const int status =
        passThrough(image, [&](const Gan_MemoryHooks* previous) { return previous->resize(previous, size, image); });
    if (python.held() && link->array)
        followImage(link);
    return status;
}

int freeHook(const Gan_MemoryHooks* hooks, Gan_Image* image)
{
    if (!hooks)
        return GAN_HOOK_NO_TABLE;
    PixelArrayLink* link = linkOf(image);
    bool freeNow = !link->ownsMemory;
    if (link->array) {
        PythonLock python;
        freeNow = releaseArray(link, python);
    }
    int status = GAN_HOOK_OK;
    if (freeNow) {
        PyHelpers::ScopedPyThreadState unlocked; // core work: no need to keep other Python threads waiting
        status = passThrough(image, [&](const Gan_MemoryHooks* previous) { return previous->free_data(previous, image); });
    }
    image->pix_data_ptr = nullptr;
    image->pix_data_size = 0;
    if (link->adopting)
        return status; // the image takes another array's buffer next, under the same link
    // Later hooks on this image go to its own table again.
    image->hooks = link->previousHooks;
    image->hook_data = link->previousData;
    delete link;
    return status;
}

int lockOrUnlock(const Gan_MemoryHooks* hooks, Gan_Image* image,
                 int (*Gan_MemoryHooks::*hook)(const Gan_MemoryHooks*, Gan_Image*))
{
    if (!hooks)
        return GAN_HOOK_NO_TABLE;
    PixelArrayLink* link = linkOf(image);
    if (link->ownsMemory)
        return GAN_HOOK_OK; // the array's own memory never moves under the image
    const void* buffer = image->pix_data_ptr;
    const size_t size = image->pix_data_size;
    const int status = passThrough(image, [&](const Gan_MemoryHooks* previous) { return (previous->*hook)(previous, image); });
    // Python work only when the buffer really moved.
    if (link->array && (image->pix_data_ptr != buffer || image->pix_data_size != size)) {
        PythonLock python;
        if (python.held())
            followImage(link);
    }
    return status;
}

int lockHook(const Gan_MemoryHooks* hooks, Gan_Image* image)
{
    return lockOrUnlock(hooks, image, &Gan_MemoryHooks::lock);
}

int unlockHook(const Gan_MemoryHooks* hooks, Gan_Image* image)
{
    return lockOrUnlock(hooks, image, &Gan_MemoryHooks::unlock);
}

const Gan_MemoryHooks& memorySuite()
{
    static const Gan_MemoryHooks table = {hintHook, resizeHook, freeHook, lockHook, unlockHook};
    return table;
}

PixelArrayLink* installLink(Gan_Image* image)
{
    auto* link = new (std::nothrow) PixelArrayLink{image->hooks, image->hook_data, image};
    if (!link)
        Rirediro::throwException<VUVI_BadAlloc>(__FILE__, __LINE__, tr("Cannot link the image to Python"), {});
    image->hooks = &memorySuite();
    image->hook_data = link;
    return link;
}

PixelArrayLink* existingLink(Gan_Image* image)
{
    return image->hooks == &memorySuite() ? linkOf(image) : nullptr;
}

// Releases the image's current buffer through the release routine it
// carries, asked to release the buffer and nothing else; the bridge's free
// hook runs in adoption mode, so the image stays linked.
void releaseBufferForAdoption(Gan_Image* image, PixelArrayLink* link)
{
    struct Ownership
    {
        Gan_Image* image;
        PixelArrayLink* link;
        int32_t releasePixData = image->release_pix_data;
        int32_t releaseStruct = image->release_struct;
        int32_t releaseRows = image->release_row_data;
        void* owner = image->pix_data_owner;
        ~Ownership()
        {
            image->release_pix_data = releasePixData;
            image->release_struct = releaseStruct;
            image->release_row_data = releaseRows;
            image->pix_data_owner = owner;
            link->adopting = false;
        }
    } saved{image, link};
    image->release_pix_data = 1;
    image->release_struct = 0;
    image->release_row_data = 0;
    image->pix_data_owner = nullptr;
    link->adopting = true;
    gan_image_free(image);
    // A release routine of the image's own that left the buffer alone: the
    // buffer is still released, once.
    if (image->pix_data_ptr || link->array)
        freeHook(&memorySuite(), image);
}

int pixelArraySetItem(arrayobject* array, Py_ssize_t index, PyObject* value)
{
    const int status = writers.originalOf(array->ob_descr)->setitem(array, index, value);
    CacheInvalidator::instance().imageChanged(arrays().locationOf(array));
    return status;
}

} // namespace

char arrayTypeCode(Gan_Type type)
{
    static const QHash<int, char> codes = {
        {GAN_CHAR, 'b'}, {GAN_UCHAR, 'B'}, {GAN_SHORT, 'h'}, {GAN_USHORT, 'H'}, {GAN_INT, 'i'},
        {GAN_UINT, 'I'}, {GAN_LONG, 'l'},  {GAN_ULONG, 'L'}, {GAN_FLOAT, 'f'},  {GAN_DOUBLE, 'd'},
    };
    return codes.value(type, 'b');
}

void requireArrayBridge()
{
    if (ensureBridge())
        return;
    if (!PyErr_Occurred())
        Rirediro::throwException<VUVI_OperationFailed>(
            __FILE__, __LINE__, tr("The array module of this Python is not laid out as the image bridge expects"), {});
    // The check could not run this time; the next call makes it again.
    if (PyErr_ExceptionMatches(PyExc_MemoryError)) {
        PyErr_Clear();
        Rirediro::throwException<VUVI_BadAlloc>(__FILE__, __LINE__, tr("No memory to check the array module"), {});
    }
    throwPythonError(tr("Cannot check the array module of this Python"));
}

void linkImage(Gan_Image* image, const ImageLocation& location)
{
    PythonLock python;
    if (!python.held() || !image->pix_data_ptr)
        return;
    if (!ensureBridge()) {
        PyErr_Clear(); // whoever asks for the pixels meets the failure
        return;
    }
    PixelArrayLink* link = existingLink(image);
    if (!link)
        link = installLink(image);
    if (!link->array) {
        arrayobject* array = newEmptyArray(image->type);
        pointArrayAt(array, image->pix_data_ptr, image->pix_data_size);
        ArrayRecord record;
        try {
            record = prepareRecord(array);
        } catch (...) {
            array->ob_item = nullptr;
            Py_DECREF(array);
            throw;
        }
        commitArray(link, array, record, true);
        Py_DECREF(array);
    }
    if (location)
        link->location = location;
}

arrayobject* pixelArray(Gan_Image* image)
{
    requireArrayBridge();
    PixelArrayLink* link = existingLink(image);
    if (!link || !link->array) {
        linkImage(image, ImageLocation());
        link = existingLink(image);
    }
    return link ? link->array : nullptr;
}

PyObject* newOwningArray(Gan_Type type, void* buffer, size_t size)
{
    arrayobject* array;
    try {
        requireArrayBridge();
        array = newEmptyArray(type);
    } catch (...) {
        PyMem_Free(buffer);
        throw;
    }
    pointArrayAt(array, buffer, size);
    return reinterpret_cast<PyObject*>(array);
}

void adoptArray(Gan_Image* image, arrayobject* array)
{
    requireArrayBridge();
    const size_t bytes = size_t(Py_SIZE(array)) * size_t(array->ob_descr->itemsize);
    requireLayoutWithin(image, gan_image_min_stride(image->format, image->type, image->width, 0), bytes);
    PixelArrayLink* link = existingLink(image);
    if (link && link->array == array)
        return; // already the image's buffer
    ArrayRecord record;
    if (arrays().find(array, &record) && (record.link || record.itemsBelongToImage))
        Rirediro::throwException<VUVI_BadArgument>(__FILE__, __LINE__,
                                                   tr("Pixel data already belongs to another image"), {});
    // Whatever can fail runs while the image still has its own pixels.
    RowBlock rows;
    if (!reserveRows(image, rows))
        Rirediro::throwException<VUVI_BadAlloc>(__FILE__, __LINE__,
                                                tr("No memory for the rows of a %1-row image").arg(image->height), {});
    record = prepareRecord(array);
    if (!link)
        link = installLink(image);

    releaseBufferForAdoption(image, link);
    reformOver(image, array->ob_item, bytes, std::move(rows));
    link->ownsMemory = true;
    commitArray(link, array, record, false);
}

void requireLayoutWithin(Gan_ImageFormat format, Gan_Type type, unsigned long height, unsigned long width,
                         unsigned long stride, size_t bytes)
{
    if (!gan_image_layout_fits(format, type, height, width, stride, bytes))
        Rirediro::throwException<VUVI_BadSize>(
            __FILE__, __LINE__,
            tr("The image's layout needs %1 bytes of pixels, its buffer holds %2")
                .arg(gan_image_data_span(format, type, height, width, stride))
                .arg(bytes),
            {});
}

void requireLayoutWithin(const Gan_Image* image, unsigned long stride, size_t bytes)
{
    requireLayoutWithin(image->format, image->type, image->height, image->width, stride, bytes);
}

void withdrawPixels(Gan_Image* image)
{
    if (PixelArrayLink* link = existingLink(image)) {
        link->withdrawing = true;
        freeHook(&memorySuite(), image); // the image is unlinked afterwards
    }
    image->pix_data_ptr = nullptr;
    image->pix_data_size = 0;
}

bool canLendPixels(const Gan_Image& owner)
{
    return owner.hooks == gan_heap_memory_hooks() && owner.release_pix_data && !owner.pix_data_owner;
}

namespace {

// The owner lets go of its buffer, left to whoever holds it, and goes on
// over a copy made through its own table.
bool moveToCopy(Gan_Image& owner)
{
    void* lent = owner.pix_data_ptr;
    const size_t size = owner.pix_data_size;
    owner.pix_data_ptr = nullptr;
    owner.pix_data_size = 0;
    if (owner.hooks->resize(owner.hooks, size, &owner) != GAN_HOOK_OK || (size != 0 && !owner.pix_data_ptr)) {
        owner.pix_data_ptr = lent;
        owner.pix_data_size = size;
        return false;
    }
    if (size)
        std::memcpy(owner.pix_data_ptr, lent, size);
    auto* base = static_cast<unsigned char*>(owner.pix_data_ptr);
    for (size_t row = 0; owner.row_data_ptr && row < owner.row_data_size && row < owner.height; ++row)
        owner.row_data_ptr[row] = base + row * owner.stride;
    return true;
}

} // namespace

void endPixelLoan(Gan_Image* borrower, Gan_Image& owner)
{
    if (PixelArrayLink* link = existingLink(borrower)) {
        PythonLock python;
        ArrayRecord record;
        if (python.held() && link->array && arrays().find(link->array, &record)
            && hasForeignExports(link->array, record) && canLendPixels(owner) && moveToCopy(owner)) {
            // The lent buffer was the heap's: the array's keeper frees it there.
            link->previousHooks = gan_heap_memory_hooks();
            link->previousData = nullptr;
        }
    }
    withdrawPixels(borrower);
}

void clearCallerNames(arrayobject* array)
{
    PyFrameObject* frame = PyEval_GetFrame();
    if (!frame)
        return;
    if (PyFrame_FastToLocalsWithError(frame) < 0) {
        PyErr_Clear();
        return;
    }
    PyObject* locals = PyFrame_GetLocals(frame);
    if (locals && PyDict_Check(locals)) {
        PyObject* keys = PyDict_Keys(locals);
        for (Py_ssize_t i = 0; keys && i < PyList_GET_SIZE(keys); ++i) {
            PyObject* key = PyList_GET_ITEM(keys, i);
            if (PyDict_GetItem(locals, key) == reinterpret_cast<PyObject*>(array))
                PyDict_SetItem(locals, key, Py_None);
        }
        Py_XDECREF(keys);
    }
    Py_XDECREF(locals);
    PyErr_Clear();
    PyFrame_LocalsToFast(frame, 0);
}

void markChanged(Gan_Image* image)
{
    if (PixelArrayLink* link = existingLink(image))
        CacheInvalidator::instance().imageChanged(link->location);
}

} // namespace PyImageMemorySuite
