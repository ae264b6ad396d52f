// Conversions that the modules register for whoever asks the runtime for
// them by name: the container conversions of plinx._init and the
// enumerations of plinx.project.

#include <sbkpython.h>

#include <autodecref.h>
#include <sbkconverter.h>

#include <gtest/gtest.h>

#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>

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

} // namespace
