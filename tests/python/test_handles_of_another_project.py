"""A handle of one project handed to a call of another: ids repeat between
projects, so each such call refuses it instead of acting on its own object
of the same id."""
import os

import pytest

import plinx._init  # noqa: F401 (starts the core)
import plinx.exporters as e
import plinx.project as p
from conftest import raises, run_embedded

X, B = p.XControlPointData, p.BezierControlPointData
FOREIGN = "Object belongs to another project"
NOT_ATTACHED = "Clip is not attached to this project"


class Twin:
    """A project built the same way as its twin: every id repeats in the other."""

    def __init__(self, footage):
        self.project = p.Project(p.Clip(footage, "shot"))
        self.plate = self.project.clips["shot"]
        self.a = self.project.add_layer(self.plate, "a")
        self.y = self.project.add_layer(self.plate, "y")
        self.group = self.project.add_group("G")
        self.xpoint = self.a.add_xspline_contour(0.0, [X(x=1.0, y=2.0), X(x=9.0, y=2.0), X(x=9.0, y=8.0)]) \
            .control_point(0)
        self.bpoint = self.y.add_bezier_contour(0.0, [B(x=3.0, y=3.0), B(x=7.0, y=3.0), B(x=7.0, y=7.0)]) \
            .control_point(0)

    def saved(self, path):
        """The whole project as its file holds it."""
        self.project.save_as(str(path))
        with open(str(path), encoding="utf-8") as saved:
            return saved.read()


@pytest.fixture
def twins(footage):
    return Twin(footage), Twin(footage)


def registered(base, name):
    return base.registered_exporters()[name]


# (call of `ours` given something of `theirs`, the refusal's text)
CALLS = {
    "set_parent": (lambda ours, theirs, out: theirs.a.set_parent(ours.group), FOREIGN),
    "parent": (lambda ours, theirs, out: setattr(theirs.a, "parent", ours.group), FOREIGN),
    "insert_child": (lambda ours, theirs, out: ours.group.insert_child(theirs.a), FOREIGN),
    "link_to_track": (lambda ours, theirs, out: setattr(ours.y, "link_to_track", theirs.a), FOREIGN),
    "add_group": (lambda ours, theirs, out: ours.project.add_group("H", [ours.y, theirs.a]), FOREIGN),
    "track_layers": (lambda ours, theirs, out: ours.project.track_layers(0, 2, [theirs.a]), FOREIGN),
    "render": (lambda ours, theirs, out: ours.project.render(p.RenderInsertOperation(), 0, 2, [theirs.a]),
               FOREIGN),
    "export_rendered_shapes": (lambda ours, theirs, out: ours.project.export_rendered_shapes(
        [theirs.a], p.Grayscale, out, ".png", "m", "", 0, 1), FOREIGN),
    "xspline follows": (lambda ours, theirs, out: ours.xpoint.set_master_point(theirs.bpoint), FOREIGN),
    "bezier follows": (lambda ours, theirs, out: ours.bpoint.set_master_point(theirs.xpoint), FOREIGN),
    "add_layer": (lambda ours, theirs, out: ours.project.add_layer(theirs.plate), NOT_ATTACHED),
    "new_output_clip": (lambda ours, theirs, out: ours.project.new_output_clip(theirs.plate, "derived"),
                        NOT_ATTACHED),
    "export reverting": (lambda ours, theirs, out: ours.plate.export(theirs.plate, out, ".png", "f", "", 0, 1),
                         NOT_ATTACHED),
    "shape export": (lambda ours, theirs, out: registered(e.AbstractShapeDataExporter, "Plain Text Shapes")
                     .do_export(ours.project, [ours.a, theirs.y], os.path.join(out, "s"), [p.View(0)]), FOREIGN),
    "tracking export": (lambda ours, theirs, out: registered(e.AbstractTrackingDataExporter, "Plain Text Track")
                        .do_export(ours.project, theirs.a, os.path.join(out, "t"), 0.0, p.View(0), {}), FOREIGN),
    "camera export": (lambda ours, theirs, out: registered(e.AbstractCameraSolveExporter, "Plain Text Camera")
                      .do_export(ours.project, [theirs.a], os.path.join(out, "c"), 0.0, [p.View(0)]), FOREIGN),
}


