"""Mode `callbacks`: Python called back by the core that misbehaves.

A table of cases, (callback kind x misbehaviour), each a unit of its own:
it builds a small world (scene.py), sets the behaviour, makes the core call
it, lets the callback behave again and calls once more, then uses what the
callback kept and what the world still holds.

The kinds are found by looking: every callback method of every extension
type (the image IO module, each exporter family, the tool and its
constructor inside the application), the overlay renderer, every signal of
the progress watchers during each long operation, and every signal of the
clip's colour object. The misbehaviours are the table below; `{again}` is
the statement that made the core call, so that a callback can repeat it."""
import random

import discovery
import prelude
from scene import Scene

# (name, statements, returned expression or None for the good answer,
#  what the case needs: "self" a callback of an object of the binding,
#  "exporter", "embedded", "binding" a call the binding makes: a slot is
#  called by PySide2's signals, which end the process on SystemExit for
#  PySide2's own signals too, out of scope)
MISBEHAVIOURS = [
    ("raises", "raise ValueError('misbehaving')", None, ()),
    ("raises MemoryError", "raise MemoryError()", None, ()),
    ("recurses without end", "(lambda f: f(f))(lambda f: f(f))", None, ()),
    ("calls sys.exit()", "sys.exit()", None, ("binding",)),
    ("raises SystemExit(3)", "raise SystemExit(3)", None, ("binding",)),
    ("raises KeyboardInterrupt", "raise KeyboardInterrupt()", None, ()),
    ("returns None", "", "None", ()),
    ("returns a string", "", "'wrong'", ()),
    ("returns a huge number", "", "10**100", ()),
    ("returns an object", "", "object()", ()),
    ("returns itself", "", "call.self", ()),
    ("returns a wrong container", "", "{1: object(), 'x': [object()]}", ()),
    ("returns what raises when used", "", "RaisingRepr()", ()),
    ("returns its arguments", "", "call.args", ()),
    ("recurses into the API", "P0.layers; P0.add_layer(C0, 'again'); C0.image(1); P0.undo_group().undo()", None, ()),
    ("repeats the operation", "nested({again!r})", None, ()),
    ("deletes what it is handed", "[kill(x) for x in call.handed()]", None, ()),
    ("keeps what it is handed", "KEPT.extend(call.args)", None, ()),
    ("deletes itself", "kill(call.self)", None, ("self",)),
    ("drops the last reference to itself", "drop_self(call.self)", None, ()),
    ("gives itself a Qt parent that dies", "parent_dies(call.self)", None, ("self",)),
    ("unregisters itself", "call.self.unregister()", None, ("exporter",)),
    ("deletes the project", "kill(P0)", None, ()),
    ("drops the project", "drop_self(P0)", None, ()),
    ("deletes the clip", "kill(C0); kill(CT)", None, ()),
    ("closes the application's project", "host.close_project()", None, ("embedded",)),
    ("waits for a thread that calls the API", "join_thread(lambda: (P0.layers, P0.add_layer(C0, 'thread')))",
     None, ()),
    ("waits for a thread that reads a frame", "join_thread(lambda: CT.image(3))", None, ()),
    ("waits for a thread that repeats the operation", "join_thread(lambda: nested({again!r}))", None, ()),
    ("reads another frame of the same clip", "CT.image(3); C0.image(3)", None, ()),
]

# The long operations whose progress a slot hears: (name, statement).
OPERATIONS = [
    ("Project.render", "P0.render(O0, 0, 2, [L0a])"),
    ("Project.track_layers", "P0.track_layers(0, 2, [L0a])"),
    ("Project.export_rendered_shapes",
     "P0.export_rendered_shapes([L0a], p.ByMatteColor, 'out/shapes{unit}', '.png', 's_', '', 0, 1)"),
    ("Clip.export", "C0.export(None, 'out/export{unit}', '.png', 'f_', '', 0, 1)"),
    ("Clip.export through IO", "C0.export(None, 'out/io{unit}', TOYX, 'f_', '', 0, 1)"),
]


class Kind:
    """Where the core calls Python: how a behaviour is set there and what
    makes the core call it."""

    def __init__(self, name, needs=(), install=None, trigger=None):
        self.name, self.needs = name, set(needs)
        self.install, self.trigger = install, trigger


