#pragma once

// The module plinx._init: its tables and the slots of its types and
// conversions.

#include "shiboken/binding/Types.h"

namespace Sbkplinx__init_details {
extern Binding::Module module;
}

enum : int
{
    SBK_GPU_IDX = 0,
    SBK_INTERPRODUCT_IDX = 1,
    SBK_PRODUCT_IDX = 2,
    SBK_plinx__init_IDX_COUNT = 3,
};

enum : int
{
    SBK_INIT_QLIST_QVARIANT_CONVERTER = 0,
    SBK_INIT_QLIST_QSTRING_CONVERTER = 1,
    SBK_INIT_QMAP_QSTRING_QVARIANT_CONVERTER = 2,
    SBK_plinx__init_CONVERTERS_IDX_COUNT = 3,
};

void init_GPU(PyObject* module);
void init_Product(PyObject* module);
void init_InterProduct(PyObject* module);
