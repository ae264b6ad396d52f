#pragma once

namespace Rirediro {

// The managers an application lends a new project (viewers, tools). A
// project made by a script borrows none.
struct ManagerSuite
{
};

} // namespace Rirediro
