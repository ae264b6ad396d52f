#pragma once

// Mix-in base of the API objects that Python holds by pointer: when the
// object dies, however that happens, its Python object becomes invalid.
class SbkCleaner
{
public:
    explicit SbkCleaner(void* owner) : m_owner(owner) {}
    SbkCleaner(const SbkCleaner&) = delete;
    SbkCleaner& operator=(const SbkCleaner&) = delete;
    virtual ~SbkCleaner();

    // Makes the Python object invalid now, ahead of the object's death: for
    // an object its owner has let go of, which lives on only for the calls
    // that still use it.
    void invalidatePythonObject();

private:
    void* m_owner;
};
