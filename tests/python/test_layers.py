"""plinx.project.Layer and LayerGroup, and the layers of a Project, on footage the tests write."""
import gc
import json
import re
import struct
import threading

import pytest

import plinx._init  # noqa: F401 (starts the core)
import plinx.project as p
from conftest import raises, run_embedded, write_frames


def single(value):
    """The value as the core's single-precision colour channels hold it."""
    return struct.unpack("f", struct.pack("f", value))[0]


CHANNEL = single(0.003921569)  # the single-precision value nearest to 1/255


@pytest.fixture
def clip(footage):
    return p.Clip(footage, "shot")


@pytest.fixture
def project(clip):
    return p.Project(clip)


@pytest.fixture
def plate(project):
    return project.clips["shot"]


def undo(project):
    project.undo_group().undo()


def names(layers):
    return [layer.name for layer in layers]


# --- Making layers and groups ------------------------------------------------------------

def test_a_new_layer_is_one_step_whose_undo_kills_the_handle(project, plate):
    layer = project.add_layer(plate)
    assert layer.name == "New layer" and layer and not layer.isNull()
    assert project.layers == [layer] and project.layer(0) == layer
    undo(project)
    assert not layer and layer.isNull()
    with raises(RuntimeError, "Invalid object"):
        layer.name  # noqa: B018
    project.undo_group().redo()
    assert not layer and names(project.layers) == ["New layer"]


@pytest.mark.parametrize("call, error, text", [
    (lambda pr, c: pr.add_layer(clip=c), TypeError,
     "plinx.project.Project.add_layer(): takes at least 1 arguments (0 given)"),
    (lambda pr, c: pr.add_layer(c, "n", name="m"), TypeError,
     "plinx.project.Project.add_layer(): got multiple values for keyword argument 'name'."),
    (lambda pr, c: pr.add_layer(c), RuntimeError, "Clip is not attached to this project"),
    (lambda pr, c: pr.add_layer(None), RuntimeError, "Invalid object"),
    (lambda pr, c: pr.add_group(name="G", layers=[1]), TypeError, None),
    (lambda pr, c: pr.add_group("G", [pr.layers[0], "layer"]), TypeError, None),
])
def test_refused_additions_change_nothing(project, plate, clip, call, error, text):
    project.add_layer(plate, "kept")
    before = (names(project.layers), [g.name for g in project.groups])
    with pytest.raises(error) as caught:
        call(project, clip)
    if text is not None:
        assert str(caught.value) == text
    assert (names(project.layers), [g.name for g in project.groups]) == before
    undo(project)
    assert project.layers == []  # the refused call left no step


def test_a_layer_takes_every_view_and_its_frame(project, plate, tmp_path):
    project.views = [p.ViewInfo("Left", "L"), p.ViewInfo("Right", "R")]
    layer = project.add_layer(plate, "stereo", 3, view=7)
    assert layer.in_point() == 3 and layer.in_point(p.View(1)) == 3 and layer.out_point() == project.length - 1
    project.save_as(str(tmp_path / "views.plinx"))
    with open(tmp_path / "views.plinx", encoding="utf-8") as saved:
        assert json.load(saved)["layers"][0]["views"] == [0, 1]


def test_groups_take_their_layers_in_order(project, plate):
    empty = project.add_group()
    assert empty.name == "New group" and empty.layers == []
    a, b = project.add_layer(plate, "a"), project.add_layer(plate, "b")
    group = project.add_group("G", [a, b])
    assert group.layers == [a, b] and a.parent == group and b.parent == group
    assert project.groups == [group, empty]
    layers = project.layers
    assert project.layer(len(layers)) is None
    assert all(project.layer(i) == layers[i] for i in range(len(layers)))


def test_a_layer_and_a_group_of_one_name_are_found_once_each(project, plate):
    layer = project.add_layer(plate, "same")
    group = project.add_group("same")
    assert project.find_layers("same") == [layer] and project.find_groups("same") == [group]
    assert group.find_layers("same") == [] and project.find_layers("other") == []
    # A group finds the layers in it by name, never itself.
    inside, other = project.add_layer(plate, "same"), project.add_layer(plate, "other")
    group.insert_child(inside)
    group.insert_child(other)
    assert group.find_layers("same") == [inside] and group.find_layers("other") == [other]
    found = project.find_layers("same")
    assert len(found) == 2 and layer in found and inside in found and project.find_groups("same") == [group]


def test_a_group_with_a_dead_layer_is_not_made(project, plate):
    alive, gone = project.add_layer(plate, "alive"), project.add_layer(plate, "gone")
    gone.remove()
    with raises(RuntimeError, "Invalid object"):
        project.add_group("G", [alive, gone])
    assert project.groups == [] and alive.parent is None


# --- Properties and undo -------------------------------------------------------------------

