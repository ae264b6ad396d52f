#pragma once

#include <boost/shared_ptr.hpp>

namespace Bsc {

// A snapshot of an object's state, opaque to everyone but the object that made it.
class MementoBase
{
public:
    virtual ~MementoBase();
};

// An object that can hand out a snapshot of its whole state and later return to it.
class MementoUndoable
{
public:
    virtual ~MementoUndoable();

    virtual boost::shared_ptr<MementoBase> exportState() const = 0;

    // Returns to the state of a snapshot this kind of object exported:
    // doImportState, then postImportState.
    void importState(const boost::shared_ptr<MementoBase>& memento);

    virtual void doImportState(boost::shared_ptr<MementoBase> memento) = 0;
    // Runs after every import; for work that needs the whole state back in place.
    virtual void postImportState() {}
};

} // namespace Bsc
