"""plinx.project contours and control points: X-spline and Bezier shapes, their
data records, master points, and shapes kept in project files."""
import math

import pytest

import plinx._init  # noqa: F401 (starts the core)
import plinx.project as p
from conftest import raises, run_embedded

X, B = p.XControlPointData, p.BezierControlPointData


@pytest.fixture
def layers(project):
    plate = project.clips["shot"]
    return project.add_layer(plate, "A"), project.add_layer(plate, "B")


def square(layer, time=0.0):
    return layer.add_bezier_contour(time, [B(x=0.0, y=0.0), B(x=10.0, y=0.0), B(x=10.0, y=10.0), B(x=0.0, y=10.0)])


def undo(project):
    project.undo_group().undo()


def redo(project):
    project.undo_group().redo()


# --- The data records ----------------------------------------------------------------------

X_FIELDS = ["active", "corner", "x", "y", "weight", "edge_width", "edge_angle_ratio"]
B_FIELDS = ["active", "corner", "x", "y", "edge_width", "edge_angle_ratio", "handle_offset_backward",
            "handle_offset_forward"]


@pytest.mark.parametrize("record, fields", [(X, X_FIELDS), (B, B_FIELDS)])
def test_records_hold_optional_fields(record, fields):
    empty = record()
    assert [getattr(empty, f) for f in fields] == [None] * len(fields)
    only_active = record(True)
    assert only_active.active is True and [getattr(only_active, f) for f in fields[1:]] == [None] * (len(fields) - 1)
    value = record(x=1.5, y=2.0)
    assert (value.x, value.y, value.active) == (1.5, 2.0, None)
    value.x = None
    value.y = 0.0
    assert value.x is None and value.y == 0.0  # a set zero is not unset
    copy = record(value, x=9.0)  # a record argument plus keywords is a plain copy
    assert copy == value and copy.x is None
    assert [m for m in dir(record) if not m.startswith("_")] == sorted(fields)  # only __copy__ stays a method
    assert value.__copy__() == value


@pytest.mark.parametrize("record, name, count", [(X, "XControlPointData", 7), (B, "BezierControlPointData", 8)])
def test_record_argument_errors(record, name, count):
    with raises(TypeError, f"plinx.project.{name}(): takes at least 0 arguments ({count + 1} given)"):
        record(*([None] * (count + 1)))
    with raises(TypeError, f"plinx.project.{name}(): got multiple values for keyword argument 'active'."):
        record(True, active=False)
    for wrong in ({"x": 1}, {"active": 1}, {"corner": "yes"}, {"y": [1.0]}):
        with pytest.raises(TypeError):
            record(**wrong)
    value = record(x=1.0)
    with pytest.raises(TypeError):
        value.x = 2
    assert value.x == 1.0


def test_record_equality():
    nan = float("nan")
    cases = [
        (X(), X(), True),
        (X(x=1.0), X(x=1.0), True),
        (X(x=1.0), X(), False),
        (X(x=nan), X(x=nan), False),
        (B(handle_offset_forward=(1.0, 2.0)), B(handle_offset_forward=(1.00005, 2.0)), True),
        (B(handle_offset_forward=(1.0, 2.0)), B(handle_offset_forward=(1.0002, 2.0)), False),
        (B(handle_offset_backward=(0.0, 0.0)), B(), False),
    ]
    for left, right, equal in cases:
        assert (left == right) is equal, (left, right)
    itself = X(x=nan)
    assert itself == itself
    assert (X() == 3) is False
    with raises(NotImplementedError, "operator not implemented."):
        X() != X()
    with raises(NotImplementedError, "operator not implemented."):
        B() < B()


def test_offsets_need_two_numbers():
    assert B(handle_offset_backward=(1, 2.5)).handle_offset_backward == (1.0, 2.5)
    for short in ((), (1.0,), [1.0, 2.0]):
        with pytest.raises(TypeError):
            B(handle_offset_backward=short)
    with pytest.raises(TypeError):
        B(handle_offset_backward=("a", 1.0))


# --- Contours and points -------------------------------------------------------------------

