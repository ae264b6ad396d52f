// The declarations of the test-only module bindingprobe.

#include "probe_python.h"

using namespace Binding;

BINDING_MODULE_STORAGE(bindingprobe)

namespace {

// Both virtual operations of a shape reach Python overrides.
template <typename T>
class ShapeRouting : public Wrapper<T>
{
public:
    using Wrapper<T>::Wrapper;
    QString name() const override { return this->route("name", QString(), [&] { return T::name(); }); }
    void draw(int times) override { this->m_ranToEnd = this->routeVoid("draw", [&] { T::draw(times); }, times); }
    QSize bounds() const override { return this->route("bounds", QSize(), [&] { return T::bounds(); }); }
    QMap<QString, QVariant> tags() const override
    {
        return this->route("tags", QMap<QString, QVariant>(), [&] { return T::tags(); });
    }
    QVector<QString> labels() const override
    {
        return this->route("labels", QVector<QString>(), [&] { return T::labels(); });
    }
};

class ShapeWrapper : public ShapeRouting<Shape>
{
public:
    using ShapeRouting::ShapeRouting;
    double area() const override { return route("area", 0.0, pure); }
    void reset() override { m_ranToEnd = routeVoid("reset", pure); }
};

template <typename T>
class ConcreteShapeWrapper : public ShapeRouting<T>
{
public:
    using ShapeRouting<T>::ShapeRouting;
    double area() const override { return this->route("area", 0.0, [&] { return T::area(); }); }
    void reset() override { this->m_ranToEnd = this->routeVoid("reset", [&] { T::reset(); }); }
};

template <typename Container>
void registerContainer(bindingprobe::Converter slot, PyTypeObject* pythonType)
{
    registerConversion(bindingprobe::module, slot, pythonType, &Container::toPython,
                       {{&Container::toCpp, &Container::isConvertible}});
}

// OptionalSize: a QSize or None.
PyObject* optionalSizeToPython(const void* in)
{
    const auto& size = *static_cast<const boost::optional<QSize>*>(in);
    if (!size)
        Py_RETURN_NONE;
    return Conversion<QSize>::toPython(*size);
}
void sizeToOptional(PyObject* in, void* out)
{
    QSize size;
    Shiboken::Conversions::pythonToCppCopy(Conversion<QSize>::converter(), in, &size);
    *static_cast<boost::optional<QSize>*>(out) = size;
}
PythonToCppFunc isSizeForOptional(PyObject* in)
{
    return PyObject_TypeCheck(in, Conversion<QSize>::pythonType()) ? &sizeToOptional : nullptr;
}
void noneToOptionalSize(PyObject*, void* out)
{
    *static_cast<boost::optional<QSize>*>(out) = boost::none;
}
PythonToCppFunc isNoneForOptionalSize(PyObject* in)
{
    return in == Py_None ? &noneToOptionalSize : nullptr;
}

} // namespace

void init_Sample(PyObject* module)
{
    ValueClass<Sample> type(module);
    type.defaultLock(keepLock);
    type.constructor(init<>(), init<const QString&, int>("text", arg("count") = 0));
    type.property("text", &Sample::get_text, &Sample::set_text);
    type.property("count", &Sample::get_count, &Sample::set_count, "value");
    type.field("origin", &Sample::origin);
    type.field("limit", &Sample::limit, expects("QSize or None"));
    type.property("twice", named("count_twice", [](const Sample& sample) { return sample.get_count() * 2; }),
                  resultText("int"));
    type.method("or_none", [](const Sample& sample) { return sample; }, noneWhenNull);
    type.method("scaled", overload(&Sample::scaledByRatio, "numerator", arg("denominator") = 1),
                overload(&Sample::scaledBy, "factor"));
    type.method("describe", &Sample::describe, arg("prefix") = QString(), arg("width") = 0, arg("upper") = false);
    type.method("lock_held", [](const Sample&) { return lockHeld(); });
    type.method("lock_held_released", [](const Sample&) { return lockHeld(); }, releaseLock);
    type.method("identity", [](const Sample&, PyObject* object) { return Py_NewRef(object); }, "object");
    type.method("lock_held_without", [](const Sample&, PyObject*) { return withoutLock(&lockHeld); }, "object");
    // Reads the sample on both sides of a call into Python (which may delete it).
    type.method("text_around",
                [](const Sample& sample, PyObject* callback) {
                    const QString before = sample.get_text();
                    Py_XDECREF(PyObject_CallNoArgs(callback));
                    PyErr_Clear();
                    return before + sample.get_text();
                },
                "callback");
    type.method("paired",
                [](const Sample& sample, const ProbeCountAndText& pair) {
                    return ProbeCountAndText(pair.first * sample.get_count(), pair.second + sample.get_text());
                },
                "pair");
    type.compare<Equal>();
    type.introduce();
}