def kinds(types, embedded):
    """Every kind of callback this host offers, in a fixed order."""
    found = []
    io_methods = prelude.callback_methods(prelude.ScriptedIO)
    found += [Kind(f"IO.{method}", ("self", "binding"), ("IO", method), "io") for method in io_methods]
    for family, klass in sorted(prelude.SCRIPTED_EXPORTERS.items()):
        target = "EX" + family.replace("Abstract", "").replace("Exporter", "")
        found += [Kind(f"{family}.{method}", ("self", "exporter", "binding"), (target, method), target)
                  for method in prelude.callback_methods(klass)]
    if embedded and prelude.ScriptedTool is not None:
        found += [Kind(f"AbstractTool.{method}", ("self", "binding"), ("TOOL", method), "tool")
                  for method in ["__init__"] + prelude.callback_methods(prelude.ScriptedTool)]
        found.append(Kind("overlay renderer", ("binding",), ("OV", "draw"), "overlay"))
    watcher = next((cls for cls in types if cls.__name__ == "ProgressWatcher"), None)
    for signal in discovery.signals(watcher) if watcher else []:
        found += [Kind(f"ProgressWatcher.{signal} during {operation}", (), ("watchers", signal), statement)
                  for operation, statement in OPERATIONS]
    colour = next((cls for cls in types if cls.__name__ == "ColorParameters"), None)
    for signal in discovery.signals(colour) if colour else []:
        found.append(Kind(f"ColorParameters.{signal}", (), ("colour", signal), "C0.color_parameters.gamma = 2.5"))
    return found


def cases(types, embedded):
    """(kind, misbehaviour) pairs that apply, in a fixed order."""
    table = []
    for kind in kinds(types, embedded):
        for misbehaviour in MISBEHAVIOURS:
            needs = set(misbehaviour[3])
            if "embedded" in needs and not embedded or needs - {"embedded"} - kind.needs:
                continue
            table.append((kind, misbehaviour))
    return table


class Callbacks:
    def __init__(self):
        self.table = None

    def units(self, calls, types, embedded):
        # Every case once for a full run; a bounded run takes an even sample.
        return min(len(cases(types, embedded)), max(1, calls // 25))

    @staticmethod
    def exits_after(context):
        return False

    def case(self, context):
        if self.table is None:
            self.table = cases(context.types, context.embedded)
        order = list(range(len(self.table)))
        random.Random(f"{context.seed}:order").shuffle(order)
        return self.table[order[context.index % len(order)]]

    def run_unit(self, context):
        kind, (name, text, answer, _) = self.case(context)
        run = context.run
        scene = Scene(context.rng, run, context.namespace, context.types, context.index, context.embedded,
                      hostility=0.0)
        context.journal.write(f"## case: {kind.name} x {name}")
        scene.build_world(projects=1)
        run("KEPT = []", "kept objects")
        triggers = self.triggers(scene, kind, context.index)
        again = triggers[0][0] if triggers else "pass"
        behaviour = f"act({text.format(again=again)!r}, {answer!r})"
        self.install(scene, kind, behaviour)
        for trigger in triggers:
            run(*trigger)
        self.install(scene, kind, None)  # behaves again: does the core still work?
        for trigger in triggers:
            run(*trigger)
        # What the callback kept, and the world, used afterwards (with fair
        # arguments: hostile ones are the other modes' part).
        context.journal.write("## then what is left is used")
        scene.keep("KEPT", scene.evaluate("KEPT"))
        for subject in scene.subjects():
            if subject.startswith("KEPT") or context.rng.random() < 0.3:
                scene.random_call(subject)
        run("clear()", "the case's objects dropped")

    @staticmethod
    def install(scene, kind, behaviour):
        """Sets the behaviour where the kind's callback is; None: the good one again."""
        target, method = kind.install
        if target in ("watchers", "colour"):
            wanted = "ProgressWatcher" if target == "watchers" else "ColorParameters"
            for owner in [name for name in scene.subjects() if scene.label_of(name) == wanted]:
                scene.run(f"connect({owner}, {method!r}, {behaviour})" if behaviour
                          else f"{owner}.{method}.disconnect()", f"{wanted}.{method} slot")
        else:
            scene.run(f"{target}.acts[{method!r}] = {behaviour}", f"{kind.name} behaviour")

    @staticmethod
    def triggers(scene, kind, unit):
        """The statements that make the core call the kind's callback."""
        if kind.trigger == "io":
            return scene.io_triggers()
        if kind.trigger.startswith("EX"):
            return [scene.entry_trigger("EN" + kind.trigger[2:])]
        if kind.trigger == "tool":
            return scene.tool_triggers()
        if kind.trigger == "overlay":
            return [("host.draw_overlay(1.0, 2.0)", "host.draw_overlay")]
        return [(kind.trigger.format(unit=unit), kind.name.split(" during ")[-1])]