def test_layer_contours_list_both_kinds_in_order(layers):
    a, _ = layers
    assert a.contours == []
    xspline = a.add_xspline_contour(0.0, [X(x=1.0, y=2.0)])
    bezier = a.add_bezier_contour(0.0, [])
    empty = a.add_xspline_contour(0.0, [])
    assert [type(c) for c in a.contours] == [p.XSplineContour, p.BezierContour, p.XSplineContour]
    assert a.contours == [xspline, bezier, empty] and empty.control_points == []
    with pytest.raises(TypeError):
        a.add_xspline_contour(0.0, [B()])
    with raises(TypeError, "plinx.project.Layer.add_xspline_contour(): takes at least 2 arguments (1 given)"):
        a.add_xspline_contour(0.0)


@pytest.mark.parametrize("kind", ["xspline", "bezier"])
def test_insertion_clamps_the_index(layers, kind):
    a, _ = layers
    if kind == "xspline":
        contour = a.add_xspline_contour(0.0, [X(x=0.0, y=0.0), X(x=1.0, y=0.0)])
        last = contour.insert_point(0.0, X(x=9.0, y=9.0), 100)
        first = contour.insert_point(0.0, X(x=7.0, y=7.0), 0, p.View())
    else:
        contour = a.add_bezier_contour(0.0, [B(x=0.0, y=0.0), B(x=1.0, y=0.0)])
        last = contour.insert_point(0.0, B(x=9.0, y=9.0))  # appends by default
        first = contour.insert_point(0.0, B(x=7.0, y=7.0), 0)
    points = contour.control_points
    assert len(points) == 4 and points[3] == last and points[0] == first
    assert contour.control_point(3) == last and contour.control_point(4) is None
    assert [pt.get_point_data(0.0).x for pt in points] == [7.0, 0.0, 1.0, 9.0]


def test_argument_errors_of_contours_and_points(layers):
    a, _ = layers
    bezier = square(a)
    xspline = a.add_xspline_contour(0.0, [X(x=1.0, y=1.0)])
    cases = [
        (lambda: bezier.insert_point(), TypeError, "plinx.project.BezierContour.insert_point(): takes at least 2 arguments (0 given)"),
        (lambda: bezier.insert_point(time=0.0, bcpd=B()), TypeError, None),
        (lambda: xspline.insert_point(0.0, X()), TypeError, "plinx.project.XSplineContour.insert_point(): takes at least 3 arguments (2 given)"),
        (lambda: xspline.get_bounding_rect(1.0, time=2.0), TypeError, "plinx.project.XSplineContour.get_bounding_rect(): got multiple values for keyword argument 'time'."),
        (lambda: bezier.control_point(0).set_master_point(arg__1=None), TypeError, None),
        (lambda: bezier.control_point(0).set_point_data(0.0), TypeError, "plinx.project.BezierControlPoint.set_point_data(): takes at least 2 arguments (1 given)"),
        (lambda: xspline.control_point(0).get_point_data(), TypeError, "plinx.project.XControlPoint.get_point_data(): takes at least 1 arguments (0 given)"),
        (lambda: p.XSplineContour(), TypeError, None),
        (lambda: p.BezierContour(xspline), TypeError, None),
        (lambda: p.XControlPoint(3), TypeError, None),
    ]
    for call, error, text in cases:
        with pytest.raises(error) as caught:
            call()
        if text is not None:
            assert str(caught.value) == text


def test_bounding_rect_is_left_top_right_bottom(layers):
    a, _ = layers
    contour = a.add_xspline_contour(0.0, [X(x=10.0, y=60.0), X(x=40.0, y=20.0), X(x=25.0, y=30.0)])
    assert contour.get_bounding_rect() == [10.0, 20.0, 40.0, 60.0]
    assert contour.get_bounding_rect(view=p.View(0), time=0.0) == [10.0, 20.0, 40.0, 60.0]
    box = square(a).get_bounding_rect(0.0)
    assert box == [0.0, 0.0, 10.0, 10.0]


def test_point_data_reads_every_field_clamped(layers):
    a, _ = layers
    point = a.add_xspline_contour(0.0, [X(x=1.0, y=2.0)]).control_point(0)
    point.set_point_data(4.0, X(weight=5.0, edge_width=2000.0, edge_angle_ratio=float("nan"), x=41.0))
    assert point.get_point_data(4.0) == X(True, False, 41.0, 2.0, 1.0, 1000.0, 0.0)
    assert point.get_point_data(0.0).x == 1.0  # frame 0 keeps its own key
    point.update_point_data(4.0, X(corner=True))
    assert point.get_point_data(4.0).corner is True


