#include "Bsc/Memento.h"

namespace Bsc {

MementoBase::~MementoBase() = default;

MementoUndoable::~MementoUndoable() = default;

void MementoUndoable::importState(const boost::shared_ptr<MementoBase>& memento)
{
    doImportState(memento);
    postImportState();
}

} // namespace Bsc
