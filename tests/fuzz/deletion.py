"""Mode `deletion`: objects die at every point, then every object is used
after its owner died.

A unit builds a world (scene.py), then rounds of one death each followed by
random uses, then uses every object it ever named. The ways of dying are a
table: the script lets go of a name, shiboken2.delete, a Qt parent that dies
(a plain QObject, or another object of the binding), Qt's own deferred
deletion of the object or of its Qt parent (deleteLater, which the event
loop carries out), remove(), the undo of a creation, the project killed or
dropped or (inside the application) closed; and the same deaths run from
inside a progress slot during a long operation
and from inside every callback of every extension (exporters, the image IO
module, the tool, the overlay renderer). One unit in four ends with a full
interpreter exit over what is left."""
import re

from PySide2 import QtCore

import discovery
from scene import Scene

IDENTIFIER = re.compile(r"^[A-Za-z_]\w*$")


class Deletion:
    rounds = (4, 8)
    uses_per_round = 4

    def units(self, calls, types, embedded):
        return max(1, calls // 110)

    @staticmethod
    def exits(index):
        return index % 4 == 3

    def exits_after(self, context):
        return self.exits(context.index)

    def run_unit(self, context):
        rng = context.rng
        scene = Scene(rng, context.run, context.namespace, context.types, context.index, context.embedded)
        scene.build_world(projects=rng.choice([1, 2]))
        deaths = [death for death in DEATHS if death.__name__ != "close_application_project" or context.embedded]
        for _ in range(rng.randint(*self.rounds)):
            rng.choice(deaths)(scene)
            for _ in range(self.uses_per_round):
                scene.random_call()
        # Every object used after its owner died.
        for subject in scene.subjects():
            scene.random_call(subject)
        if not self.exits(context.index):
            context.run("clear()", "the unit's objects dropped")


# --- Victims ---------------------------------------------------------------------------------

def named(scene):
    """A plain name the script holds."""
    names = [name for name in scene.subjects() if IDENTIFIER.match(name)]
    return scene.rng.choice(names) if names else None


def qobject(scene):
    return scene.pick(QtCore.QObject)


def inner_death(scene):
    """A statement that kills something, for inside a slot or a callback."""
    rng = scene.rng
    victim = scene.pick() or "None"
    choices = [f"kill({victim})", "kill(call.self)", "[kill(x) for x in call.handed()]", "drop_self(call.self)",
               f"kill({scene.pick_project() or 'None'})", f"drop({named(scene)!r})",
               f"parent_dies({qobject(scene) or 'call.self'})", f"{scene.pick_project() or 'P0'}.undo_group().undo()",
               f"later({qobject(scene) or 'call.self'})", "later(call.self)",
               f"parent_dies({qobject(scene) or 'call.self'}, by_qt=True)",
               "[x.remove() for x in call.handed() if hasattr(x, 'remove')]"]
    if scene.embedded:
        choices.append("host.close_project()")
    return rng.choice(choices)


# --- Ways of dying -----------------------------------------------------------------------------
# Each runs its statements through the scene.

def drop_name(scene):
    name = named(scene)
    if name:
        scene.run(f"drop({name!r})", f"del {scene.label_of(name)}")
        scene.forget(name)


def shiboken_delete(scene):
    victim = scene.pick()
    if victim:
        scene.run(f"kill({victim})", f"shiboken2.delete({scene.label_of(victim)})")


def qt_parent_dies(scene):
    victim = qobject(scene)
    if victim:
        scene.run(f"parent_dies({victim})", f"Qt parent of {scene.label_of(victim)} dies")


def bound_parent_dies(scene):
    """The Qt parent is an object of the binding (a project, a clip, an exporter) that dies."""
    victim, parent = qobject(scene), qobject(scene)
    if victim and parent and victim != parent:
        scene.run(f"parent_dies({victim}, {parent})",
                  f"Qt parent {scene.label_of(parent)} of {scene.label_of(victim)} dies")


def qt_deletes(scene):
    """Qt's own deletion, deleteLater, carried out by the event loop: of the
    object, or of its Qt parent."""
    victim = qobject(scene)
    if victim is None:
        return
    if scene.rng.random() < 0.5:
        scene.run(f"later({victim})", f"{scene.label_of(victim)}.deleteLater")
    else:
        scene.run(f"parent_dies({victim}, by_qt=True)", f"deleteLater of the Qt parent of {scene.label_of(victim)}")


def remove(scene):
    removable = [name for name in scene.subjects() if hasattr(scene.evaluate(name), "remove")]
    if removable:
        victim = scene.rng.choice(removable)
        scene.run(f"{victim}.remove()", f"{scene.label_of(victim)}.remove")


def undo_creation(scene):
    rng = scene.rng
    project = scene.pick_project()
    if project is None:
        return
    layer = scene.pick(discovery_type(scene, "Layer")) or "None"
    contour = scene.pick(discovery_type(scene, "XSplineContour")) or "None"
    creation = rng.choice([
        f"{project}.add_layer({scene.pick_clip() or 'None'}, 'undone')", f"{project}.add_group('U', [{layer}])",
        f"{layer}.add_xspline_contour(0.0, xpoints(3))", f"{layer}.add_bezier_contour(0.0, bpoints(3))",
        f"{contour}.insert_point(0.0, p.XControlPointData(x=1.0, y=1.0), 1)",
    ])
    made = scene.make(creation, "creation")
    for step in rng.choice([["undo"], ["undo", "redo"], ["undo", "redo", "undo"]]):
        scene.run(f"{project}.undo_group().{step}()", f"UndoGroup.{step} of a creation")
    if made:
        scene.random_call(made)


def kill_project(scene):
    project = scene.pick_project()
    if project:
        scene.run(f"kill({project})", "shiboken2.delete(Project)")


def drop_project(scene):
    project = scene.pick_project()
    if project:
        scene.run(f"drop({project!r})", "del Project")
        scene.forget(project)
        scene.projects.remove(project)


def close_application_project(scene):
    scene.run("host.close_project()", "host.close_project")


def in_slot(scene):
    """A progress slot of every watcher kills something (often the project
    that runs) during a long operation."""
    rng = scene.rng
    project = scene.pick_project()
    operation = scene.long_operation(project)
    watchers = [name for name in scene.subjects() if type(scene.evaluate(name)).__name__ == "ProgressWatcher"]
    if operation is None or not watchers:
        return
    signal = rng.choice(discovery.signals(type(scene.evaluate(watchers[0]))) or ["started"])
    death = f"kill({project})" if rng.random() < 0.4 else inner_death(scene)
    for watcher in watchers:
        scene.run(f"connect({watcher}, {signal!r}, act({death!r}))", f"ProgressWatcher.{signal} slot kills")
    scene.run(*operation)


def in_callback(scene):
    """A callback of an extension kills something while the core calls it."""
    extensions = scene.extensions()
    if not extensions:
        return
    target, methods, triggers = scene.rng.choice(extensions)
    method = scene.rng.choice(methods)
    scene.run(f"{target}.acts[{method!r}] = act({inner_death(scene)!r})", f"{method} callback kills")
    for trigger in triggers():
        scene.run(*trigger)
    scene.run(f"{target}.acts.pop({method!r}, None)", "callback behaves again")


def discovery_type(scene, name):
    return next((cls for cls in scene.types if cls.__name__ == name), None)


DEATHS = [drop_name, shiboken_delete, qt_parent_dies, bound_parent_dies, qt_deletes, remove, undo_creation, kill_project,
          drop_project, close_application_project, in_slot, in_slot, in_callback, in_callback, in_callback]
