"""The binding frame, driven through the test-only module bindingprobe."""
import gc

import warnings

import pytest
import shiboken2
from PySide2 import QtCore

import bindingprobe as b
from conftest import run_python

APP = QtCore.QCoreApplication.instance() or QtCore.QCoreApplication([])


def outcome(call):
    """The call's result, or its exception class and text."""
    try:
        return call()
    except Exception as error:  # noqa: BLE001 (the table compares them)
        return type(error), str(error)


# --- Calls: counts, keywords, defaults, overloads ---------------------------------

SAMPLE = b.Sample("ab", 3)


@pytest.mark.parametrize("call, expected", [
    (lambda: SAMPLE.describe(), "ab"),
    (lambda: SAMPLE.describe(">", 4), ">  ab"),
    (lambda: SAMPLE.describe(upper=True, prefix="x"), "XAB"),
    (lambda: SAMPLE.describe(">", unknown=1), ">ab"),  # unknown keywords are ignored
    (lambda: SAMPLE.describe(">", prefix="<"),
     (TypeError, "bindingprobe.Sample.describe(): got multiple values for keyword argument 'prefix'.")),
    (lambda: SAMPLE.describe(1, 2, 3, 4),
     (TypeError, "bindingprobe.Sample.describe(): takes at least 0 arguments (4 given)")),
    # Too many is checked before too few: 0 positional and 3 keywords.
    (lambda: SAMPLE.scaled(a=1, b=2, c=3),
     (TypeError, "bindingprobe.Sample.scaled(): takes at least 1 arguments (3 given)")),
    (lambda: SAMPLE.scaled(),
     (TypeError, "bindingprobe.Sample.scaled(): takes at least 1 arguments (0 given)")),
    # A required parameter cannot come by keyword.
    (lambda: SAMPLE.scaled(numerator=2),
     (TypeError, "bindingprobe.Sample.scaled(): takes at least 1 arguments (0 given)")),
    (lambda: SAMPLE.scaled(2), 6.0),
    (lambda: SAMPLE.scaled(1, 2), 1.5),
    (lambda: SAMPLE.scaled(1, denominator=3), 1.0),
    (lambda: b.Sample("a").count, 0),
    (lambda: b.Sample("a", count=2).count, 2),
    # Without positional arguments the constructor without parameters fits.
    (lambda: b.Sample(text="a").text, ""),
])
def test_call_forms(call, expected):
    result = outcome(call)
    assert result == expected


@pytest.mark.parametrize("call", [
    lambda: SAMPLE.describe(3),
    lambda: SAMPLE.scaled("x"),
    lambda: SAMPLE.scaled(1, "x"),
    lambda: b.Sample(1.5j),
    lambda: b.Probe.describe_shape(3),
    lambda: b.describe_shape("x"),
])
def test_wrong_arguments_are_type_errors_naming_the_function(call):
    with pytest.raises(TypeError, match=r"'bindingprobe\.(Probe\.|Sample\.|)(\w+)' called with wrong argument"):
        call()


class RaisingRepr:
    def __repr__(self):
        raise ValueError("no repr")

    def __eq__(self, other):
        raise ValueError("no comparison")

    __hash__ = None


@pytest.mark.parametrize("call", [
    lambda: b.describe_shape(RaisingRepr()),
    lambda: SAMPLE.describe(RaisingRepr()),
    lambda: b.Sample(RaisingRepr()),
    lambda: b.Probe.describe_shape(b.Sample.__new__(b.Sample)),
])
def test_a_wrong_argument_error_never_depends_on_the_arguments_repr(call):
    with pytest.raises(TypeError):
        call()


@pytest.mark.parametrize("value, error, text", [
    (2 ** 31, OverflowError, "value 2147483648 is out of range for int"),
    (-2 ** 40, OverflowError, "value -1099511627776 is out of range for int"),
    (float("nan"), OverflowError, "value nan is out of range for int"),
    (1.5j, TypeError, None),
])
def test_numbers_that_do_not_fit_say_so(value, error, text):
    sample = b.Sample("a", 1)
    with pytest.raises(error) as caught:
        sample.count = value
    if text:
        assert str(caught.value) == text
    assert sample.count == 1