void init_Shape(PyObject* module)
{
    ObjectClass<Shape, ShapeWrapper> type(module);
    type.abstract();
    type.constructor(init<>());
    type.method("area", &Shape::area);
    type.method("name", &Shape::name);
    type.method("describe", &Shape::describe);
    type.method("draw", &Shape::draw, "times");
    type.method("reset", &Shape::reset);
    type.method("bounds", &Shape::bounds);
    type.method("tags", &Shape::tags);
    type.method("labels", &Shape::labels);
    type.introduce();
}

void init_Square(PyObject* module)
{
    ObjectClass<Square, ConcreteShapeWrapper<Square>> type(module);
    type.base<Shape>();
    type.constructor(init<double>(arg("side") = 1.0));
    type.introduce();
}

void init_Circle(PyObject* module)
{
    ObjectClass<Circle, ConcreteShapeWrapper<Circle>> type(module);
    type.base<Shape>();
    type.constructor(init<double>(arg("radius") = 1.0));
    type.introduce();
}

void init_Blank(PyObject* module)
{
    ObjectClass<Blank> type(module);
    type.constructor(init<>(ignoresArguments));
    type.introduce();
}

void init_Labelled(PyObject* module)
{
    ObjectClass<Labelled> type(module);
    type.constructor(init<>());
    type.property("label", &Labelled::get_label, &Labelled::set_label);
    type.introduce();
}

void init_Tile(PyObject* module)
{
    ObjectClass<Tile, ConcreteShapeWrapper<Tile>> type(module);
    type.base<Labelled>();
    type.base<Shape>();
    type.constructor(init<>());
    type.introduce();
}

void init_Canvas(PyObject* module)
{
    ObjectClass<Canvas> type(module);
    type.constructor(init<>());
    type.method("add", &Canvas::add, "shape", argumentOwnedByCpp<1>);
    type.method("adopt", &Canvas::add, "shape", argumentChildOfSelf<1>);
    type.method("at", &Canvas::at, "index");
    type.method("first", [](const Canvas& canvas) { return canvas.at(0); }, resultChildOfSelf);
    type.method("take", &Canvas::take, "index", resultOwnedByPython);
    type.method("count", &Canvas::count);
    type.method("describe_all", &Canvas::describeAll);
    type.method("lock_held", [](const Canvas&) { return lockHeld(); });
    type.method("lock_held_with", [](const Canvas&, PyObject*) { return lockHeld(); }, "object");
    type.method("lock_held_with_type", [](const Canvas&, PyTypeObject*) { return lockHeld(); }, "type");
    type.method("type_name", [](const Canvas&, PyTypeObject* type) { return QString::fromUtf8(type->tp_name); },
                "type");
    type.length(&Canvas::count);
    type.truth([](const Canvas& canvas) { return canvas.count() > 0; });
    type.subscript([](const Canvas& canvas, PyObject* key) -> PyObject* {
        const long index = PyLong_Check(key) ? PyLong_AsLong(key) : -1;
        if (Shape* shape = canvas.at(int(index)))
            return Binding::toPython(shape);
        PyErr_SetObject(PyExc_IndexError, key);
        return nullptr;
    });
    type.introduce();
}

