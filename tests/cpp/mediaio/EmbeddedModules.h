#pragma once

// An embedded interpreter that has imported plinx.mediaio, and image readers
// and writers written in Python as the media library meets them: through the
// adaptors that their construction registered with the router.

#include "MediaIO/Helpers/PythonImageIO.h"
#include "../support/PythonNamespace.h"

#include <Dururev/Dururev.h>
#include <TQI/ImageIO_Router.h>

#include <sbkpython.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace MediaIOTest {

// The names of one test's Python code: the module classes it defines and
// the objects it builds. Dropped with the test, so that its modules die.
class Namespace : public PythonNamespace
{
public:
    Namespace()
    {
        run("import gc, sys, warnings\n"
            "import plinx.mediaio as mediaio, plinx.project as project\n"
            "from PySide2.QtCore import QSize\n"
            "def raising(self, *args):\n"
            "    raise ValueError('an override that fails')\n");
    }
    ~Namespace() override
    {
        clear();
        // The last error printed keeps its frames, and the images in them.
        PyRun_SimpleString("import sys\nsys.last_type = sys.last_value = sys.last_traceback = None\n");
        PyGC_Collect();
    }

    // The adaptor of the module that `construction` builds (and keeps under
    // `name`): the one it registered; null when it registered none.
    PythonImageIO* build(const std::string& name, const std::string& construction) const
    {
        const std::size_t before = Dururev::imageSuite(true)->modules().size();
        if (!run(name + " = " + construction))
            return nullptr;
        const auto modules = Dururev::imageSuite(true)->modules();
        return modules.size() > before ? dynamic_cast<PythonImageIO*>(modules.back()) : nullptr;
    }

    // The texts of the warnings that `call` issues.
    template <typename Call>
    std::string warningsOf(Call&& call) const
    {
        run("_recorder = warnings.catch_warnings(record=True)\n"
            "_warnings = _recorder.__enter__()\n"
            "warnings.simplefilter('always')\n");
        call();
        run("_recorder.__exit__(None, None, None)\n");
        return text("'|'.join(str(w.message) for w in _warnings)");
    }

};

class Interpreter : public ::testing::Environment
{
public:
    void SetUp() override
    {
        Py_InitializeEx(0);
        PyRun_SimpleString("import sys\nsys.path.insert(0, '" PLINX_PYTHON_DIR "')\nimport plinx.mediaio\n");
    }
};

} // namespace MediaIOTest
