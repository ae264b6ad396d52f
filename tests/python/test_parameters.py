"""plinx.project.Parameter and ParameterSet: handles on the parameters of a
project's clips, on footage the tests write."""
import copy
import gc
import re
import warnings

import pytest

import plinx._init  # noqa: F401 (starts the core)
import plinx.project as p

from conftest import raises


def wrong_arguments(name):
    """The runtime's wrong-arguments TypeError, which names the function."""
    return pytest.raises(TypeError, match="^'" + re.escape(name) + "' called with wrong argument (types|values)")


@pytest.fixture
def clip(project):
    return project.clips["shot"]


@pytest.fixture
def camera(clip):
    """The base clip's camera set: two keyframed parameters."""
    return clip.base_parameter_set(["camera"])


def test_properties_replace_their_getters():
    for type_, properties in [(p.Parameter, ["name_components", "keyframes"]),
                              (p.ParameterSet, ["name_components", "parameters", "subsets", "keyframes",
                                                "display_name", "script_name"])]:
        for name in properties:
            assert isinstance(getattr(type_, name), property), name
            assert not hasattr(type_, "get_" + name)


def test_argument_errors(project, clip):
    mode = clip.parameter(["frameRateMode"])
    cases = [
        (lambda: mode.set(val=1), raises(TypeError, "plinx.project.Parameter.set(): takes at least 1 arguments (0 given)")),
        (lambda: mode.set(1, 2.0, 0, 4), raises(TypeError, "plinx.project.Parameter.set(): takes at least 1 arguments (4 given)")),
        (lambda: mode.get(1.0, 0, 3), raises(TypeError, "plinx.project.Parameter.get(): takes at least 0 arguments (3 given)")),
        (lambda: mode.get(1.0, time=2.0),
         raises(TypeError, "plinx.project.Parameter.get(): got multiple values for keyword argument 'time'.")),
        (lambda: mode.set(0, 1.0, time=2.0),
         raises(TypeError, "plinx.project.Parameter.set(): got multiple values for keyword argument 'time'.")),
        (lambda: mode.get("noon"), wrong_arguments("plinx.project.Parameter.get")),
        (lambda: mode.get(view="left"), wrong_arguments("plinx.project.Parameter.get")),
        (lambda: mode.delete_keyframe(1.0), wrong_arguments("plinx.project.Parameter.delete_keyframe")),
        (lambda: mode.delete_keyframe(1.0, 0, 0), wrong_arguments("plinx.project.Parameter.delete_keyframe")),
        (lambda: mode.delete_keyframe(1.0, view=0), pytest.raises(TypeError, match="keyword")),
        (lambda: p.Parameter(), wrong_arguments("plinx.project.Parameter")),
        (lambda: p.Parameter("frameRateMode"), wrong_arguments("plinx.project.Parameter")),
        (lambda: p.Parameter(clip.parameter_set()), wrong_arguments("plinx.project.Parameter")),
        (lambda: p.ParameterSet(mode), wrong_arguments("plinx.project.ParameterSet")),
        (lambda: p.ParameterSet(), wrong_arguments("plinx.project.ParameterSet")),
        (lambda: clip.parameter(3), wrong_arguments("plinx.project.Clip.parameter")),
        (lambda: clip.parameter_set([], name_components=[]),
         raises(TypeError, "plinx.project.Clip.parameter_set(): takes at least 0 arguments (2 given)")),
        (lambda: clip.base_parameter_set(3), wrong_arguments("plinx.project.Clip.base_parameter_set")),
        (lambda: clip.base_parameter_set([], []),
         raises(TypeError, "plinx.project.Clip.base_parameter_set(): takes at least 0 arguments (2 given)")),
        (lambda: project.parameter(), pytest.raises(TypeError, match="takes exactly one argument")),
        (lambda: project.parameter(3), wrong_arguments("plinx.project.Project.parameter")),
        (lambda: project.parameter_set(["shot"], name_components=[]),
         raises(TypeError, "plinx.project.Project.parameter_set(): takes at least 0 arguments (2 given)")),
    ]
    for call, expectation in cases:
        with expectation:
            call()
    assert mode.get() == 1  # nothing reached the parameter


def test_a_static_parameter_holds_one_value_per_view(clip):
    mode = clip.parameter(["frameRateMode"])
    assert mode.name_components == ["frameRateMode"]
    # The clip mode travels as an enumeration of the core: Python sees an int.
    assert type(mode.get()) is int
    mode.set(0)
    assert mode.get() == 0 == mode.get(4294967295.0, 0) == mode.get(view=p.View(0))
    refusals = [
        (lambda: mode.get(12.0), "Parameter not animated"),
        (lambda: mode.set(1, 12.0), "Parameter not animated"),
        (lambda: mode.get(view=1), "Parameter not splittable"),
        (lambda: mode.set(1, view=1), "Parameter not splittable"),
        (lambda: mode.set("manual"), "Cannot convert 'manual' to TQ_CLIP_MODE"),
    ]
    for call, text in refusals:
        with raises(RuntimeError, text):
            call()
    assert mode.get() == 0 and mode.keyframes == []
    mode.set(True)
    assert mode.get() == 1
    # Without keyframes, deleting one puts the static value back to its default.
    mode.delete_keyframe(3.0, 0)
    assert mode.get() == 0


