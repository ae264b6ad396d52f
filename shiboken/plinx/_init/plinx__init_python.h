#pragma once

// The module plinx._init: its types and conversions, one line each.

#include "shiboken/binding/Binding.h"

// The types, in the order the module introduces them.
#define PLINX__INIT_TYPES(type, namespace_) \
    namespace_(GPU)                          \
    namespace_(Product)                      \
    namespace_(InterProduct)

// The module's own conversions, in registration order: slot and name.
#define PLINX__INIT_CONVERSIONS(conversion)                  \
    conversion(VariantList, "QList<QVariant>")               \
    conversion(StringList, "QList<QString>")                 \
    conversion(VariantMap, "QMap<QString,QVariant>")

BINDING_MODULE(plinx__init, "plinx._init", PLINX__INIT_TYPES, PLINX__INIT_CONVERSIONS)

static_assert(plinx__init::slotOf(plinx__init::Type::GPU) == 0 && plinx__init::slotOf(plinx__init::Type::InterProduct) == 1
                  && plinx__init::slotOf(plinx__init::Type::Product) == 2,
              "types are numbered in ASCII order of their names");