@pytest.mark.parametrize("name", sorted(CALLS))
def test_a_handle_of_another_project_is_refused_and_changes_nothing(twins, tmp_path, name):
    ours, theirs = twins
    call, text = CALLS[name]
    before = ours.saved(tmp_path / "ours-before.plinx"), theirs.saved(tmp_path / "theirs-before.plinx")
    out = str(tmp_path / "out")
    with raises(RuntimeError, text):
        call(ours, theirs, out)
    after = ours.saved(tmp_path / "ours-after.plinx"), theirs.saved(tmp_path / "theirs-after.plinx")
    assert after == before
    assert not os.path.exists(out) or os.listdir(out) == []


def test_a_handle_that_is_gone_says_so_before_its_argument_is_refused(twins):
    ours, theirs = twins
    ours.a.remove()  # with its contour and points
    for call in (lambda: ours.a.set_parent(theirs.group), lambda: setattr(ours.a, "link_to_track", theirs.y),
                 lambda: ours.xpoint.set_master_point(theirs.bpoint)):
        with raises(RuntimeError, "Invalid object"):
            call()


def test_the_same_calls_take_the_projects_own_handles(twins, tmp_path):
    ours, _ = twins
    ours.y.set_parent(ours.group)
    ours.y.link_to_track = ours.a
    ours.bpoint.set_master_point(ours.xpoint)
    assert ours.y.parent == ours.group and ours.y.link_to_track == ours.a
    assert ours.bpoint.master_point == ours.xpoint


def test_handles_of_twin_objects_compare_by_id_yet_calls_tell_them_apart(twins, tmp_path):
    ours, theirs = twins
    assert ours.a == p.Layer(ours.a) and ours.xpoint == ours.a.contours[0].control_point(0)
    pairs = [(ours.a, theirs.a), (ours.group, theirs.group), (ours.xpoint, theirs.xpoint),
             (ours.bpoint, theirs.bpoint), (ours.a.contours[0], theirs.a.contours[0])]
    for mine, other in pairs:
        assert mine == other
    assert not ours.a == theirs.y and ours.a != theirs.y
    assert hash(ours.a) == hash(theirs.a) and hash(ours.a.contours[0]) == hash(theirs.a.contours[0])
    assert theirs.a in ours.project.layers and not ours.a != theirs.a
    # Two copies of one project file hold equal handles.
    path = str(tmp_path / "copied.plinx")
    ours.saved(path)
    first, second = p.Project(path), p.Project(path)
    assert first.find_layers("a") == second.find_layers("a") == [ours.a]
    # Equal, and still another project's: the call asks the handle's project.
    before = ours.saved(tmp_path / "before.plinx")
    with raises(RuntimeError, FOREIGN):
        ours.y.link_to_track = theirs.a
    assert ours.saved(tmp_path / "after.plinx") == before


def test_two_wrappers_of_the_applications_project_share_its_handles(twins, tmp_path):
    ours, theirs = twins
    path = tmp_path / "open.plinx"
    ours.saved(path)
    ran = run_embedded("""
        import plinx.project as p
        first, second = p.get_current_project(), p.get_current_project()
        a, = first.find_layers("a")
        y, = first.find_layers("y")
        group = second.add_group("H", [a])
        y.link_to_track, = second.find_layers("a")
        print(a.parent == group, y.link_to_track == a, second.find_layers("a") == [a])
    """, tmp_path, env={"PLINX_HOST_PROJECT": str(path)})
    assert ran.returncode == 0, ran.stderr
    assert ran.stdout.splitlines() == ["True True True"]
