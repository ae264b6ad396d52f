"""What the loaded plinx modules offer, found by looking: types, functions,
each type's members and the signatures of its callables. Every mode drives
what this finds, so types and members declared later are reached without a
change to the harness."""
import functools
import inspect

MODULES = ["plinx._init", "plinx.project", "plinx.exporters", "plinx.mediaio", "plinx.tools"]

# How generated statements name each module (prelude imports them so).
ALIASES = {"plinx._init": "init", "plinx.project": "p", "plinx.exporters": "e", "plinx.mediaio": "m",
           "plinx.tools": "t"}


def load_modules():
    modules = []
    for name in MODULES:
        try:
            modules.append(__import__(name, fromlist=["*"]))
        except Exception:  # noqa: BLE001 (a module this host cannot load)
            pass
    return modules


def discover(modules):
    """The public types and functions the modules define themselves."""
    types, functions = [], []
    for module in modules:
        for name in sorted(dir(module)):
            if name.startswith("_"):
                continue
            value = getattr(module, name)
            if isinstance(value, type) and value.__module__ == module.__name__:
                types.append(value)
            elif callable(value) and not isinstance(value, type):
                functions.append((f"{module.__name__}.{name}", value))
    return types, functions


@functools.lru_cache(maxsize=None)
def members(cls):
    """The members a bound type adds itself, with their kind: property, field,
    static or method."""
    found = []
    for klass in cls.__mro__:
        if not klass.__module__.startswith(("plinx", "bindingprobe")):
            continue
        for name, member in vars(klass).items():
            if name in ("__init__", "__new__", "__doc__", "__module__", "__dict__", "__weakref__") \
                    or name.startswith("__") and name not in ("__copy__",):
                continue
            if type(member).__name__ == "Signal":
                continue
            if isinstance(member, property):
                found.append(("property", name))
            elif type(member).__name__ == "getset_descriptor":
                found.append(("field", name))
            elif isinstance(member, staticmethod) or type(member).__name__ == "builtin_function_or_method":
                found.append(("static", name))
            elif callable(member):
                found.append(("method", name))
    return tuple(found)


def declared(cls, name):
    """The member as the modules declare it (a Python subclass's override has
    no signature of the binding)."""
    for klass in cls.__mro__:
        if klass.__module__.startswith(("plinx", "bindingprobe")) and name in vars(klass):
            return getattr(klass, name)
    return getattr(cls, name, None)


def signatures(callable_):
    """The callable's signatures (overloads give several); none when unknown."""
    try:
        found = callable_.__signature__
    except Exception:  # noqa: BLE001
        return []
    if found is None:
        return []
    return list(found) if isinstance(found, list) else [found]


def parameter_names(callable_):
    return {name for signature in signatures(callable_) for name in signature.parameters}


def required(parameter):
    return parameter.default is inspect.Parameter.empty and parameter.kind in (
        inspect.Parameter.POSITIONAL_ONLY, inspect.Parameter.POSITIONAL_OR_KEYWORD)


def expression_of(cls):
    """How a generated statement names a type of the modules."""
    alias = ALIASES.get(cls.__module__)
    return f"{alias}.{cls.__name__}" if alias else None


def is_enum(cls):
    return isinstance(getattr(cls, "values", None), dict) and bool(cls.values)


def subclassable(cls):
    return bool(cls.__flags__ & (1 << 10))


def signals(cls):
    """The signals a type of the modules declares."""
    return sorted(name for klass in cls.__mro__ for name, member in vars(klass).items()
                  if type(member).__name__ == "Signal" and klass.__module__.startswith("plinx"))
