"""The value types View, StreamInfo and ViewInfo and the enumerations of plinx.project."""
import pytest
import shiboken2

import plinx.project as p


# --- View --------------------------------------------------------------------

def test_default_view_is_the_core_default():
    assert p.View().id == 0
    assert p.View() == p.View(0)


@pytest.mark.parametrize("left, right, equal", [
    (p.View(3), p.View(3), True),
    (p.View(3), 3, True),          # implicit conversion from int
    (p.View(3), True, False),      # bool converts too: View(1)
    (p.View(1), True, True),
    (p.View(3), "a", False),
    (p.View(3), None, False),
    (p.View(3), p.View(4), False),
])
def test_view_equality(left, right, equal):
    assert (left == right) is equal


@pytest.mark.parametrize("op", [
    lambda a, b: a != b,
    lambda a, b: a <= b,
    lambda a, b: a > b,
    lambda a, b: a >= b,
    lambda a, b: a < "x",
])
def test_view_operators_other_than_eq_and_lt_are_refused(op):
    with pytest.raises(NotImplementedError, match="^operator not implemented.$"):
        op(p.View(3), p.View(4))


def test_view_order_repr_id_and_hash():
    assert p.View(-1) < p.View(0)
    assert p.View(2) < 3
    assert not (p.View(3) < p.View(3))
    assert repr(p.View(3)) == "View(3)"
    assert repr(p.View(-1)) == "View(-1)"
    assert p.View(3).id == 3
    assert p.View(-1).id == 4294967295
    assert hash(p.View(3)) == hash(p.View(3))
    assert {p.View(3): "x"}[p.View(3)] == "x"
    assert str(p.View(3)) == "view 3"


def test_view_id_is_a_read_only_property_without_get_id():
    v = p.View(3)
    assert not hasattr(v, "get_id")
    assert not hasattr(p.View, "get_id")
    with pytest.raises(AttributeError):
        v.id = 4
    with pytest.raises(AttributeError):
        del v.id


def test_view_copies_and_keyword_id_is_ignored():
    v = p.View(7)
    assert p.View(v) == v and p.View(v) is not v
    assert v.__copy__() == v
    assert p.View(id=5) == p.View()


@pytest.mark.filterwarnings("ignore:libshiboken. Overflow:RuntimeWarning")
@pytest.mark.parametrize("args, error", [
    (("x",), TypeError), ((1.5j,), TypeError), ((p.StreamInfo(),), TypeError), ((1, 2), TypeError),
    ((2 ** 40,), OverflowError),
])
def test_view_constructor_refuses_wrong_arguments(args, error):
    with pytest.raises((TypeError, OverflowError)) as caught:
        p.View(*args)
    assert caught.type is error
    assert str(caught.value)  # an overflow says what did not fit


def test_wrong_argument_error_names_the_constructor():
    with pytest.raises(TypeError, match="plinx.project.View"):
        p.View("x")


# --- StreamInfo -----------------------------------------------------------------

DEFAULT_STREAM = ("StreamInfo(path='', prefix='', suffix='', start_frame=4294967295, "
                  "end_frame=4294967295, index_width=0)")


def test_stream_info_defaults():
    s = p.StreamInfo()
    assert repr(s) == DEFAULT_STREAM
    assert (s.path, s.prefix, s.suffix) == ("", "", "")
    assert (s.start_frame, s.end_frame, s.index_width) == (4294967295, 4294967295, 0)


@pytest.mark.parametrize("args, kwargs, expected", [
    (("/shots", "a_", ".png", 1, 20, 4), {},
     ("/shots", "a_", ".png", 1, 20, 4)),
    ((), {"path": "/p", "prefix": "x"}, ("/p", "x", "", 4294967295, 4294967295, 0)),
    (("/p",), {"index_width": 3}, ("/p", "", "", 4294967295, 4294967295, 3)),
    (("/p",), {"unknown": 3}, ("/p", "", "", 4294967295, 4294967295, 0)),
])
def test_stream_info_construction(args, kwargs, expected):
    s = p.StreamInfo(*args, **kwargs)
    assert (s.path, s.prefix, s.suffix, s.start_frame, s.end_frame, s.index_width) == expected


def test_stream_info_copy_is_independent():
    s = p.StreamInfo("/a")
    c = p.StreamInfo(s)
    c.path = "/b"
    assert s.path == "/a" and c.path == "/b"
    d = s.__copy__()
    d.path = "/c"
    assert s.path == "/a"


