#pragma once

#include <type_traits>

class QObject;

// Mix-in base of the API objects that Python holds by pointer: when the
// object dies, however that happens, its Python object becomes invalid, and
// a QObject leaves its Qt parent as every change of the API's object trees
// is made (PyHelpers::giveParent), whichever thread it dies on.
class SbkCleaner
{
public:
    template <typename Owner>
    explicit SbkCleaner(Owner* owner) : m_owner(owner)
    {
        if constexpr (std::is_base_of<QObject, Owner>::value)
            m_qobject = owner;
    }
    SbkCleaner(const SbkCleaner&) = delete;
    SbkCleaner& operator=(const SbkCleaner&) = delete;
    virtual ~SbkCleaner();

    // Makes the Python object invalid now, ahead of the object's death: for
    // an object its owner has let go of, which lives on only for the calls
    // that still use it.
    void invalidatePythonObject();

private:
    void* m_owner;
    QObject* m_qobject = nullptr;
};
