#pragma once

// The master point of a control point as Python reads and sets it, for
// both kinds of point.

#include "plinx_project_python.h"

// None, an XControlPoint or a BezierControlPoint, by the kind of the
// master's contour; a master of another kind reads as None.
PyObject* masterPointOf(const ShapeHandle<Rirediro::ControlPoint>& point);
// Makes `point` follow `master` (a control point of either kind, of the
// same project), or frees it for None; any other object fails the core's
// check "Wrong argument type" at `source` and `line`, changing nothing.
// None, or null with a Python error set.
PyObject* setMasterPoint(const ShapeHandle<Rirediro::ControlPoint>& point, PyObject* master, float time,
                         const View& view, bool lockTangents, const char* source, int line);