@pytest.mark.parametrize("call, text", [
    (lambda: p.StreamInfo(1, 2, 3, 4, 5, 6, 7),
     "plinx.project.StreamInfo(): takes at least 0 arguments (7 given)"),
    (lambda: p.StreamInfo("a", "b", "c", 1, 2, 3, path="x"),
     "plinx.project.StreamInfo(): takes at least 0 arguments (7 given)"),
    (lambda: p.StreamInfo("a", path="b"),
     "plinx.project.StreamInfo(): got multiple values for keyword argument 'path'."),
    (lambda: p.StreamInfo("a", path="a"),
     "plinx.project.StreamInfo(): got multiple values for keyword argument 'path'."),
])
def test_stream_info_argument_errors(call, text):
    with pytest.raises(TypeError) as caught:
        call()
    assert str(caught.value) == text


@pytest.mark.filterwarnings("ignore:libshiboken. Overflow:RuntimeWarning")
@pytest.mark.parametrize("field, value, error", [
    ("start_frame", "x", TypeError), ("end_frame", 1.5j, TypeError), ("index_width", None, TypeError),
    ("path", 3, TypeError), ("suffix", 1.5, TypeError), ("start_frame", -1, OverflowError),
    ("end_frame", 2 ** 32, OverflowError), ("index_width", float("nan"), OverflowError),
])
def test_stream_info_properties_refuse_wrong_types(field, value, error):
    s = p.StreamInfo()
    with pytest.raises((TypeError, OverflowError)) as caught:
        setattr(s, field, value)
    assert caught.type is error
    assert repr(s) == DEFAULT_STREAM


def test_stream_info_setter_error_names_the_setter():
    with pytest.raises(TypeError, match="plinx.project.StreamInfo.set_start_frame"):
        p.StreamInfo().start_frame = "x"


def test_stream_info_getters_and_setters_are_folded_into_properties():
    for field in ("path", "prefix", "suffix", "start_frame", "end_frame", "index_width"):
        assert isinstance(getattr(p.StreamInfo, field), property)
        assert not hasattr(p.StreamInfo, "get_" + field)
        assert not hasattr(p.StreamInfo, "set_" + field)
    with pytest.raises(AttributeError):
        del p.StreamInfo().path


def test_stream_info_repr_keeps_placeholders_in_fields():
    s = p.StreamInfo("/shots/%4", "a%1_", ".%6", 1, 2, 3)
    assert repr(s) == ("StreamInfo(path='/shots/%4', prefix='a%1_', suffix='.%6', "
                       "start_frame=1, end_frame=2, index_width=3)")


# --- ViewInfo -----------------------------------------------------------------

def test_view_info_repr_and_fields():
    v = p.ViewInfo("Left", "L", (0.5, 0.5, 1.0))
    assert repr(v) == 'plinx.project.ViewInfo("Left", "L", (0.5, 0.5, 1))'
    assert (v.name, v.abbr, v.color) == ("Left", "L", (0.5, 0.5, 1.0))
    assert repr(p.ViewInfo("Left", "L", [1, 0, 0])) == 'plinx.project.ViewInfo("Left", "L", (1, 0, 0))'
    assert p.ViewInfo("%2", "%1", color=(0, 0, 0)).name == "%2"
    assert repr(p.ViewInfo("%2", "%1")) == 'plinx.project.ViewInfo("%2", "%1", (0, 0, 0))'


def test_view_info_equality_only():
    a = p.ViewInfo("Left", "L", (1, 0, 0))
    b = p.ViewInfo("Left", "L", (1, 0, 0))
    assert a == b
    b.color = (1, 0, 0.5)
    assert not (a == b)
    assert not (a == "Left")
    with pytest.raises(NotImplementedError, match="operator not implemented."):
        a != b


def test_view_info_copy_is_independent_and_no_args_ignores_color():
    a = p.ViewInfo("Left", "L", (1, 0, 0))
    c = p.ViewInfo(a)
    c.name = "Right"
    assert a.name == "Left"
    assert p.ViewInfo(color=(1, 1, 1)).color == (0.0, 0.0, 0.0)


@pytest.mark.parametrize("color, exception, text", [
    ((1.5, 0, 0), OverflowError, "Red value '1.5' must be between 0.0 and 1.0 values"),
    ((0.5, -0.25, 2), OverflowError, "Green value '-0.25' must be between 0.0 and 1.0 values"),
    ((0, 0, 2), OverflowError, "Blue value '2' must be between 0.0 and 1.0 values"),
    ((float("nan"), 0, 0), OverflowError, "Red value 'nan' must be between 0.0 and 1.0 values"),
    ((0, 0), TypeError, None),
    ((0, 0, 0, 0), TypeError, None),
    ({"r": 0}, TypeError, None),
    (("a", 0, 0), TypeError, None),
])
def test_view_info_color_conversion_errors_keep_the_old_color(color, exception, text):
    v = p.ViewInfo("Left", "L", (0.25, 0.25, 0.25))
    with pytest.raises(exception) as caught:
        v.color = color
    if text:
        assert str(caught.value) == text
    assert v.color == (0.25, 0.25, 0.25)


