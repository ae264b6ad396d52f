// Every member of the parameter template, compiled once for each value type
// the system reads and writes (Prm/Parameter.h declares them extern).
#include "Prm/Parameter.h"

template class Prm::Parameter<unsigned int>;
template class Prm::Parameter<bool>;
template class Prm::Parameter<int>;
template class Prm::Parameter<double>;
template class Prm::Parameter<float>;
template class Prm::Parameter<QString>;
template class Prm::Parameter<Bsc::FSPercentEscapedString>;

template class Prm::ParameterStaticValueEdit<bool>;
template class Prm::ParameterStaticValueEdit<int>;