@pytest.mark.parametrize("owner, name, numbers", [
    ("clip", "frameRateMode", [1e9, 2, -1, 2 ** 32 + 1, float("nan")]),  # an enumeration: 0 and 1
    ("layer", "inPoint", [-1, 2 ** 32, float("inf"), float("nan")]),
])
def test_numbers_outside_the_value_type_are_refused(project, clip, owner, name, numbers):
    holder = clip if owner == "clip" else project.add_layer(clip, "A", 0, 0)
    parameter = holder.parameter_set()[name]
    before = parameter.get()
    for number in numbers:
        with pytest.raises(RuntimeError, match="^Cannot convert '"):
            parameter.set(number)
        assert parameter.get() == before, number


def test_a_bool_parameter_takes_what_qt_converts_to_bool(project, clip):
    parameter = project.add_layer(clip, "A", 0, 0).parameter_set()["linkToTrack"]
    for value, stored in [(2, True), (0, False), (-1, True), (0.5, True), (0.0, False), ("true", True),
                          ("false", False), (True, True)]:
        parameter.set(not stored)
        parameter.set(value)
        assert parameter.get() is stored, value
    with raises(RuntimeError, "Cannot convert 'QVariantList' to bool"):
        parameter.set([1])
    assert parameter.get() is True


def test_an_animated_parameter_is_keyed_at_frames(clip, camera):
    back, focal = camera["filmBackUnits"], camera["focalLengthUnits"]
    back.set(1, 14.0)
    back.set(0, 12.0)
    back.set(1, 12.0)  # the keyframe there changes, no second one
    focal.set(1, 12.0)
    focal.set(1, 3.0)
    assert back.keyframes == [(p.View(0), 12.0), (p.View(0), 14.0)]
    assert all(type(view) is p.View and type(time) is float for view, time in back.keyframes)
    assert back.get(12.0) == 1 and back.get(13.0) == 1
    # The set's keyframes: every parameter below it, each (view, time) once, in order.
    expected = [(p.View(0), 3.0), (p.View(0), 12.0), (p.View(0), 14.0)]
    assert camera.keyframes == expected == clip.base_parameter_set().keyframes
    back.delete_keyframe(14.0, 0)
    back.delete_keyframe(13.0, 0)  # no keyframe there: nothing changes
    assert back.keyframes == [(p.View(0), 12.0)]
    with raises(RuntimeError, "Cannot convert 'QVariantList' to uint"):
        back.set([1, 2], 12.0)
    assert back.get(12.0) == 1


def test_paths_that_lead_nowhere(clip):
    missing = clip.parameter(["camera", "filmBackUnits"])  # the clip has no camera; its base clip has
    assert not missing and missing.isNull()
    for call in (missing.get, lambda: missing.set(1), lambda: missing.keyframes):
        with raises(AssertionError, "No such parameter: 'camera.filmBackUnits'"):
            call()
    assert missing.delete_keyframe(1.0, 0) is None
    with raises(AssertionError, "No such parameter: ''"):
        clip.parameter([]).get()

    nowhere = clip.parameter_set(["x", "y"])
    assert not nowhere and nowhere.isNull()
    for name in ("parameters", "subsets", "keyframes", "display_name", "script_name"):
        with raises(AssertionError, "No such parameter set: 'x.y'"):
            getattr(nowhere, name)
    with raises(AssertionError, "No such parameter set: 'x.y'"):
        nowhere["z"]


def test_trees_and_names(project, clip):
    clip_set = clip.parameter_set()
    assert (clip_set.script_name, clip_set.display_name, clip_set.name_components) == ("shot", "shot", [])
    assert [x.name_components for x in clip_set.parameters] == [["frameRateMode"], ["filmTypeMode"]]
    assert clip_set.subsets == []
    base = clip.base_parameter_set()
    assert [s.name_components for s in base.subsets] == [["camera"]]
    assert [x.name_components for x in base.subsets[0].parameters] == [["camera", "filmBackUnits"],
                                                                         ["camera", "focalLengthUnits"]]
    root = project.parameter_set()
    assert root.script_name == "project" and [s.name_components for s in root.subsets] == [["shot"]]
    # One parameter reached from the project and from the clip.
    from_project = project.parameter(["shot", "frameRateMode"])
    from_clip = clip.parameter(["frameRateMode"])
    assert from_project == from_clip and hash(from_project) == hash(from_clip)
    assert from_project.name_components == ["shot", "frameRateMode"]
    assert root["shot"] == clip_set and hash(root["shot"]) == hash(clip_set)


