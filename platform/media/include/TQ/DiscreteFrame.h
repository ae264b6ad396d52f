#pragma once

#include <Prm/View.h>

#include <QString>

namespace TQ {

// A frame of a clip that stands on its own (a still inserted into the
// stream): its label, its frame number and the view it belongs to.
struct DiscreteFrame
{
    QString text;
    unsigned int number = 0;
    Prm::View view;
};

} // namespace TQ
