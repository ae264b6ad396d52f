// Conversions that the modules register for whoever asks the runtime for
// them by name: the container conversions of plinx._init, the enumerations
// and the conversion table of plinx.project and the values that parameters hand Python inside a
// QVariant.

#include <sbkpython.h>

#include <autodecref.h>
#include <sbkconverter.h>
#include <sbkmodule.h>

#include <Bsc/FSPercentEscapedString.h>
#include <Prm/Context.h>

#include <gtest/gtest.h>

#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>

#include <algorithm>
#include <cstring>
#include <iterator>

// One of the core's enumerations, declared to Qt after the module has
// declared it by name, as a core library loaded later would.
enum TQ_STEREO_MODE { TQ_STEREO_LEFT = 0, TQ_STEREO_RIGHT = 7 };
Q_DECLARE_METATYPE(TQ_STEREO_MODE)

namespace {

class ImportedModule : public ::testing::Environment
{
public:
    void SetUp() override
    {
        Py_InitializeEx(0);
        PyRun_SimpleString("import sys; sys.path.insert(0, '" PLINX_PACKAGE_DIR "')");
        for (const char* name : {"plinx._init", "plinx.project"}) {
            PyObject* module = PyImport_ImportModule(name);
            if (!module)
                PyErr_Print();
            ASSERT_NE(module, nullptr) << name;
        }
    }
};
const auto* const imported = ::testing::AddGlobalTestEnvironment(new ImportedModule);

PyObject* evaluate(const char* expression)
{
    static PyObject* const globals = [] {
        PyObject* namespace_ = PyDict_New();
        PyDict_SetItemString(namespace_, "__builtins__", PyEval_GetBuiltins());
        Py_XDECREF(PyRun_String("import plinx.project", Py_file_input, namespace_, namespace_));
        return namespace_;
    }();
    return PyRun_String(expression, Py_eval_input, globals, globals);
}

template <typename T>
bool convert(const char* converterName, const char* expression, T& out)
{
    SbkConverter* converter = Shiboken::Conversions::getConverter(converterName);
    EXPECT_NE(converter, nullptr) << converterName;
    Shiboken::AutoDecRef object(evaluate(expression));
    if (object.isNull()) {
        PyErr_Print();
        ADD_FAILURE() << expression;
        return false;
    }
    PythonToCppFunc toCpp = Shiboken::Conversions::isPythonToCppConvertible(converter, object);
    if (!toCpp)
        return false;
    toCpp(object, &out);
    return !PyErr_Occurred();
}

std::string repr(PyObject* object)
{
    Shiboken::AutoDecRef text(PyObject_Repr(object));
    return PyUnicode_AsUTF8(text);
}

TEST(ContainerConversions, AnySequenceBecomesAVariantList)
{
    struct Row
    {
        const char* expression;
        QList<QVariant> expected;
    };
    const Row rows[] = {
        {"[1, 'a', 2.5]", {1, "a", 2.5}},
        {"(True,)", {true}},
        {"'ab'", {"a", "b"}}, // a string is the sequence of its characters
        {"[]", {}},
    };
    for (const Row& row : rows) {
        QList<QVariant> list;
        ASSERT_TRUE(convert("QList<QVariant>", row.expression, list)) << row.expression;
        EXPECT_EQ(list, row.expected) << row.expression;
    }
    QList<QVariant> untouched;
    EXPECT_FALSE(convert("QList<QVariant>", "None", untouched));
    EXPECT_FALSE(convert("QList<QVariant>", "3", untouched));
}

TEST(ContainerConversions, StringListsNeedStrings)
{
    QList<QString> list;
    ASSERT_TRUE(convert("QList<QString>", "('x', 'y')", list));
    EXPECT_EQ(list, (QList<QString>{"x", "y"}));
    EXPECT_FALSE(convert("QList<QString>", "['x', object()]", list));
}

TEST(ContainerConversions, OnlyDictionariesBecomeVariantMapsAndComeBackSorted)
{
    QMap<QString, QVariant> map;
    ASSERT_TRUE(convert("QMap<QString,QVariant>", "{'b': 2, 'a': 'one'}", map));
    EXPECT_EQ(map.keys(), (QStringList{"a", "b"}));
    EXPECT_EQ(map.value("b"), QVariant(2));
    EXPECT_FALSE(convert("QMap<QString,QVariant>", "[('a', 1)]", map));
    EXPECT_FALSE(convert("QMap<QString,QVariant>", "{1: 'key is no string'}", map));

    Shiboken::AutoDecRef back(
        Shiboken::Conversions::copyToPython(Shiboken::Conversions::getConverter("QMap<QString,QVariant>"), &map));
    EXPECT_EQ(repr(back), "{'a': 'one', 'b': 2}");
    const QList<QVariant> list{1, "x"};
    Shiboken::AutoDecRef listBack(
        Shiboken::Conversions::copyToPython(Shiboken::Conversions::getConverter("QList<QVariant>"), &list));
    EXPECT_EQ(repr(listBack), "[1, 'x']");
}

// Other modules find the project's conversions through its published table,
// slot by slot, or by name; names PySide2 registered first stay PySide2's.
TEST(ProjectConversions, FillTheirSlotsInRegistrationOrderUnderTheirNames)
{
    const char* const qtNames[] = {"QList<float>",   "const QList<QObject*>&", "QList<QByteArray>",
                                   "QList<QVariant>", "QList<QString>",         "QMap<QString,QVariant>"};
    const char* const names[] = {
        "Bsc::FSPercentEscapedString", "OptionalPoint", "OptionalBool", "OptionalFloat", "Prm::Context",
        "OptionalLayer", "Color", "OptionalInterlaceMode", "Gan_Matrix33", "QVector<Layer>", "QPair<View,double>",
        "QVector<QPair<View,double>>", "QVector<Parameter>", "QVector<ParameterSet>",
        "const QVector<BezierControlPointData>&", "const QVector<XControlPointData>&", "QList<float>",
        "QVector<XControlPoint>", "QVector<BezierControlPoint>", "const QList<QObject*>&", "QList<QByteArray>",
        "const QVector<View>&", "QPair<uint,uint>", "QMap<View,View>", "QVector<LayerGroup>", "QHash<QString,Clip*>",
        "QVector<ViewInfo>", "QList<QVariant>", "QList<QString>", "QMap<QString,QVariant>"};
    Shiboken::AutoDecRef module(PyImport_ImportModule("plinx.project"));
    ASSERT_FALSE(module.isNull());
    SbkConverter** table = Shiboken::Module::getTypeConverters(module);
    ASSERT_NE(table, nullptr);
    for (size_t slot = 0; slot < sizeof names / sizeof *names; ++slot) {
        SCOPED_TRACE(names[slot]);
        ASSERT_NE(table[slot], nullptr);
        const bool qtName = std::find_if(std::begin(qtNames), std::end(qtNames), [&](const char* name) {
                                return std::strcmp(name, names[slot]) == 0;
                            }) != std::end(qtNames);
        if (!qtName)
            EXPECT_EQ(table[slot], Shiboken::Conversions::getConverter(names[slot]));
    }
}

TEST(ProjectConversions, AContextGoesToPythonAsViewAndTimeOnly)
{
    const Prm::Context context(Prm::Time::fromDouble(4.5), Prm::View(2), 1);
    Shiboken::AutoDecRef object(
        Shiboken::Conversions::copyToPython(Shiboken::Conversions::getConverter("Prm::Context"), &context));
    EXPECT_EQ(repr(object), "(2, 4.5)");
    Prm::Context back;
    EXPECT_FALSE(convert("Prm::Context", "(2, 4.5)", back));
}

TEST(EnumerationConversions, AcceptMembersOfTheirOwnEnumerationOnly)
{
    int value = -1;
    EXPECT_TRUE(convert("InterlaceMode", "plinx.project.LowerFieldFirst", value));
    EXPECT_EQ(value, 2);
    EXPECT_FALSE(convert("InterlaceMode", "2", value));
    EXPECT_FALSE(convert("InterlaceMode", "plinx.project.ByLayer", value));
    EXPECT_FALSE(convert("Colorspace", "None", value));

    value = 1;
    Shiboken::AutoDecRef member(
        Shiboken::Conversions::copyToPython(Shiboken::Conversions::getConverter("ColorizeOutput"), &value));
    EXPECT_EQ(repr(member), "plinx.project.ColorizeOutput.ByMatteColor");
}

// What PySide2 gives Python for a variant: the conversion registered under
// the variant's type name.
std::string pythonOfVariant(const QVariant& variant)
{
    Shiboken::AutoDecRef object(
        Shiboken::Conversions::copyToPython(Shiboken::Conversions::getConverter("QVariant"), &variant));
    if (object.isNull()) {
        PyErr_Print();
        return "<error>";
    }
    return repr(object);
}

TEST(VariantConversions, PathsBecomeTextAndComeFromTextBytesOrNone)
{
    EXPECT_EQ(pythonOfVariant(QVariant::fromValue(Bsc::FSPercentEscapedString("/tmp/a b%.png", 3))),
              "'/tmp/a b%.png'");

    struct Row
    {
        const char* expression;
        QString text;
    };
    const Row rows[] = {
        {"'/d\u00e9j\u00e0/x'", QString::fromUtf8("/d\xc3\xa9j\xc3\xa0/x")},
        {"b'/d\\xc3\\xa9/x'", QString::fromUtf8("/d\xc3\xa9/x")}, // bytes are UTF-8
        {"None", QString()},
    };
    for (const Row& row : rows) {
        Bsc::FSPercentEscapedString path(QStringLiteral("before"), 5);
        ASSERT_TRUE(convert("Bsc::FSPercentEscapedString", row.expression, path)) << row.expression;
        EXPECT_EQ(path.text(), row.text) << row.expression;
        EXPECT_EQ(path.safety(), 0) << row.expression;
    }
    Bsc::FSPercentEscapedString untouched;
    EXPECT_FALSE(convert("Bsc::FSPercentEscapedString", "3", untouched));
    EXPECT_FALSE(convert("Bsc::FSPercentEscapedString", "['a']", untouched));
}

TEST(VariantConversions, TheCoresEnumerationsAreIntsWhateverDeclaredThemFirst)
{
    // Declared by the module, by name only: a variant of it reaches Python as an int.
    const int contourType = QMetaType::type("TQ_CONTOUR_TYPE");
    ASSERT_NE(contourType, int(QMetaType::UnknownType));
    EXPECT_TRUE(QMetaType::typeFlags(contourType) & QMetaType::IsEnumeration);
    EXPECT_EQ(QMetaType::sizeOf(contourType), 4);
    const quint32 three = 3;
    EXPECT_EQ(pythonOfVariant(QVariant(contourType, &three)), "3");

    // Declared again by its C++ type: the same meta-type, read unsigned.
    ASSERT_EQ(qMetaTypeId<TQ_STEREO_MODE>(), QMetaType::type("TQ_STEREO_MODE"));
    EXPECT_EQ(pythonOfVariant(QVariant::fromValue(TQ_STEREO_RIGHT)), "7");
    EXPECT_EQ(pythonOfVariant(QVariant::fromValue(TQ_STEREO_MODE(-1))), "4294967295");

    // From Python: any int, its low 32 bits.
    quint32 value = 0;
    for (const char* name : {"TQ_CONTOUR_TYPE", "TQ_STEREO_MODE", "TQ_CLIP_MODE", "TQ_REMOVESOURCE_MODE",
                             "TQ_ILLUMINATION_MODEL", "TQ_BlendMode", "TQ_LUMINANCE_MODEL", "TQ_FILL_ALGORITHM",
                             "TQ_INTERLACE_MODE", "TrackModel"}) {
        value = 0;
        ASSERT_TRUE(convert(name, "2**32 + 5", value)) << name;
        EXPECT_EQ(value, 5u) << name;
    }
    ASSERT_TRUE(convert("TQ_CLIP_MODE", "True", value));
    EXPECT_EQ(value, 1u);
    EXPECT_FALSE(convert("TQ_CLIP_MODE", "1.0", value));
}

} // namespace