@pytest.mark.parametrize("kind", ["Parameter", "ParameterSet"])
def test_equality_and_hashing(clip, kind):
    if kind == "Parameter":
        first, second = clip.parameter(["frameRateMode"]), clip.parameter_set().parameters[0]
        other, missing = clip.parameter(["filmTypeMode"]), clip.parameter(["nothing"])
        make = p.Parameter
    else:
        first, second = clip.base_parameter_set(["camera"]), clip.base_parameter_set().subsets[0]
        other, missing = clip.parameter_set(), clip.parameter_set(["nothing"])
        make = p.ParameterSet
    assert first == second and not first != second and hash(first) == hash(second)
    assert len({first, second, make(first), copy.copy(first)}) == 1
    assert first != other and not first == other
    # A handle that reaches nothing equals only itself.
    assert missing == missing and missing != make(missing) and missing != copy.copy(missing)
    assert (first == 3, first != 3) == (False, True)
    for compare in (lambda: first < second, lambda: first >= 3):
        with raises(NotImplementedError, "operator not implemented."):
            compare()


@pytest.mark.parametrize("where, key, expected", [
    ("base", "camera", lambda c, b: b.subsets[0]),
    ("clip", "frameRateMode", lambda c, b: c.parameters[0]),
    ("base", ["camera", "focalLengthUnits"], lambda c, b: b.subsets[0].parameters[1]),
    ("base", ("camera", "focalLengthUnits"), lambda c, b: b.subsets[0].parameters[1]),
    ("base", ["camera"], lambda c, b: b.subsets[0]),
    ("base", (), lambda c, b: b),
    ("clip", [], lambda c, b: c),
])
def test_subscript_walks_subsets_then_parameters(clip, where, key, expected):
    sets = {"clip": clip.parameter_set(), "base": clip.base_parameter_set()}
    found = sets[where][key]
    wanted = expected(sets["clip"], sets["base"])
    assert type(found) is type(wanted) and found == wanted


@pytest.mark.parametrize("key", [
    3, ["camera", 3], [b"camera"], (1, 2), "Camera", "filmBackUnits", b"camera", ["camera", "filmBackUnits", "x"],
    ["camera", "nothing", "filmBackUnits"], {"camera": 1}, None,
])
def test_subscript_refusals_carry_the_key(clip, key):
    with pytest.raises(KeyError) as refused:
        clip.base_parameter_set()[key]
    assert refused.value.args == (key,)


def test_a_parameter_is_no_path_to_walk_through(clip):
    with pytest.raises(KeyError):
        clip.parameter_set()[["frameRateMode", "x"]]


def test_sets_have_no_length_and_take_no_items(clip):
    parameters = clip.parameter_set()
    with pytest.raises(TypeError):
        len(parameters)
    with pytest.raises(TypeError, match="does not support item assignment"):
        parameters["frameRateMode"] = 1


def test_everything_but_the_path_fails_once_the_root_is_gone(footage):
    project = p.Project(p.Clip(footage, "shot"))  # held by this test alone
    clip = project.clips["shot"]
    camera = clip.base_parameter_set(["camera"])
    mode, other = clip.parameter(["frameRateMode"]), clip.parameter(["filmTypeMode"])
    clip_set = clip.parameter_set()
    empty_path = clip.parameter([])
    del project, clip
    gc.collect()
    calls = [
        mode.get, lambda: mode.set(1), lambda: mode.keyframes, lambda: mode.delete_keyframe(1.0, 0),
        lambda: bool(mode), lambda: mode == other, lambda: mode != other, lambda: hash(mode), mode.isNull,
        lambda: camera.parameters, lambda: camera.subsets, lambda: camera.keyframes, lambda: camera.display_name,
        lambda: camera.script_name, lambda: bool(camera), lambda: camera == clip_set, lambda: hash(camera),
        lambda: camera["filmBackUnits"], camera.isNull,
    ]
    for call in calls:
        with raises(RuntimeError, "Invalid object"):
            call()
    assert mode.name_components == ["frameRateMode"] and camera.name_components == ["camera"]
    assert not empty_path  # an empty path asks no root


@pytest.mark.parametrize("kind", ["Parameter", "ParameterSet", "ImageData"])
def test_an_isNull_override_decides_the_truth_value(clip, kind, capfd):
    made = {"Parameter": lambda: clip.parameter(["frameRateMode"]), "ParameterSet": clip.parameter_set,
            "ImageData": lambda: clip.image(0)}[kind]
    base = getattr(p, kind)
    answers = []

    class Judged(base):
        def isNull(self):
            answer = answers.pop(0)
            if isinstance(answer, Exception):
                raise answer
            return answer

    class Deferring(base):
        def isNull(self):
            return not base.isNull(self)

    judged = Judged(made())
    answers[:] = [True, False]
    assert (bool(judged), bool(judged)) == (False, True)
    assert bool(Deferring(made())) is False  # the class's own isNull, not the override again
    assert base.isNull(judged) is False

    # A wrong result or an error gives the default result, false.
    answers[:] = ["yes", ValueError("judged")]
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        assert bool(judged) is True
    assert [str(w.message) for w in caught] == [
        "Invalid return value in function %s.isNull, expected bool, got str." % kind]
    assert bool(judged) is True
    assert "ValueError: judged" in capfd.readouterr().err