@pytest.mark.parametrize("prop, value, undoable", [
    ("name", "renamed", True),
    ("matte_color", (0.0, 0.5, 1.0), True),
    ("stroke_color", (1.0, 0.0, 0.0), True),
    ("z_order", 0, True),
    ("link_to_track", "other", True),
    ("visibility", False, False),
    ("locked", True, False),
])
def test_each_undoable_property_is_one_step(project, plate, prop, value, undoable):
    other = project.add_layer(plate, "other")
    layer = project.add_layer(plate, "layer")
    value = other if value == "other" else value
    before = getattr(layer, prop)
    setattr(layer, prop, value)
    after = getattr(layer, prop)
    assert after != before
    undo(project)
    if undoable:
        assert getattr(layer, prop) == before
    else:  # the undo took back the layer itself
        assert layer.isNull()


@pytest.mark.parametrize("prop", ["name", "matte_color", "stroke_color", "z_order", "visibility", "locked"])
def test_group_properties(project, plate, prop):
    project.add_layer(plate)
    group = project.add_group("G")
    values = {"name": "H", "matte_color": (0.0, 0.0, 1.0), "stroke_color": (0.0, 1.0, 0.0), "z_order": 0,
              "visibility": False, "locked": True}
    before = getattr(group, prop)
    setattr(group, prop, values[prop])
    assert getattr(group, prop) != before
    undo(project)
    if prop in ("visibility", "locked"):  # no step: the undo took back the group's name
        assert group.name == "Group"  # the core's name for a group it makes
    else:
        assert getattr(group, prop) == before


def test_colours_are_eight_bit_channels(project, plate):
    layer = project.add_layer(plate)
    layer.matte_color = (1.0, 0.5, 0.0)
    assert layer.matte_color == (single(255 * CHANNEL), single(127 * CHANNEL), 0.0)
    assert layer.matte_color[0] == 1.0
    layer.stroke_color = [1, 1, 1]
    assert layer.stroke_color == (1.0, 1.0, 1.0)
    for channel in range(256):
        value = single(channel * CHANNEL)
        layer.stroke_color = (value, value, value)
        assert layer.stroke_color == (value, value, value), channel


@pytest.mark.parametrize("color, error, text", [
    ((1.5, 0, 0), OverflowError, "Red value '1.5' must be between 0.0 and 1.0 values"),
    ((0.5, -0.25, 2), OverflowError, "Green value '-0.25' must be between 0.0 and 1.0 values"),
    ((0, 0, float("nan")), OverflowError, "Blue value 'nan' must be between 0.0 and 1.0 values"),
    ((0.5, 0.5), TypeError, None),
    ((0.5, 0.5, 0.5, 0.5), TypeError, None),
    ({"r": 1}, TypeError, None),
])
def test_colours_out_of_range_or_shape_are_refused(project, plate, color, error, text):
    layer = project.add_layer(plate)
    before = layer.matte_color
    with pytest.raises(error) as caught:
        layer.matte_color = color
    if text:
        assert str(caught.value) == text
    assert layer.matte_color == before


@pytest.mark.parametrize("index, z, order", [
    (2, 0, "cabde"), (2, 1, "acbde"), (2, 2, "abcde"), (2, 3, "abdce"), (2, 4, "abdec"), (0, 4, "bcdea"),
])
def test_z_order_reads_back(project, plate, index, z, order):
    layers = [project.add_layer(plate, name) for name in "abcde"]
    layers[index].z_order = z
    assert layers[index].z_order == z
    assert "".join(reversed(names(project.layers))) == order


INT_MAX = 2 ** 31 - 1


@pytest.mark.parametrize("kind", ["layer", "group"])
@pytest.mark.parametrize("z, place", [
    (-INT_MAX - 1, 0), (-1, 0), (0, 0), (2, 2), (3, 3), (4, 3), (INT_MAX - 1, 3), (INT_MAX, 3),
])
def test_z_order_past_either_end_is_that_end(project, plate, kind, z, place):
    nodes = [project.add_layer(plate, name) for name in "abc"] + [project.add_group("g")]
    node = nodes[1] if kind == "layer" else nodes[3]
    node.z_order = z
    assert node.z_order == place
    assert sorted(other.z_order for other in nodes) == [0, 1, 2, 3]


@pytest.mark.parametrize("z", [INT_MAX + 1, -INT_MAX - 2, 2 ** 64])
def test_z_order_beyond_an_int_is_refused(project, plate, z):
    nodes = [project.add_layer(plate, name) for name in "abc"] + [project.add_group("g")]
    before = [node.z_order for node in nodes]
    for node in (nodes[1], nodes[3]):
        with pytest.raises(OverflowError):
            node.z_order = z
    assert [node.z_order for node in nodes] == before