def test_bezier_offsets_are_handles_less_the_point(layers):
    a, _ = layers
    contour = square(a)
    assert contour.control_point(0).get_point_data(0.0).handle_offset_forward == (0.0, 0.0)
    point = contour.insert_point(2.0, B(x=5.0, y=5.0, handle_offset_backward=(1.0, 0.0),
                                        handle_offset_forward=(-1.0, 2.0)), 1)
    data = point.get_point_data(2.0)
    assert (data.handle_offset_backward, data.handle_offset_forward) == ((1.0, 0.0), (-1.0, 2.0))
    point.set_point_data(2.0, B(x=8.0, y=8.0))  # a move keeps the offsets
    assert point.get_point_data(2.0).handle_offset_forward == (-1.0, 2.0)
    point.set_point_data(2.0, B(handle_offset_forward=(0.0, 3.0)))
    assert point.get_point_data(2.0).handle_offset_forward == (0.0, 3.0)


# --- Handle life cycle ---------------------------------------------------------------------

@pytest.mark.parametrize("kind", ["xspline", "bezier"])
def test_dead_handles_are_falsy_and_fail_with_invalid_object(project, layers, kind):
    a, _ = layers
    contour = square(a) if kind == "bezier" else a.add_xspline_contour(0.0, [X(x=1.0, y=1.0)])
    point = contour.control_point(0)
    other = contour.__copy__()
    assert contour and point and not contour.isNull() and other == contour and hash(other) == hash(contour)
    assert not hasattr(point, "isNull")
    contour.remove()
    assert not contour and not point and contour.isNull()
    for call in (lambda: contour.control_points, lambda: point.get_point_data(0.0), lambda: hash(contour),
                 lambda: contour == other, lambda: point == point.__copy__(), lambda: point.master_point,
                 lambda: point.set_master_point(None), lambda: contour.get_bounding_rect()):
        with raises(RuntimeError, "Invalid object"):
            call()
    undo(project)
    assert len(a.contours) == 1 and not contour  # the contour is back, the old handle stays dead
    assert a.contours[0].control_point(0).get_point_data(0.0).x == (0.0 if kind == "bezier" else 1.0)


def test_a_subclass_decides_its_own_truth(layers):
    a, _ = layers

    class Never(p.BezierContour):
        def isNull(self):
            return True

    contour = Never(square(a))
    assert not contour and contour.isNull() is True and p.BezierContour.isNull(contour) is False


def test_points_come_back_under_their_ids_with_undo(project, layers):
    a, _ = layers
    contour = a.add_xspline_contour(0.0, [X(x=1.0, y=1.0), X(x=2.0, y=2.0)])
    point = contour.control_point(1)
    point.set_point_data(3.0, X(x=5.0, weight=0.25))
    data = point.get_point_data(3.0)
    point.remove()
    assert len(contour.control_points) == 1 and not point
    undo(project)
    assert contour.control_point(1).get_point_data(3.0) == data
    undo(project)
    assert contour.control_point(1).get_point_data(3.0).x == 2.0
    redo(project)
    assert contour.control_point(1).get_point_data(3.0) == data


# --- Master points -------------------------------------------------------------------------

def test_master_points(project, layers):
    a, b = layers
    leader = a.add_xspline_contour(0.0, [X(x=50.0, y=60.0)]).control_point(0)
    bezier_leader = square(a).control_point(2)
    follower = square(b).control_point(1)
    assert follower.master_point is None
    follower.set_master_point(leader, 12.0)
    assert type(follower.master_point) is p.XControlPoint and follower.master_point == leader
    assert (follower.get_point_data(0.0).x, follower.get_point_data(0.0).y) == (50.0, 60.0)
    follower.set_master_point(bezier_leader, lock_tangents=True)
    assert type(follower.master_point) is p.BezierControlPoint
    undo(project)
    assert follower.master_point == leader  # the master it replaced
    follower.set_master_point(None)
    assert follower.master_point is None
    follower.set_master_point(None)  # a free point: still one step
    undo(project)
    undo(project)
    assert follower.master_point == leader
    with pytest.raises(AttributeError):
        follower.master_point = None