def test_conversion_stops_at_the_first_argument_that_fails():
    # The second argument would fail too; the error is the first one's.
    with pytest.raises(OverflowError, match="2147483648"):
        SAMPLE.scaled(2 ** 31, 2 ** 40)


# --- Signature texts ----------------------------------------------------------------

@pytest.mark.parametrize("function, text", [
    (b.Sample.describe, "(prefix: str = '', width: int = 0, upper: bool = False) -> str"),
    (b.Canvas.add, "(shape: bindingprobe.Shape) -> None"),
    (b.Probe.describe_shape, "(shape: bindingprobe.Shape) -> str"),
    (b.describe_shape, "(shape: bindingprobe.Shape) -> str"),
    (b.Canvas.at, "(index: int) -> bindingprobe.Shape"),
])
def test_signature_texts_come_from_the_declarations(function, text):
    assert str(function.__signature__) == text


def test_accessors_named_otherwise_and_null_results():
    assert b.Sample("a", 4).twice == 8
    assert not hasattr(b.Sample, "count_twice")
    assert str(b.Sample.twice.fget.__signature__) == "() -> int"
    assert b.Sample("", 1).or_none() is None
    assert b.Sample("a", 1).or_none() == b.Sample("a", 1)


def test_folded_accessors_keep_their_signatures():
    assert str(b.Sample.text.fget.__signature__) == "() -> str"
    assert str(b.Sample.count.fset.__signature__) == "(value: int) -> None"


def test_overloads_have_one_signature_each():
    assert sorted(str(s) for s in b.Sample.scaled.__signature__) == [
        "(factor: float) -> float", "(numerator: int, denominator: int = 1) -> float"]
    assert [str(s) for s in b.Sample.__signature__] == [
        "() -> bindingprobe.Sample", "(text: str, count: int = 0) -> bindingprobe.Sample"]


def test_properties_and_fields():
    s = b.Sample("a", 1)
    assert isinstance(b.Sample.text, property) and not hasattr(b.Sample, "get_text")
    assert not hasattr(b.Sample, "set_count")
    s.text, s.count = "b", 7
    assert (s.text, s.count) == ("b", 7)
    with pytest.raises(TypeError, match="bindingprobe.Sample.set_count"):
        s.count = "x"
    s.origin = QtCore.QPointF(1, 2)
    view = s.origin
    view.setX(5)  # a view of the field, not a copy
    assert s.origin == QtCore.QPointF(5, 2) and s.origin is view
    with pytest.raises(TypeError, match="^wrong type attributed to 'origin', 'QPointF' or convertible type expected$"):
        s.origin = "x"
    with pytest.raises(TypeError, match="^'origin' may not be deleted$"):
        del s.origin
    shiboken2.delete(s)
    assert not shiboken2.isValid(view)  # the view dies with its owner


def test_a_field_converted_from_another_type_is_read_as_a_copy():
    # The conversion of an optional size gives a QSize or None: the field
    # holds no QSize to be seen in place.
    s = b.Sample("a", 1)
    assert s.limit is None
    s.limit = QtCore.QSize(2, 3)
    first = s.limit
    assert first == QtCore.QSize(2, 3) and s.limit is not first
    first.setWidth(9)
    assert s.limit == QtCore.QSize(2, 3)
    s.limit = None
    assert s.limit is None
    with pytest.raises(TypeError, match="^wrong type attributed to 'limit', 'QSize or None' or convertible type"):
        s.limit = 5


# --- Abstract base, derived classes, overrides ---------------------------------------

class Triangle(b.Shape):
    def area(self):
        return 0.5

    def name(self):
        return "triangle"


class NamedSquare(b.Square):
    def name(self):
        return "my-" + b.Square.name(self)  # the base, not itself again


class BaseArea(b.Shape):
    def area(self):
        return b.Shape.area(self)


class WrongArea(b.Shape):
    def area(self):
        return "big"


class RaisingArea(b.Shape):
    def area(self):
        raise ValueError("no area")


@pytest.mark.parametrize("make, failure", [
    (Triangle, ""),
    (RaisingArea, "ValueError: no area"),
    (WrongArea, "Invalid return value in function Shape.area, expected double, got str."),
    (lambda: type("NoArea", (b.Shape,), {})(), "NotImplementedError: pure virtual method 'Shape.area()' not implemented."),
])
def test_a_routed_call_tells_why_it_fell_back(make, failure, capsys):
    shape = make()
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        assert b.Probe.area_failure(shape) == failure


