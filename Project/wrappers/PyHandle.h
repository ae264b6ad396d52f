#pragma once

#include <Rirediro/ErrorHandling/VUVI_Error.h>

#include <QCoreApplication>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

class VUVI_ProjectManager;

namespace detail {
[[noreturn]] inline void throwInvalidObject()
{
    Rirediro::throwException<VUVI_BadState>(QCoreApplication::translate("PyHandle", "Invalid object"));
}
// Gives an object that a call makes its Qt parent, moved to the parent's
// thread (PyHelpers::giveParent). A parent that belongs to no thread takes
// none: VUVI_BadState "The parent belongs to another thread".
void giveParent(QObject& child, QObject* parent);
// The project by its own shared ownership, null once it is gone: a
// reference may stand for the application's project without owning it (see
// Project), and only the project's own owners keep it from being freed.
boost::shared_ptr<VUVI_ProjectManager> owningReference(const boost::weak_ptr<VUVI_ProjectManager>& project);
} // namespace detail

// Base of every API class that stands for a core object. It keeps only a
// weak reference: the core object may go away at any time, after which every
// access fails with "Invalid object".
template <typename T>
class PyHandle
{
public:
    PyHandle() = default;
    explicit PyHandle(const boost::shared_ptr<T>& object) : m_handledObject(object) {}

    // True when the core object is gone (or there never was one).
    virtual bool isNull() const { return !m_handledObject.lock(); }
    virtual ~PyHandle() = default;

    // The core object, kept alive for as long as the caller holds the result.
    boost::shared_ptr<T> handledObject() const
    {
        boost::shared_ptr<T> object = m_handledObject.lock();
        if (!object)
            detail::throwInvalidObject();
        return object;
    }

protected:
    boost::weak_ptr<T> m_handledObject;
};

template <>
class PyHandle<void>
{
public:
    // Locks a weak reference kept beside a handle, with the same failure.
    template <typename U>
    static boost::shared_ptr<U> fromWeakToShared(const boost::weak_ptr<U>& weak)
    {
        boost::shared_ptr<U> object = weak.lock();
        if (!object)
            detail::throwInvalidObject();
        return object;
    }
};

// A handle on an object of one project (a node of its layer tree, a contour,
// a control point): weak references to the object and to its project.
//
// Ids repeat between projects, so a call of one project that acts on an
// object by its id would act on its own object of the same id when handed
// another project's. Every such call takes the object through
// handledObjectIn, which asks the handle's project and refuses it: equality
// of handles (by id) does not tell projects apart.
template <typename T>
class ProjectHandle : public PyHandle<T>
{
public:
    ProjectHandle() = default;
    ProjectHandle(const boost::shared_ptr<T>& object, const boost::weak_ptr<VUVI_ProjectManager>& project)
        : PyHandle<T>(object), m_project(project)
    {
    }

    boost::weak_ptr<VUVI_ProjectManager> projectManager() const { return m_project; }
    // What a call on the handle keeps alive: the project, which a call that
    // only locks it for a step could otherwise free in the middle of its work.
    boost::shared_ptr<VUVI_ProjectManager> callOwner() const { return detail::owningReference(m_project); }

    // The object, for a call of `project`: "Invalid object" once the object
    // or its project is gone, VUVI_BadState "Object belongs to another
    // project" when it is not `project`'s.
    boost::shared_ptr<T> handledObjectIn(const VUVI_ProjectManager& project) const
    {
        boost::shared_ptr<T> object = this->handledObject();
        if (lockedProject().get() != &project)
            Rirediro::throwException<VUVI_BadState>(
                QCoreApplication::translate("PyHandle", "Object belongs to another project"));
        return object;
    }

protected:
    boost::shared_ptr<VUVI_ProjectManager> lockedProject() const { return PyHandle<void>::fromWeakToShared(m_project); }

    boost::weak_ptr<VUVI_ProjectManager> m_project;
};
