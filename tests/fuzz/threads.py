"""Mode `threads`: 4 to 8 threads on one project at once.

A unit builds a world (scene.py) on the main thread, then runs one program
of statements in each of 4 to 8 threads at once over it (prelude.race): they
edit (any member of any object), read images and touch their pixels,
render, track, export (clips, rendered shapes, the exporters' entries),
save, make and drop projects, delete objects (shiboken2.delete, remove,
undo, Qt parents, an extension's last reference, deleteLater of the object
or of its Qt parent, which the main thread's event loop carries out while
the threads call) and, inside the
application, drive the tool, the canvas and the application's project; now
and then with a short switch interval, which opens races' windows. The main
thread then uses what is left. Each unit is a process of its own, which
ends with a full interpreter exit; the watchdog dumps every thread's stack
on a hang."""
from PySide2 import QtCore

from scene import Scene


class Threads:
    threads = (4, 8)
    statements_per_thread = (60, 250)

    @staticmethod
    def units(calls, types, embedded):
        return max(2, calls // 1000)

    @staticmethod
    def exits_after(context):
        return True

    def run_unit(self, context):
        rng = context.rng
        # Fair arguments: hostile ones are the other modes' part; this one is about threads.
        scene = Scene(rng, context.run, context.namespace, context.types, context.index, context.embedded,
                      hostility=0.0)
        scene.build_world(projects=rng.choice([1, 1, 2]))
        programs = [scene.generate(lambda thread=thread: self.program(scene, thread))
                    for thread in range(rng.randint(*self.threads))]
        switch = rng.choice([None, 1e-4, 1e-6])
        context.run(race_text(programs, switch), f"{len(programs)} threads")
        for subject in scene.subjects():
            if rng.random() < 0.3:
                scene.random_call(subject)

    def program(self, scene, thread):
        """One thread's statements, run through the scene's (collecting) runner."""
        rng = scene.rng
        for _ in range(rng.randint(*self.statements_per_thread)):
            choice = rng.random()
            if choice < 0.45:
                scene.random_call()
            elif choice < 0.57:
                clip = scene.pick_clip() or "C0"
                scene.run(f"touch(views({clip}.image({rng.randrange(5)}))[{rng.randrange(3)}])", "read a frame")
            elif choice < 0.69:
                operation = scene.long_operation()
                if operation:
                    scene.run(*operation)
            elif choice < 0.74:
                name = f"T{thread}"
                scene.run(f"{name} = p.Project(p.Clip(F0, {name!r})); {name}.add_layer({name}.clips[{name!r}], 'x'); "
                          f"del {name}", "make and drop a project")
            elif choice < 0.86:
                scene.run(*self.death(scene))
            elif choice < 0.89:
                scene.run("gc.collect()", "gc.collect")
            elif scene.embedded:
                scene.run(*scene.host_action())
            else:
                scene.random_call()

    @staticmethod
    def death(scene):
        rng = scene.rng
        victim = scene.pick() or "None"
        project = scene.pick_project() or "P0"
        extensions = [name for name, _, _ in scene.extensions() if name not in ("TOOL", "OV")] or ["None"]
        return rng.choice([
            (f"kill({victim})", "shiboken2.delete"),
            (f"{victim}.remove()", "remove"),
            (f"{project}.undo_group().undo()", "UndoGroup.undo"),
            (f"{project}.undo_group().redo()", "UndoGroup.redo"),
            (f"parent_dies({scene.pick(QtCore.QObject) or 'None'})", "Qt parent dies"),
            (f"later({victim})", "deleteLater, carried out by the main thread's event loop"),
            (f"parent_dies({scene.pick(QtCore.QObject) or 'None'}, by_qt=True)",
             "Qt parent's deleteLater, carried out by the main thread's event loop"),
            (f"drop_self({rng.choice(extensions)})", "an extension's last reference goes"),
        ] + ([("host.close_project()", "host.close_project")] if scene.embedded else []))


def race_text(programs, switch=None):
    """The statement that runs the programs at once; its continuation lines
    are indented, as the journal's statements are."""
    lines = ["race(["]
    for program in programs:
        lines.append("    [")
        lines += [f"        {statement!r}," for statement in program]
        lines.append("    ],")
    lines.append(f"    ], switch={switch!r})")
    return "\n".join(lines)
