"""plinx.project.UndoGroup: a project's edits as one step of its undo history."""
import gc
import re

import pytest

import plinx._init  # noqa: F401 (starts the core)
import plinx.project as p
from conftest import run_embedded


def test_a_block_gives_none_and_lets_its_exception_through(project):
    group = project.undo_group()
    with group as bound:
        assert bound is None
    with pytest.raises(KeyError, match="inside"):
        with project.undo_group():
            raise KeyError("inside")
    assert group.__enter__() is None and group.__exit__(None, None, None) is None


def test_copies_and_empty_histories(project, tmp_path):
    def saved():
        project.save_as(str(tmp_path / "history.plinx"))
        return (tmp_path / "history.plinx").read_text()

    group = project.undo_group()
    copy = group.__copy__()
    assert type(copy) is p.UndoGroup and type(p.UndoGroup(group)) is p.UndoGroup
    before = saved()
    for step in (group.undo, group.redo, copy.undo, group.commit, group.rollback):
        step()  # nothing to do, nothing raised
        assert saved() == before
    # Copies drive the one history of the project.
    project.add_layer(project.clips["shot"], "A")
    copy.undo()
    assert project.layers == [] and saved() == before
    group.redo()
    assert [layer.name for layer in project.layers] == ["A"]


@pytest.mark.parametrize("call, name", [
    (lambda g: p.UndoGroup(), "plinx.project.UndoGroup"),
    (lambda g: p.UndoGroup(g, g), "plinx.project.UndoGroup"),
    (lambda g: p.UndoGroup(1), "plinx.project.UndoGroup"),
    (lambda g: g.__exit__(None), "plinx.project.UndoGroup.__exit__"),
    (lambda g: g.__exit__(None, None, None, None), "plinx.project.UndoGroup.__exit__"),
])
def test_argument_errors_name_the_function(project, call, name):
    with pytest.raises(TypeError, match="^'" + re.escape(name) + "' called with wrong argument types"):
        call(project.undo_group())


def test_a_group_whose_project_has_gone_is_an_invalid_object(footage):
    project = p.Project(p.Clip(footage, "shot"))
    group = project.undo_group()
    del project
    gc.collect()
    for step in (group.__enter__, group.commit, group.rollback, group.undo, group.redo,
                 lambda: group.__exit__(None, None, None)):
        with pytest.raises(RuntimeError, match="^Invalid object$"):
            step()


def test_blocks_open_and_close_the_projects_history(project, tmp_path):
    project.save_as(str(tmp_path / "history.plinx"))
    out = run_embedded("""
        import plinx._init
        import plinx.project as p
        project = p.get_current_project()
        with project.undo_group():
            pass
        try:
            with project.undo_group():
                raise ValueError("rolled back")
        except ValueError:
            pass
        group, copy = project.undo_group(), project.undo_group().__copy__()
        group.__enter__()
        copy.__exit__(None, None, None)          # commits: copies share the history
        group.__enter__()
        group.__exit__(None, 1, None)            # the second argument decides
        group.__enter__()
        group.__exit__(ValueError, None, None)
        group.undo()                             # nothing to undo: no call made
    """, tmp_path, env={"PLINX_HOST_PROJECT": str(tmp_path / "history.plinx"), "PLINX_HOST_PRINT_HISTORY": "1"})
    assert out.returncode == 0, out.stdout + out.stderr
    history = out.stdout.split("history:\n")[1].split()
    assert history == ["macroBegin", "macroCommit", "macroBegin", "macroRollback", "macroBegin", "macroCommit",
                       "macroBegin", "macroRollback", "macroBegin", "macroCommit"]