def test_children_and_parents(project, plate):
    x, y, layer = (project.add_layer(plate, name) for name in ("x", "y", "l"))
    group = project.add_group("G", [x, y])
    group.insert_child(layer)
    assert names(group.layers) == ["x", "y", "l"] and layer.parent == group
    layer.parent = None
    assert layer.parent is None and names(group.layers) == ["x", "y"] and project.layers[0] == layer
    group.insert_child(layer, index=1)  # one before the last
    assert names(group.layers) == ["x", "l", "y"]
    layer.set_parent(None)
    layer.set_parent(group, 2)
    assert names(group.layers) == ["l", "x", "y"]
    layer.set_parent(None)
    group.insert_child(layer, 99)  # past the rearmost: at the rear
    assert names(group.layers) == ["l", "x", "y"]
    layer.parent = group
    assert names(group.layers) == ["x", "y", "l"]
    # A keyword repeating the one optional argument is one argument too many.
    with raises(TypeError, "plinx.project.LayerGroup.insert_child(): takes at least 1 arguments (3 given)"):
        group.insert_child(layer, 0, index=1)


def test_links(project, plate):
    layer, other = project.add_layer(plate, "a"), project.add_layer(plate, "b")
    assert layer.link_to_track is None
    layer.link_to_track = other
    assert layer.link_to_track == other
    layer.link_to_track = layer
    assert layer.link_to_track == layer
    layer.link_to_track = None
    assert layer.link_to_track is None
    with pytest.raises(TypeError):
        layer.link_to_track = 1


def test_selection_is_for_the_application_only(project, plate):
    layer = project.add_layer(plate)
    for action in (lambda: layer.selected, lambda: setattr(layer, "selected", True)):
        with raises(NotImplementedError, "This property is not available outside Plinx application"):
            action()


def test_corners_matrices_and_frames(project, plate):
    layer = project.add_layer(plate, frame_number=2)
    assert layer.get_surface_position(2, 0.0) == [40.0, 30.0]
    assert layer.get_surface_position(1, 3.5, p.View(0)) == [40.0, 0.0]
    with raises(AssertionError, "point_index '4' out of range [0, 3]"):
        layer.get_surface_position(4, 0.0)
    assert layer.get_transform_matrix(1.0) == ((1.0, 0.0, 0.0), (0.0, 1.0, 0.0), (0.0, 0.0, 1.0))
    assert layer.in_point() == 2 and layer.out_point(view=0) == 4
    with raises(TypeError, "plinx.project.Layer.in_point(): takes at least 0 arguments (2 given)"):
        layer.in_point(0, view=0)
    with raises(TypeError, "plinx.project.Layer.get_surface_position(): takes at least 2 arguments (1 given)"):
        layer.get_surface_position(0)


# --- The Layer type ------------------------------------------------------------------------

def test_a_layer_is_a_value_compared_by_its_core_layer(project, plate):
    layer = project.add_layer(plate)
    copy = p.Layer(layer)
    assert copy == layer and hash(copy) == hash(layer) and copy is not layer
    assert layer.__copy__() == layer and project.layers[0] == layer
    assert (layer == 1) is False and (layer != 1) is True and layer != project.add_layer(plate)
    with raises(NotImplementedError, "operator not implemented."):
        layer < copy  # noqa: B015
    for args in ((), (1,), (layer, layer)):
        with pytest.raises(TypeError):
            p.Layer(*args)
    assert not hasattr(layer, "get_name") and isinstance(p.Layer.name, property)


def test_an_isnull_override_that_answers_wrongly_counts_as_false(project, plate):
    class Odd(p.Layer):
        def isNull(self):
            return "yes"

    odd = Odd(project.add_layer(plate))
    with pytest.warns(RuntimeWarning, match=re.escape(
            "Invalid return value in function Layer.isNull, expected bool, got str.")):
        assert bool(odd)


def test_a_group_compares_by_equality_only_and_is_unhashable(project):
    group = project.add_group("G")
    assert group == project.groups[0] and p.LayerGroup(group) == group and (group == 1) is False
    for compare in (lambda: group != group, lambda: group < group):
        with raises(NotImplementedError, "operator not implemented."):
            compare()
    with pytest.raises(TypeError):
        hash(group)


def test_parameters_of_layers_and_groups(project, plate):
    # The link parameters are the layer's own; a link set through the layer
    # reads back through its parameter handle.
    layer, other = project.add_layer(plate, "a"), project.add_layer(plate, "b")
    group = project.add_group("G", [layer])
    assert ["linkToTrack"] in [parameter.name_components for parameter in layer.parameter_set().parameters]
    layer.link_to_track = other
    assert layer.parameter(["linkToTrack"]).get() is True
    assert layer.parameter_set() and group.parameter_set()
    for call in (lambda: layer.parameter(1), lambda: group.parameter(), lambda: group.parameter_set(1)):
        with pytest.raises(TypeError):
            call()
    with raises(AssertionError, "No such parameter: 'nothing'"):
        layer.parameter(["nothing"]).get()
    layer.remove()
    with raises(RuntimeError, "Invalid object"):
        layer.parameter_set().parameters


