#pragma once

// The binding frame: every Python type and function of the package plinx is
// declared on it, member by member, and it does the rest (argument counts
// and keywords with the system's texts, overload decision, conversions, the
// interpreter lock, exception translation, ownership, signature texts,
// property folding, routing of virtual calls to Python overrides).
//
// ADDING A TYPE: one binding file and one line in the module's type list.
//
// 1. In the module header (shiboken/plinx/<module>/plinx_<module>_python.h)
//    add `type(Layer)` to the type list, at the place where the module
//    introduces it (bases before derived classes). The class is ::Layer, its
//    Python name "Layer"; the compiler numbers the slot. The header must
//    include the API class's header.
// 2. Write shiboken/plinx/<module>/layer_wrapper.cpp defining
//    `void init_Layer(PyObject* module)`:
//
//     #include "plinx_project_python.h"
//
//     using namespace Binding;
//
//     // Routes the virtual operations that Python may override.
//     class LayerWrapper : public Wrapper<Layer>
//     {
//     public:
//         using Wrapper::Wrapper;
//         bool isNull() const override { return route("isNull", false, [&] { return Layer::isNull(); }); }
//     };
//
//     void init_Layer(PyObject* module)
//     {
//         ValueClass<Layer, LayerWrapper> type(module);    // or ObjectClass<Clip> (by pointer)
//         type.constructor(init<const Layer&>("Layer"));
//         type.method("in_point", &Layer::in_point, arg("view", "View( 0 )") = [] { return View(0); });
//         type.method("isNull", &Layer::isNull);
//         type.method("set_parent", &Layer::set_parent, "group", arg("index") = 0u);
//         type.method("tracking_input_clip", &Layer::tracking_input_clip, arg("use_linked_layer") = false);
//         type.property("name", &Layer::get_name, &Layer::set_name);
//         type.property("parent", named("get_parent_group", parentGroup),
//                       named("set_parent_group", setParentGroup), "arg__1");
//         type.property("contours", [](const Layer& l) { return contoursOf(l); }, resultText("PySequence"));
//         type.truth([](const Layer& l) { return !l.isNull(); });
//         type.hash();
//         type.compare<Equal | NotEqual>();
//         type.introduce();
//     }
//
// What a declaration can say:
// - Parameters: a plain name is required; arg("n") = value has a default
//   (a lambda default is evaluated at each call; give its text:
//   arg("view", "View()") = [] { return View(); }). Only parameters with a
//   default may come by keyword.
// - Overloads: method("relink", overload(f0, ...), overload(f1, ...)),
//   tried in the given order. constructor(init<Args...>(names...), ...).
// - Extras among the parameters: keepLock / releaseLock (the class's
//   defaultLock otherwise, which is released: value records whose members
//   touch only their own fields say type.defaultLock(keepLock); a PyObject*
//   parameter or result always keeps the lock), resultOwnedByPython,
//   resultOwnedByCpp, resultChildOfSelf, noneWhenNull,
//   argumentOwnedByCpp<1>, argumentChildOfSelf<1>, resultText("...").
// - Properties: property(name, getter[, setter[, "setter_parameter"]]) makes
//   the methods get_<name>/set_<name> (or named(...)) with their signature
//   lines and folds them into a Python property. Public data fields:
//   field("pos", &InputEvent::pos, expects("QPointF")).
// - Slots, one line each: repr, str, hash, compare<Ops>, truth, length,
//   subscript (the callable takes the object and a PyObject* key).
// - Kinds: ValueClass<T, W> crosses by copy and has __copy__; ObjectClass<T,
//   W> crosses by pointer (a QObject class derives from QtCore.QObject and
//   gets its signals and QObject's routed virtual operations); .base<B>()
//   names a bound base (several for multiple inheritance); .abstract()
//   refuses to build the class itself; Namespace(module, owner, "GPU")
//   holds static functions only.
// - Virtual operations: the wrapper class routes each with one line
//   (Overrides.h); a bound method called from Python on an object that
//   Python built runs the class's own implementation, so that an override
//   calling its base method does not call itself again.
// - Enumerations: `type(InterlaceMode)` in the list and
//   init_InterlaceMode calling enumeration<InterlaceMode>(module, {...}).
// - Conversions without a type of their own: a line in the module's
//   conversion list and registerConversion(module, Converter::Name, ...).
//
// A type whose list line has no init_ function fails to link; a property
// whose accessor does not exist fails to compile; in debug builds the
// module's start-up checks that every listed slot was filled exactly once.

#include "Containers.h"
#include "Conversions.h"
#include "Functions.h"
#include "Module.h"
#include "Overrides.h"
#include "QObjects.h"
#include "Types.h"
