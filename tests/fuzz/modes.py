"""The fuzz modes by name; each offers units(calls) (how many units a
budget of calls makes), run_unit(context) and exits_after(context) (whether
the process ends with a full interpreter exit after the unit)."""
from calls import Calls
from callbacks import Callbacks
from deletion import Deletion
from graphs import Graphs
from threads import Threads
from world import World

MODES = {"calls": Calls, "graphs": Graphs, "deletion": Deletion, "callbacks": Callbacks, "threads": Threads,
         "world": World}
