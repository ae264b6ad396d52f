#include "master_points.h"

#include "Project/wrappers/PointConstraint.h"

#include <Rirediro/ErrorHandling/VUVI_ErrorDetector.h>
#include <Rirediro/Layers/Contour.h>
#include <Rirediro/Layers/ControlPoint.h>

using namespace Binding;

namespace {

// A handle copied out of a Python object of type T, if it is one.
template <typename T>
bool copyHandle(PyObject* object, boost::optional<T>& out)
{
    if (!PyObject_TypeCheck(object, pyType<T>()))
        return false;
    if (Shiboken::Object::isValid(object, true))
        out = *cppPointer<T>(object);
    return true;
}

} // namespace

PyObject* masterPointOf(const ShapeHandle<Rirediro::ControlPoint>& point)
{
    boost::optional<XControlPoint> xspline;
    boost::optional<BezierControlPoint> bezier;
    withoutLock([&] {
        const boost::shared_ptr<Rirediro::ControlPoint> master = Python::masterPointOf(*point.handledObject());
        const boost::shared_ptr<Rirediro::Contour> contour = master ? master->contour() : nullptr;
        if (contour && contour->kind() == Rirediro::Contour::XSpline)
            xspline = XControlPoint(master, point.projectManager());
        else if (contour && contour->kind() == Rirediro::Contour::Bezier)
            bezier = BezierControlPoint(master, point.projectManager());
    });
    if (xspline)
        return toPython(*xspline);
    if (bezier)
        return toPython(*bezier);
    Py_RETURN_NONE;
}

PyObject* setMasterPoint(const ShapeHandle<Rirediro::ControlPoint>& point, PyObject* master, float time,
                         const View& view, bool lockTangents, const char* source, int line)
{
    boost::optional<BezierControlPoint> bezier;
    boost::optional<XControlPoint> xspline;
    const bool known = copyHandle(master, bezier) || copyHandle(master, xspline);
    if (PyErr_Occurred())
        return nullptr; // a deleted Python object
    const bool none = master == Py_None;
    withoutLock([&] {
        const boost::shared_ptr<Rirediro::ControlPoint> follower = point.handledObject();
        const boost::shared_ptr<VUVI_ProjectManager> project = PyHandle<void>::fromWeakToShared(point.projectManager());
        boost::shared_ptr<Rirediro::ControlPoint> leader;
        if (bezier)
            leader = bezier->handledObjectIn(*project);
        else if (xspline)
            leader = xspline->handledObjectIn(*project);
        else if (!known && !none)
            VUVI_ErrorDetector::instance()->checkNotNull(false, QString::fromLatin1(source), line,
                                                         QStringLiteral("false"), QStringLiteral("Wrong argument type"));
        const Prm::Context context = Python::contextOf(time, view);
        Python::setPointConstraint(leader, follower, project.get(), context, lockTangents);
    });
    Py_RETURN_NONE;
}
