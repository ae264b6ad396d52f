"""What a call makes on a thread other than its owner's: the owner it would have on the
owner's thread, with nothing for Qt to say, and the same life."""

import pytest
import shiboken2
from PySide2 import QtCore

import plinx._init  # noqa: F401 (starts the core)
import plinx.project as p
from test_clips import in_thread
from test_render import make_project, square_layer, write_square

APPLICATION = QtCore.QCoreApplication.instance() or QtCore.QCoreApplication([])


@pytest.fixture
def qt_messages():
    """What Qt says (warnings, on any thread) while the test runs."""
    said = []
    previous = QtCore.qInstallMessageHandler(lambda kind, context, text: said.append(text))
    yield said
    QtCore.qInstallMessageHandler(previous)


def on_a_thread(call):
    """call's result, made on a Python thread that has ended since."""
    made = []
    in_thread(lambda: made.append(call()))
    return made[0]


class Scene:
    def __init__(self, tmp_path):
        self.tmp_path = tmp_path
        self.project = make_project(tmp_path)
        self.layer = square_layer(self.project)
        self.footage = write_square(tmp_path / "more")
        self.count = 0

    def name(self):
        self.count += 1
        return "made %d" % self.count


MAKERS = {
    "render": lambda s: s.project.render(p.RenderInsertOperation(), 0, 1, [s.layer]),
    "add_clip": lambda s: s.project.add_clip(p.Clip(s.footage), s.name()),
    "new_output_clip": lambda s: s.project.new_output_clip(s.project.clips["sq"], s.name()),
    "a clip given a parent": lambda s: p.Clip(s.footage, s.name(), parent=s.project),
    "a project made from a clip, given a parent": lambda s: p.Project(p.Clip(s.footage), parent=s.project),
    "the tracking input clip": lambda s: s.layer.tracking_input_clip(False),
    "export_rendered_shapes": lambda s: s.project.export_rendered_shapes(
        [s.layer], p.Grayscale, str(s.tmp_path / s.name()), ".png", "m", "", 0, 1),
}


@pytest.mark.parametrize("maker", MAKERS.values(), ids=MAKERS.keys())
def test_what_a_thread_makes_has_the_owner_it_has_on_the_owners_thread(tmp_path, qt_messages, maker):
    scene = Scene(tmp_path)
    here = maker(scene)
    there = on_a_thread(lambda: maker(scene))
    assert qt_messages == []
    owner = here.parent()
    assert there.parent() is owner
    if owner is not None:
        assert there.thread() is owner.thread()
        assert not isinstance(there, p.Clip) or there.color_parameters.thread() is owner.thread()
    # And it lives as long: to the end of the project, or of its Python object.
    shiboken2.delete(scene.project)
    assert shiboken2.isValid(there) == shiboken2.isValid(here) == (owner is None)


def test_a_thread_renders_into_a_project_of_a_thread_that_has_ended(tmp_path, qt_messages):
    scene = on_a_thread(lambda: Scene(tmp_path))
    clip = on_a_thread(lambda: scene.project.render(p.RenderInsertOperation(), 0, 1, [scene.layer]))
    assert qt_messages == [] and clip.parent() is scene.project and clip.image(1) is not None
    shiboken2.delete(scene.project)
    assert not shiboken2.isValid(clip)