@pytest.mark.parametrize("make, described", [
    (lambda: b.Square(2), "square:4"),
    (lambda: b.Circle(), "shape:3"),
    (Triangle, "triangle:0.5"),
    (lambda: NamedSquare(3), "my-square:9"),
    (lambda: b.Tile(), "tile:unlabelled:4"),
])
def test_virtual_calls_from_cpp_reach_python_overrides(make, described):
    shape = make()
    assert b.describe_shape(shape) == described
    assert shape.describe() == described


def test_abstract_class_is_refused_and_subclasses_are_not():
    with pytest.raises(NotImplementedError,
                       match="^'Shape' represents a C\\+\\+ abstract class and cannot be instantiated$"):
        b.Shape()
    assert Triangle().area() == 0.5


def test_pure_base_call_raises_in_python_and_gives_the_default_to_cpp(capsys):
    shape = BaseArea()
    with pytest.raises(NotImplementedError, match=r"^pure virtual method 'Shape.area\(\)' not implemented.$"):
        shape.area()
    assert b.describe_shape(shape) == "shape:0"
    assert "pure virtual method 'Shape.area()' not implemented." in capsys.readouterr().err


def test_faulty_overrides_give_the_default(capsys):
    with pytest.warns(RuntimeWarning, match=r"Invalid return value in function Shape.area, expected double, got str"):
        assert b.describe_shape(WrongArea()) == "shape:0"
    assert b.describe_shape(RaisingArea()) == "shape:0"
    assert "ValueError: no area" in capsys.readouterr().err


class Drawing(b.Square):
    def draw(self, times):
        self.times = times


class RaisingDrawing(b.Square):
    def draw(self, times):
        raise ValueError("no drawing")

    def reset(self):
        raise ValueError("no reset")


class Resetting(Triangle):
    def reset(self):
        self.was_reset = True


@pytest.mark.parametrize("make, operation, ran", [
    (b.Square, b.Probe.draw_shape, True),         # no override: the class's own
    (Drawing, b.Probe.draw_shape, True),
    (RaisingDrawing, b.Probe.draw_shape, False),
    (b.Square, b.Probe.reset_shape, True),
    (Resetting, b.Probe.reset_shape, True),
    (Triangle, b.Probe.reset_shape, False),       # pure, not overridden
    (RaisingDrawing, b.Probe.reset_shape, False),
])
def test_native_callers_learn_whether_an_operation_without_result_ran(make, operation, ran, capsys):
    shape = make()
    if operation is b.Probe.draw_shape:
        assert operation(shape, 3) is ran
    else:
        assert operation(shape) is ran
    assert getattr(shape, "times", 3) == 3
    capsys.readouterr()


class WrongResults(b.Square):
    def bounds(self):
        return (1, 2)

    def tags(self):
        return ["a"]

    def labels(self):
        return 7


@pytest.mark.parametrize("call, expected, default", [
    (b.Probe.bounds_of, "PySide2.QtCore.QSize", QtCore.QSize()),
    (b.Probe.tags_of, "map", {}),
    (b.Probe.labels_of, "vector", []),
])
def test_invalid_return_warnings_name_the_full_python_type(call, expected, default):
    name = call.__name__[:-3]
    got = type(getattr(WrongResults, name)(None)).__name__
    with pytest.warns(RuntimeWarning, match=rf"^Invalid return value in function Square\.{name}, expected {expected}, "
                                            rf"got {got}\.$"):
        assert call(WrongResults()) == default


class GoodResults(b.Square):
    def bounds(self):
        return QtCore.QSize(3, 4)

    def tags(self):
        return {"a": 1}

    def labels(self):
        return ("x", "y")


def test_good_results_of_qt_classes_and_containers_convert():
    shape = GoodResults()
    assert b.Probe.bounds_of(shape) == QtCore.QSize(3, 4)
    assert b.Probe.tags_of(shape) == {"a": 1}
    assert b.Probe.labels_of(shape) == ["x", "y"]


def test_an_override_that_leaves_the_interpreter_only_fails_its_call():
    result = run_python("""
        import sys
        import bindingprobe as b

        class Leaving(b.Square):
            def area(self):
                sys.exit(3)

        print(b.describe_shape(Leaving()))
    """)
    assert (result.returncode, result.stdout) == (0, "square:0\n")
    assert "SystemExit: 3" in result.stderr