def test_master_point_refusals_change_nothing(project, layers):
    a, b = layers
    leader = a.add_xspline_contour(0.0, [X(x=50.0, y=60.0)]).control_point(0)
    contour = square(b)
    follower = contour.control_point(1)
    leader.set_master_point(follower)
    for master, error, text in [
        (contour.control_point(0), AssertionError, "Master point must be on another layer"),
        (leader, AssertionError, "No cyclic constraints are allowed"),
        (follower, AssertionError, "No cyclic constraints are allowed"),
        (3, AssertionError, "Wrong argument type"),
        (contour, AssertionError, "Wrong argument type"),
    ]:
        with raises(error, text):
            follower.set_master_point(master)
        assert follower.master_point is None and leader.master_point == follower


def test_locked_tangents_undo_and_redo_with_the_constraint(project, layers):
    a, b = layers
    leader = a.add_xspline_contour(0.0, [X(x=50.0, y=60.0)]).control_point(0)
    contour = square(b)
    follower = contour.control_point(1)

    def neighbours():
        return [contour.control_point(i).get_point_data(0.0, p.View(0)) for i in (0, 2)]

    before = neighbours()
    follower.set_master_point(leader)
    assert neighbours() != before  # the core smooths the neighbours
    undo(project)
    assert neighbours() == before
    follower.set_master_point(leader, 0.0, p.View(0), True)
    assert neighbours() == before and follower.master_point == leader
    undo(project)
    assert neighbours() == before and follower.master_point is None
    redo(project)
    assert neighbours() == before and follower.master_point == leader


# --- Files and the application ------------------------------------------------------------

def test_saving_and_reopening_keeps_every_shape(project, layers, tmp_path):
    a, b = layers
    xspline = a.add_xspline_contour(0.0, [X(x=1.0, y=2.0), X(x=3.0, y=4.0)])
    xspline.control_point(0).set_point_data(4.0, X(False, True, 11.0, 12.0, -0.5, 3.0, 0.25))
    bezier = square(b)
    bezier.control_point(2).set_point_data(4.0, B(x=20.0, y=20.0, handle_offset_backward=(-1.0, 0.0),
                                                  handle_offset_forward=(1.0, 1.0)))
    bezier.control_point(0).set_master_point(xspline.control_point(1))

    def describe(project):
        shapes = []
        for layer in project.layers:
            for contour in layer.contours:
                shapes.append((layer.name, type(contour).__name__,
                               [[pt.get_point_data(t, p.View(0)) for t in (0.0, 4.0)] for pt in contour.control_points],
                               [type(pt.master_point).__name__ for pt in contour.control_points]))
        return shapes

    path = str(tmp_path / "shapes.plinx")
    project.save_as(path)
    reopened = p.Project(path)
    assert describe(reopened) == describe(project)
    by_name = {layer.name: layer for layer in reopened.layers}
    assert by_name["B"].contours[0].control_point(0).master_point == by_name["A"].contours[0].control_point(1)


def test_embedded_selection_picks_the_first_contour(project, layers, tmp_path):
    a, _ = layers
    a.add_xspline_contour(0.0, [X(x=1.0, y=1.0)])
    a.add_bezier_contour(0.0, [])
    path = tmp_path / "embedded.plinx"
    project.save_as(str(path))
    result = run_embedded("""
        import plinx.project as p
        layer = p.get_current_project().layers[1]
        layer.selected = True
        print("selected", layer.selected)
        layer.selected = False
    """, tmp_path, env={"PLINX_HOST_PROJECT": str(path), "PLINX_HOST_PRINT_HISTORY": "1"})
    assert result.returncode == 0, result.stderr
    out = result.stdout.splitlines()
    assert out[0] == "selected True"
    history = out[out.index("history:") + 1:]
    assert [line.split(" at ")[0] for line in history if line.startswith("executeAndLog")] == [
        "executeAndLog Select layer", "executeAndLog Unselect layer"]
    assert [line for line in history if line.startswith("vSetSelectionToolState")] == [
        "vSetSelectionToolState 2", "vSetSelectionToolState 0"]


def test_shapes_reach_their_parameters(layers):
    a, _ = layers
    contour = square(a)
    point = contour.control_point(2)
    point.set_point_data(4.0, B(x=41.0))
    assert point.parameter(["x"]).get(4.0) == 41.0 and point.parameter(["x"]).get(0.0) == 10.0
    assert point.parameter(["backwardX"]).get(4.0) == 41.0  # the handle moved with the point
    assert point.parameter_set() and contour.parameter_set()
    contour.remove()
    with raises(RuntimeError, "Invalid object"):
        point.parameter(["x"])