void init_Emitter(PyObject* module)
{
    ObjectClass<Emitter> type(module);
    type.constructor(init<QObject*>(arg("parent") = nullptr));
    type.method("fire", &Emitter::fire, "value");
    type.method("deliver", &Emitter::deliver, "type");
    type.method("part", &Emitter::part);
    type.compare<Equal | NotEqual>();
    type.introduce();
}

void init_Part(PyObject* module)
{
    ObjectClass<Part> type(module);
    type.introduce();
}

void init_Probe(PyObject* module)
{
    Namespace type(module, bindingprobe::module, "Probe");
    type.staticMethod("lock_held", &lockHeld);
    type.staticMethod("describe_shape", &describeShape, "shape");
    type.staticMethod("draw_shape", &drawShape, "shape", "times");
    type.staticMethod("reset_shape", &resetShape, "shape");
    type.staticMethod("bounds_of", [](Shape* shape) { return shape ? shape->bounds() : QSize(); }, "shape");
    type.staticMethod("tags_of", [](Shape* shape) { return shape ? shape->tags() : VariantMap(); }, "shape");
    type.staticMethod("labels_of", [](Shape* shape) { return shape ? shape->labels() : QVector<QString>(); },
                      "shape");
    type.staticMethod("deliver_many", &deliverMany, "receiver", "type", "count");
    // Why the shape's area fell back to its default ("" when it did not).
    type.staticMethod("area_failure", [](Shape* shape) {
        if (shape)
            shape->area();
        return QString::fromStdString(Binding::lastRoutingFailure());
    }, "shape");
    type.staticMethod("tile_as_shape", [](Tile* tile) -> Shape* { return tile; }, "tile");
    type.staticMethod("label_of", [](Labelled* labelled) { return labelled ? labelled->get_label() : QString(); },
                      "labelled");
    type.staticMethod("exactly_two", [](int first, int second) { return first + second; }, "first", "second",
                      wrongCountIsWrongArguments);
    type.staticMethod("kept_part", &keptPart, resultLent);
    type.staticMethod("kept_part_name", [] { return keptPart()->objectName(); });
    type.staticMethod("fail_allocation", []() -> int { throw std::bad_alloc(); });
    type.staticMethod("strings", [](const QStringList& strings) { return strings.join(QLatin1Char(',')); },
                      "strings");
    type.staticMethod("strings_of_vector", [](const QVector<QString>& strings) { return strings.size(); },
                      "strings");
    type.introduce();
}

extern "C" Q_DECL_EXPORT PyObject* PyInit_bindingprobe()
{
    using bindingprobe::module;
    module.setPythonError = &translateException;
    if (!Module::importBindingModule("PySide2.QtCore"))
        return nullptr;
    bindingprobe::describeTypes();
    PyObject* m = module.create("bindingprobe", {
                                                    moduleFunction(module, "lock_held", overload(&lockHeld)),
                                                    moduleFunction(module, "describe_shape",
                                                                   overload(&describeShape, "shape")),
                                                });
    if (!m)
        return nullptr;
    bindingprobe::introduceTypes(m);
    registerConversion(module, bindingprobe::Converter::CountAndText, &PyTuple_Type,
                       &PairConversion<ProbeCountAndText>::toPython,
                       {{&PairConversion<ProbeCountAndText>::toCpp, &PairConversion<ProbeCountAndText>::isConvertible}});
    registerContainer<SequenceConversion<QVector<QString>>>(bindingprobe::Converter::StringVector, &PyList_Type);
    registerContainer<MappingConversion<VariantMap>>(bindingprobe::Converter::VariantMap, &PyDict_Type);
    registerConversion(module, bindingprobe::Converter::OptionalSize, Conversion<QSize>::pythonType(),
                       &optionalSizeToPython,
                       {{&sizeToOptional, &isSizeForOptional}, {&noneToOptionalSize, &isNoneForOptionalSize}});
    return module.finish(m, "can't initialize module bindingprobe");
}
