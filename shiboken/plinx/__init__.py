"""Scripting interface of the film-tracking application.

Import plinx._init first in a plain interpreter: it starts the application
core. The modules project, exporters, mediaio and tools follow.
"""


def _describe_value_types():
    # Signatures of the modules name a few conversions that have no Python
    # type of their own, and defaults in native notation; tell the runtime's
    # signature parser what they are.
    import typing

    import shiboken2  # noqa: F401 (brings the runtime's signature support)
    try:
        from shibokensupport.signature import mapping
    except ImportError:
        return
    mapping.type_map.update({
        "double( UINT_MAX )": 4294967295.0,
        "Color": typing.Tuple[float, float, float],
        "OptionalFloat": typing.Optional[float],
        "OptionalBool": typing.Optional[bool],
        "OptionalPoint": typing.Optional[typing.Tuple[float, float]],
        "OptionalLayer": typing.Any,
        "OptionalInterlaceMode": typing.Any,
        "Gan_Matrix33": typing.Tuple[typing.Tuple[float, float, float], ...],
        "UINT_MAX": 4294967295,
        'Project.tr( "New layer" )': "New layer",
        'Project.tr( "New group" )': "New group",
        # float defaults
        "0.f": 0.0,
        "1.f": 1.0,
        "685.f": 685.0,
    })


_describe_value_types()
del _describe_value_types