# The object a method runs on, and an object given as an argument.
@pytest.mark.parametrize("call", ["shape.describe()", "b.describe_shape(shape)", "b.Probe.describe_shape(shape)"])
def test_an_object_deleted_during_a_call_that_uses_it_lives_until_the_call_returns(call):
    result = run_python("""
        import shiboken2
        import bindingprobe as b

        class Deleting(b.Shape):
            def name(self):
                shiboken2.delete(self)  # the C++ describe() reads the area next
                return "gone"
            def area(self):
                return 2.0
            def reset(self):
                pass

        shape = Deleting()
        print(%s, shiboken2.isValid(shape))
    """ % call)
    # Its Python object is invalid at once: the area comes from no override.
    assert (result.returncode, result.stdout) == (0, "gone:0 False\n")


def test_a_value_deleted_during_a_call_on_it_lives_until_the_call_returns():
    # A value's Python object owns its copy: the call works on that copy.
    result = run_python("""
        import shiboken2
        import bindingprobe as b

        sample = b.Sample("ab", 2)
        print(sample.text_around(lambda: shiboken2.delete(sample)), shiboken2.isValid(sample))
    """)
    assert (result.returncode, result.stdout) == (0, "abab False\n"), result.stderr


def test_multiple_inheritance_offsets():
    tile = b.Tile()
    tile.label = "t"
    assert b.Probe.label_of(tile) == "t"           # seen as its first base
    assert b.Probe.describe_shape(tile) == "tile:t:4"  # seen as its second, at an offset
    assert b.Probe.tile_as_shape(tile) is tile        # the same Python object from either address
    assert isinstance(tile, b.Labelled) and isinstance(tile, b.Shape)


# --- Ownership and ties -----------------------------------------------------------------

def kept(objects):
    return [shiboken2.isValid(o) for o in objects]


def scenario_python_owns():
    square = b.Square(2)
    return [square], None


def scenario_canvas_owns():
    canvas = b.Canvas()
    square = b.Square(2)
    canvas.add(square)
    return [square], canvas


def scenario_canvas_deleted():
    canvas = b.Canvas()
    square, triangle = b.Square(2), Triangle()
    canvas.add(square)
    canvas.add(triangle)
    shiboken2.delete(canvas)
    return [square, triangle], None


def scenario_taken_back():
    canvas = b.Canvas()
    square = b.Square(2)
    canvas.add(square)
    assert canvas.take(0) is square
    shiboken2.delete(canvas)
    return [square], None


def scenario_child_of_canvas():
    canvas = b.Canvas()
    square = b.Square(2)
    canvas.adopt(square)  # the Python object becomes the canvas's child
    first = canvas.first()
    del canvas
    return [square, first], None


@pytest.mark.parametrize("scenario, alive", [
    (scenario_python_owns, [True]),
    (scenario_child_of_canvas, [False, False]),
    (scenario_canvas_owns, [True]),
    (scenario_canvas_deleted, [False, False]),
    (scenario_taken_back, [True]),
])
def test_ownership(scenario, alive):
    objects, keep = scenario()
    gc.collect()
    assert kept(objects) == alive
    del keep


def test_a_python_subclass_given_to_cpp_stays_alive_with_its_overrides():
    canvas = b.Canvas()
    canvas.add(Triangle())
    gc.collect()
    assert canvas.describe_all() == "triangle:0.5"
    assert isinstance(canvas[0], Triangle) and canvas[0] is canvas.at(0)


def test_truth_length_and_subscript_slots():
    canvas = b.Canvas()
    assert (len(canvas), bool(canvas)) == (0, False)
    canvas.add(b.Circle())
    assert (len(canvas), bool(canvas), canvas[0].area()) == (1, True, 3.0)
    with pytest.raises(IndexError):
        canvas[5]
    with pytest.raises(IndexError):
        canvas["x"]


# --- The interpreter lock -----------------------------------------------------------------