def test_view_info_argument_errors():
    with pytest.raises(TypeError, match=r"^plinx.project.ViewInfo\(\): takes at least 0 arguments \(4 given\)$"):
        p.ViewInfo("a", "b", (0, 0, 0), 4)
    # Counting comes first: a colour by position and by keyword is one too many.
    with pytest.raises(TypeError, match=r"takes at least 0 arguments \(4 given\)"):
        p.ViewInfo("a", "b", (0, 0, 0), color=(0, 0, 0))
    with pytest.raises(TypeError, match="plinx.project.ViewInfo"):
        p.ViewInfo("just a name")


# --- Enumerations -------------------------------------------------------------

@pytest.mark.parametrize("enum, members", [
    (p.Colorspace, {"LinearColorspace": 0, "LogColorspace": 1, "PanalogColorspace": 2}),
    (p.ColorConversion, {"NoneConversion": 0, "FloatConversion": 1, "_8BitConversion": 2}),
    (p.InterlaceMode, {"NotInterlaced": 0, "UpperFieldFirst": 1, "LowerFieldFirst": 2,
                       "_32PulldownUpFirstAA": 3, "_32PulldownLoFirstDD": 12, "InvalidInterlaceMode": 13}),
    (p.ColorizeOutput, {"Grayscale": 0, "ByMatteColor": 1, "ByLayer": 2}),
    (p.PixelFormat, {"GreyLevelFormat": 0, "RGBColorAlphaFormat": 3, "UndefinedFormat": 13}),
    (p.ChannelType, {"CharType": 0, "FloatType": 8, "UInt12Type": 16, "UndefinedType": 17}),
])
def test_enumeration_members_are_module_attributes_too(enum, members):
    for name, value in members.items():
        member = getattr(enum, name)
        assert int(member) == value
        assert getattr(p, name) is member
        assert isinstance(member, enum)


# --- Objects whose native object is gone ----------------------------------------

@pytest.mark.parametrize("make, use", [
    (lambda: p.View(3), lambda v: v.id),
    (lambda: p.View(3), lambda v: repr(v)),
    (lambda: p.View(3), lambda v: hash(v)),
    (lambda: p.View(3), lambda v: v == 3),
    (lambda: p.View(3), lambda v: p.View(1) == v),
    (lambda: p.StreamInfo(), lambda s: setattr(s, "path", "x")),
    (lambda: p.StreamInfo(), lambda s: s.__copy__()),
    (lambda: p.ViewInfo(), lambda v: v.name),
])
def test_deleted_native_object_raises_instead_of_crashing(make, use):
    obj = make()
    shiboken2.delete(obj)
    assert not shiboken2.isValid(obj)
    with pytest.raises(RuntimeError):
        use(obj)


# --- Construction refused where it would reuse a native object -------------------------

@pytest.mark.parametrize("make, again", [
    (lambda: p.View(3), lambda v: v.__init__(5)),
    (lambda: p.StreamInfo(), lambda s: s.__init__("a")),
    (lambda: p.View(3).__copy__(), lambda v: v.__init__(5)),
    (lambda: type("Sub", (p.View,), {})(3), lambda v: v.__init__(4)),
])
def test_init_again_on_a_live_or_deleted_object_is_refused(make, again):
    live = make()
    with pytest.raises(RuntimeError, match="initialize an object twice"):
        again(live)
    assert shiboken2.isValid(live)
    deleted = make()
    shiboken2.delete(deleted)
    with pytest.raises(RuntimeError, match="initialize an object twice"):
        again(deleted)
    assert not shiboken2.isValid(deleted)


def test_an_uninitialised_object_can_be_initialised_once():
    v = p.View.__new__(p.View)
    with pytest.raises(RuntimeError):
        v.id
    v.__init__(4)
    assert v.id == 4


@pytest.mark.parametrize("enum", [p.InterlaceMode, p.Colorspace, p.ChannelType])
def test_enumerations_refuse_subclasses(enum):
    with pytest.raises(TypeError, match="not an acceptable base type"):
        type("Sub", (enum,), {})


def test_two_threads_on_one_value_object():
    import threading
    s = p.StreamInfo()
    texts = ["a" * n for n in range(1, 40)]
    failures = []

    def write():
        for _ in range(300):
            for text in texts:
                s.path = text

    def read():
        for _ in range(3000):
            if s.path not in texts and s.path != "":
                failures.append(s.path)

    threads = [threading.Thread(target=write), threading.Thread(target=read)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert failures == [] and s.path == texts[-1]
