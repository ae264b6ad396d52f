"""Undo and redo put back exactly what was there, keyframes included, also
once the edited layer has been rebuilt: taken out and put back by undo, or
made, undone and made again."""
import pytest

import plinx._init  # noqa: F401 (starts the core)
import plinx.project as p

X, B = p.XControlPointData, p.BezierControlPointData


class Scene:
    """Layer B with a leader point, group G, then layer A with a Bezier square
    whose third point follows the leader: every edit below changes A."""

    def __init__(self, project, tmp_path):
        self.project = project
        self.path = str(tmp_path / "scene.plinx")
        plate = project.clips["shot"]
        self.b = project.add_layer(plate, "B")
        self.b.add_xspline_contour(0.0, [X(x=50.0, y=60.0)])
        self.group = project.add_group("G")
        project.add_layer(plate, "A")
        self.a.add_bezier_contour(0.0, [B(x=0.0, y=0.0), B(x=10.0, y=0.0), B(x=10.0, y=10.0), B(x=0.0, y=10.0)])
        self.point(2).set_master_point(self.leader())  # for the release
        self.steps_since_a = 3  # A's making, its contour and the constraint
        # Edits at a frame where nothing has keys yet (tracking ends there).
        project.track_layers(0, 3, [])

    @property
    def a(self):
        """A as it is now: undo may have rebuilt it."""
        found, = self.project.find_layers("A") + self.project.find_layers("renamed")
        return found

    def point(self, index):
        return self.a.contours[0].control_point(index)

    def leader(self):
        return self.b.contours[0].control_point(0)

    def saved(self):
        self.project.save_as(self.path)
        with open(self.path, encoding="utf-8") as saved:
            return saved.read()

    def undo(self, times=1):
        for _ in range(times):
            self.project.undo_group().undo()

    def redo(self, times=1):
        for _ in range(times):
            self.project.undo_group().redo()


EDITS = {
    "link to track": lambda s: setattr(s.a, "link_to_track", s.b),
    "name": lambda s: setattr(s.a, "name", "renamed"),
    "matte colour": lambda s: setattr(s.a, "matte_color", (0.0, 0.5, 1.0)),
    "z order": lambda s: setattr(s.a, "z_order", 0),
    "parent": lambda s: s.a.set_parent(s.group),
    "point data": lambda s: s.point(1).set_point_data(3.0, B(x=4.0, y=5.0)),
    "master point": lambda s: s.point(1).set_master_point(s.leader()),
    "master point, tangents locked": lambda s: s.point(1).set_master_point(s.leader(), 3.0, p.View(0), True),
    "master point released": lambda s: s.point(2).set_master_point(None),
    "contour": lambda s: s.a.add_xspline_contour(3.0, [X(x=1.0, y=2.0), X(x=3.0, y=4.0)]),
    "point removed": lambda s: s.point(0).remove(),
}


def plain(scene, edit):
    before = scene.saved()
    edit(scene)
    after = scene.saved()
    return before, after


def after_removal(scene, edit):
    before, after = plain(scene, edit)
    scene.a.remove()
    scene.undo()  # A comes back as a new object
    assert scene.saved() == after
    return before, after


def after_remaking(scene, edit):
    before, after = plain(scene, edit)
    scene.undo()
    scene.undo(scene.steps_since_a)
    scene.redo(scene.steps_since_a)  # A and its contour made again, as new objects
    assert scene.saved() == before
    scene.redo()
    return before, after


@pytest.mark.parametrize("rebuild", [plain, after_removal, after_remaking])
@pytest.mark.parametrize("name", sorted(EDITS))
def test_undo_and_redo_give_back_the_saved_project_exactly(project, tmp_path, name, rebuild):
    scene = Scene(project, tmp_path)
    before, after = rebuild(scene, EDITS[name])
    assert after != before
    assert scene.saved() == after
    for _ in range(2):
        scene.undo()
        assert scene.saved() == before
        scene.redo()
        assert scene.saved() == after