@pytest.mark.parametrize("call, held", [
    (lambda: SAMPLE.lock_held(), True),               # value record: kept
    (lambda: SAMPLE.lock_held_released(), False),     # declared released
    (lambda: b.Canvas().lock_held(), False),          # object class: released
    (lambda: b.Canvas().lock_held_with(object()), True),  # a Python object crosses: kept
    (lambda: b.Canvas().lock_held_with_type(int), True),  # a type object too
    (lambda: SAMPLE.lock_held_without(object()), False),  # kept, but released around the native part
    (lambda: b.Probe.lock_held(), False),
    (lambda: b.lock_held(), False),
])
def test_lock_policy(call, held):
    assert call() is held


# --- Type objects -------------------------------------------------------------------------

@pytest.mark.parametrize("argument, name", [
    (int, "int"),
    (b.Canvas, "bindingprobe.Canvas"),
    (type("Made", (), {}), "Made"),
    (5, TypeError),
    (b.Canvas(), TypeError),
    (None, TypeError),
])
def test_a_type_parameter_takes_classes_only(argument, name):
    if name is TypeError:
        with pytest.raises(TypeError, match="bindingprobe.Canvas.type_name"):
            b.Canvas().type_name(argument)
    else:
        assert b.Canvas().type_name(argument) == name


# --- Pairs, fixed counts, object classes compared -------------------------------------

@pytest.mark.parametrize("pair, result", [
    ((2, "b"), (6, "ba")),
    ([2, "b"], (6, "ba")),
    ((2, "b", 3), TypeError),
    ((2, 3), TypeError),
    ("ab", TypeError),
    ((2 ** 40, "b"), OverflowError),
])
def test_pairs_cross_as_two_item_sequences(pair, result):
    got = outcome(lambda: b.Sample("a", 3).paired(pair))
    assert got == result if isinstance(result, tuple) else got[0] is result


def test_a_fixed_count_may_be_a_wrong_arguments_error():
    assert b.Probe.exactly_two(1, 2) == 3
    for args in ((1,), (1, 2, 3)):
        with pytest.raises(TypeError, match=r"^'bindingprobe\.Probe\.exactly_two' called with wrong argument"):
            b.Probe.exactly_two(*args)


@pytest.mark.parametrize("args, keywords", [((), {}), ((1, "two", None), {}), ((), {"x": 1}), ((b,), {"y": []})])
def test_a_constructor_may_ignore_whatever_it_is_given(args, keywords):
    blank = b.Blank(*args, **keywords)
    assert shiboken2.isValid(blank) and shiboken2.ownedByPython(blank)


def test_object_classes_compare_without_copies():
    first, second = b.Emitter(), b.Emitter()
    assert first == first and first != second and not (first == second)
    assert (first == None) is False and (first != 1) is True  # noqa: E711
    with pytest.raises(NotImplementedError, match="^operator not implemented.$"):
        first < second  # noqa: B015


# --- QObject classes -----------------------------------------------------------------------

def test_qobject_overrides_and_signals():
    events, fired = [], []

    class Listener(b.Emitter):
        def event(self, e):
            events.append(int(e.type()))
            return True

    emitter = Listener()
    emitter.fired.connect(fired.append)
    emitter.fire(4)
    assert emitter.deliver(1001) is True
    assert (fired, events) == ([4], [1001])


def test_override_arguments_kept_by_python_are_invalid_after_the_call():
    kept_events = []

    class Keeper(b.Emitter):
        def childEvent(self, e):
            kept_events.append(e)

    keeper = Keeper()
    child = QtCore.QObject(keeper)
    assert kept_events
    with pytest.raises(RuntimeError):
        kept_events[0].child()
    del child


# --- Overrides that come and go after an object's first call ----------------------------
# An object remembers the operations that it was found without override, as
# PySide2's objects do: only a callable assigned to the object makes it look
# again. The table runs on PySide2's own QObject too, the reference.

USER_EVENT = int(QtCore.QEvent.User)


def give_class(receiver_class, seen):
    receiver_class.customEvent = lambda self, e: seen.append("class")


def give_object(receiver, seen):
    receiver.customEvent = lambda e: seen.append("object")