def test_dead_layers_and_groups(project, plate):
    layer, alive = project.add_layer(plate), project.add_layer(plate)
    group = project.add_group("G")
    layer.remove()
    assert not layer and layer.isNull()
    # Whatever else is wrong with the call (outside the application, a bad
    # argument), a layer that is gone says so first.
    for action in (lambda: layer.name, lambda: layer.parent, lambda: hash(layer), lambda: layer == alive,
                   lambda: alive == layer, lambda: setattr(layer, "parent", group),
                   lambda: group.insert_child(layer), lambda: layer.selected,
                   lambda: setattr(layer, "selected", True), lambda: layer.get_surface_position(9, 0.0),
                   lambda: setattr(layer, "z_order", INT_MAX), lambda: setattr(layer, "link_to_track", alive)):
        with raises(RuntimeError, "Invalid object"):
            action()
    undo(project)  # the removal: the layer is made anew
    assert not layer and len(project.layers) == 2
    undo(project)  # the group's name; making the group is no step
    assert group and group.name == "Group"


def test_handles_die_with_their_project(clip):
    project = p.Project(clip)
    layer = project.add_layer(project.clips["shot"])
    group = project.add_group("G")
    del project
    gc.collect()
    assert not layer and layer.isNull() and not group and group.isNull()
    for action in (lambda: group.name, lambda: group == p.LayerGroup(group), lambda: layer == p.Layer(layer),
                   lambda: layer.tracking_input_clip()):
        with raises(RuntimeError, "Invalid object"):
            action()


def test_two_threads_edit_the_layers_of_one_project(project, plate):
    failures = []

    def edit(prefix):
        try:
            for index in range(40):
                layer = project.add_layer(plate, "%s%d" % (prefix, index))
                layer.matte_color = (0.5, 0.5, 0.5)
                layer.z_order = 0
                assert all(other.name for other in project.layers)
        except Exception as error:  # noqa: BLE001 (reported below)
            failures.append(error)

    threads = [threading.Thread(target=edit, args=(prefix,)) for prefix in "ab"]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert failures == []
    assert sorted(names(project.layers)) == sorted("%s%d" % (prefix, i) for prefix in "ab" for i in range(40))


# --- Files ---------------------------------------------------------------------------------

def test_saving_and_reopening_keeps_the_tree(project, plate, tmp_path):
    a, b, c = (project.add_layer(plate, name) for name in ("a", "b", "c"))
    group = project.add_group("G", [a, b])
    b.z_order = 0
    b.visibility = False
    group.locked = True
    a.matte_color = (0.0, 0.5, 1.0)
    c.link_to_track = a
    path = str(tmp_path / "layers.plinx")
    project.save_as(path)
    reopened = p.Project(path)

    def tree(pr):
        return [(layer.name, layer.visibility, layer.locked, layer.matte_color, layer.stroke_color, layer.z_order,
                 layer.parent.name if layer.parent else None,
                 layer.link_to_track.name if layer.link_to_track else None) for layer in pr.layers]

    assert tree(reopened) == tree(project)
    assert [(g.name, g.locked, names(g.layers)) for g in reopened.groups] == [("G", True, ["b", "a"])]


def test_the_tracking_clip_is_a_clip_of_the_project(project, plate, tmp_path):
    second = project.add_clip(p.Clip(write_frames(tmp_path / "b", "b")), "second")
    layer, other = project.add_layer(plate), project.add_layer(second)
    layer.link_to_track = other
    assert layer.tracking_input_clip().id == plate.id
    assert layer.tracking_input_clip(use_linked_layer=True).id == second.id


# --- Embedded ------------------------------------------------------------------------------

def test_embedded_selection_needs_contours_and_a_change(project, plate, tmp_path):
    project.add_layer(plate, "outline")
    path = tmp_path / "embedded.plinx"
    project.save_as(str(path))
    result = run_embedded("""
        import plinx.project as p
        layer = p.get_current_project().layers[0]
        print("selected", layer.selected)
        layer.selected = False
        try:
            layer.selected = True
        except AssertionError as error:
            print("refused", error)
    """, tmp_path, env={"PLINX_HOST_PROJECT": str(path), "PLINX_HOST_PRINT_HISTORY": "1"})
    assert result.returncode == 0, result.stderr
    out = result.stdout.splitlines()
    assert out[:2] == ["selected False", "refused No contours in the layer to select"]
    assert out[2:] == ["history:"]  # no command
