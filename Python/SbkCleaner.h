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

private:
    void* m_owner;
};