@pytest.mark.parametrize("base", [b.Emitter, QtCore.QObject], ids=["frame", "PySide2"])
@pytest.mark.parametrize("before, after, expected", [
    (None, lambda cls, receiver, seen: give_object(receiver, seen), ["object"]),
    (None, lambda cls, receiver, seen: give_class(cls, seen), []),
    (None, lambda cls, receiver, seen: (give_class(cls, seen), setattr(receiver, "helper", len)), ["class"]),
    (None, lambda cls, receiver, seen: (give_class(cls, seen), setattr(receiver, "count", 3)), []),
    (give_class, lambda cls, receiver, seen: delattr(cls, "customEvent"), []),
    (None, lambda cls, receiver, seen: (give_object(receiver, seen), delattr(receiver, "customEvent")), []),
], ids=["assigned to the object", "added to the class", "added to the class, then a callable to the object",
        "added to the class, then a number to the object", "removed from the class", "removed from the object"])
def test_overrides_changed_after_the_first_call_are_seen_as_pyside2_sees_them(base, before, after, expected):
    seen = []
    receiver_class = type("Receiver", (base,), {})
    if before:
        before(receiver_class, seen)
    receiver = receiver_class()
    b.Probe.deliver_many(receiver, USER_EVENT, 2)
    seen.clear()
    after(receiver_class, receiver, seen)
    b.Probe.deliver_many(receiver, USER_EVENT, 1)
    assert seen == expected
    # A new object looks its overrides up afresh.
    seen.clear()
    b.Probe.deliver_many(receiver_class(), USER_EVENT, 1)
    assert seen == (["class"] if "customEvent" in vars(receiver_class) else [])


def test_an_override_assigned_to_an_object_of_a_plain_class_is_seen():
    shape = type("LateSquare", (b.Square,), {})(2)
    assert b.describe_shape(shape) == "square:4"
    shape.name = lambda: "late"
    assert b.describe_shape(shape) == "late:4"
    del shape.name
    assert b.describe_shape(shape) == "square:4"


def test_a_call_that_finds_no_override_again_has_no_failure():
    square = b.Square(2)
    assert b.Probe.area_failure(square) == ""  # its area is now known without override
    assert b.Probe.area_failure(RaisingArea()) == "ValueError: no area"
    assert b.Probe.area_failure(square) == ""


def test_deleting_an_object_that_invalidates_itself_from_python():
    emitter = b.Emitter()
    part = emitter.part()
    assert emitter.part() is part and part.parent() is emitter
    shiboken2.delete(part)  # the runtime deletes it: the object's own clean-up stands back
    assert not shiboken2.isValid(part) and emitter.part() is None
    emitter = b.Emitter()
    part = emitter.part()
    shiboken2.delete(emitter)  # deleted by its Qt parent: the clean-up invalidates it
    assert not shiboken2.isValid(part)


def test_the_application_survives_deleting_objects_made_on_dirty_memory():
    out = run_python("""
        import ctypes
        import shiboken2
        from PySide2 import QtCore
        import bindingprobe as b
        app = QtCore.QCoreApplication([])
        libc = ctypes.CDLL(None)
        libc.malloc.restype = ctypes.c_void_p
        libc.free.argtypes = [ctypes.c_void_p]
        for _ in range(50):
            dirty = libc.malloc(32)
            ctypes.memset(dirty, 0xff, 32)
            libc.free(dirty)
            shape = b.Square(1)
            shiboken2.delete(shape)
            assert not shiboken2.isValid(shape)
            assert QtCore.QCoreApplication.instance() is app
        print("alive")
    """)
    assert out.returncode == 0, out.stderr
    assert out.stdout.strip() == "alive"


@pytest.mark.parametrize("blocked, error", [("None", "ModuleNotFoundError"), ("42", "ImportError")])
def test_a_module_whose_binding_module_is_blocked_fails_to_import(blocked, error):
    # The runtime's import answers with whatever sys.modules holds.
    result = run_python("""
        import sys
        sys.modules["PySide2.QtCore"] = %s
        try:
            import bindingprobe
        except ImportError as error:
            print(type(error).__name__, "PySide2.QtCore" in str(error))
    """ % blocked)
    assert result.returncode == 0, result.stderr
    assert result.stdout.strip() == "%s True" % error


def test_a_failure_nested_in_an_override_is_not_the_overrides():
    class Nesting(b.Shape):
        def area(self):
            with warnings.catch_warnings():
                warnings.simplefilter("ignore")
                b.Probe.area_failure(RaisingArea())  # fails inside this override
            return 2.0

    assert b.Probe.area_failure(Nesting()) == ""
