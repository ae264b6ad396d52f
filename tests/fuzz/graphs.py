"""Mode `graphs`: whole projects, then randomized calls over the graph.

A unit builds one to three projects at once (scene.py: clips over footage,
layers, groups, contours of both kinds, control points and a master point,
parameters and sets, images and views of their pixels, render operations and
watchers, Python exporters and an image IO module, and inside the
application its project, a tool and the overlay renderer), then makes random
calls over all of it: any member of any object, arguments drawn from every
project (handles of one project go to another), long operations, and what
the application does to tools and its canvas."""
from scene import Scene


class Graphs:
    calls_per_unit = 150

    def units(self, calls, types, embedded):
        return max(1, calls // self.calls_per_unit)

    def run_unit(self, context):
        rng = context.rng
        scene = Scene(rng, context.run, context.namespace, context.types, context.index, context.embedded)
        scene.build_world(projects=rng.choice([1, 2, 2, 3]))
        for _ in range(self.calls_per_unit):
            choice = rng.random()
            if choice < 0.04:
                operation = scene.long_operation()
                if operation:
                    context.run(*operation)
            elif choice < 0.1 and context.embedded:
                context.run(*scene.host_action())
            else:
                scene.random_call()
        context.run("clear()", "the unit's objects dropped")

    @staticmethod
    def exits_after(context):
        return False
