"""plinx._init: start-up of the core, product, GPU and settings functions."""
import pytest

from conftest import log_lines, run_embedded, run_python


def check(result):
    assert result.returncode == 0, result.stdout + result.stderr
    return result.stdout


@pytest.mark.parametrize("requested, expected", [
    (None, "Plinx"),
    ("", "Plinx"),
    ("Plinx Essentials", "Plinx Essentials"),
    ("plinx essentials", "Plinx"),   # exact case only
    ("No Such Edition", "Plinx"),
])
def test_product_edition_from_environment(requested, expected, isolated_env):
    env = dict(isolated_env)
    code = "import plinx._init as i; print(i.Product.get_product_name())"
    if requested is not None:
        env["TQL_PRODUCT"] = requested
    assert check(run_python(code, env=env)).strip() == expected


def test_product_identity(isolated_env):
    out = check(run_python("""
        import plinx._init as i
        print(i.Product.get_application_name(), i.Product.get_product_name(),
              i.Product.get_registry_application_name(), i.Product.get_registry_company_name(), sep="|")
    """, env=dict(isolated_env, TQL_PRODUCT="Plinx Essentials")))
    assert out.strip() == "Plinx Essentials|Plinx Essentials|PlinxEssentials|Plinx"


def test_namespaces_are_neither_instantiable_nor_subclassable():
    import plinx._init as i
    for namespace in (i.Product, i.GPU, i.InterProduct):
        with pytest.raises(TypeError, match="cannot create"):
            namespace()
        with pytest.raises(TypeError):
            type("Sub", (namespace,), {})


def test_module_has_exactly_its_three_functions():
    import plinx._init as i
    functions = sorted(name for name in dir(i) if callable(getattr(i, name)) and not name[0].isupper()
                       and not name.startswith("_"))
    assert functions == ["get_overridden_keys", "get_setting_value", "set_setting_value"]


@pytest.mark.parametrize("call, text", [
    (lambda i: i.set_setting_value("a", 1), "set_setting_value expected 3 arguments, got 2"),
    (lambda i: i.get_setting_value("a", 1, True, 4), "get_setting_value expected 3 arguments, got 4"),
    (lambda i: i.GPU.get_gpu_device_name_by_id(1), "get_gpu_device_name_by_id expected 2 arguments, got 1"),
])
def test_positional_functions_unpack_with_the_interpreters_error(call, text):
    import plinx._init as i
    with pytest.raises(TypeError) as caught:
        call(i)
    assert str(caught.value) == text


@pytest.mark.parametrize("call, name", [
    (lambda i: i.GPU.get_gpu_device_id(3), "plinx._init.GPU.get_gpu_device_id"),
    (lambda i: i.GPU.get_gpu_device_name_by_id("a", "b"), "plinx._init.GPU.get_gpu_device_name_by_id"),
    (lambda i: i.InterProduct.update_track_in_plinx_ae("p", "x"), "plinx._init.InterProduct.update_track_in_plinx_ae"),
    (lambda i: i.set_setting_value(1, 2, 3), "plinx._init.set_setting_value"),
])
def test_wrong_arguments_name_the_function(call, name):
    import plinx._init as i
    with pytest.raises(TypeError, match=name.replace(".", r"\.")):
        call(i)


def test_settings_round_trip_across_processes(isolated_env):
    check(run_python("""
        import plinx._init as i
        i.set_setting_value("Demo/Number", 42, False)
        i.set_setting_value("Demo/Names", ["a", "b"], False)
        i.set_setting_value("Demo/Temporary", "only now", True)
        print(i.get_setting_value("Demo/Temporary", "", True), i.get_overridden_keys())
    """, env=isolated_env))
    out = check(run_python("""
        import plinx._init as i
        print(repr(i.get_setting_value("Demo/Number", 0, False)), i.get_setting_value("Demo/Names", [], False),
              repr(i.get_setting_value("Demo/Temporary", "gone", True)), i.get_overridden_keys())
    """, env=isolated_env))
    # The store is a text file: numbers come back as their text.
    assert out.strip() == "'42' ['a', 'b'] 'gone' []"


def test_overrides_do_not_reach_the_store():
    import plinx._init as i
    i.set_setting_value("Test/Override", "temporary", True)
    assert i.get_setting_value("Test/Override", "default", True) == "temporary"
    assert i.get_setting_value("Test/Override", "default", False) == "default"
    assert "Test/Override" in i.get_overridden_keys()


def test_settings_of_another_organisation_go_into_the_projects_group(isolated_env, tmp_path):
    check(run_python("""
        import plinx._init as i
        i.set_setting_value("Hosted/Key", 7, False)
    """, env=dict(isolated_env, TQL_PRODUCT="Plinx Hosted")))
    conf = tmp_path / "config" / "Host Vendor" / "PlinxHosted.conf"
    text = conf.read_text()
    assert "[tql_plinx_project]" in text
    check(run_python("import plinx._init as i; i.set_setting_value('Plain/Key', 1, False)", env=isolated_env))
    assert "tql_plinx_project" not in (tmp_path / "config" / "Plinx" / "Plinx.conf").read_text()


def test_gpu_device_table(isolated_env):
    out = check(run_python("""
        import plinx._init as i
        g = i.GPU
        print(g.available_gpu_devices())
        print(g.get_gpu_device_name_by_id(3, 1), g.get_gpu_device_name_by_id(9, 9))
        print(g.get_gpu_platform_id("Card #3"), g.get_gpu_device_id("Card #3"))
        print(g.get_gpu_platform_id("card"), g.get_gpu_device_id("nothing"))
    """, env=dict(isolated_env, PLINX_GPU_DEVICES="2:0:Card;3:1:Card;4:4:")))
    assert out.splitlines() == [
        "['Card', 'Card #2', 'Card #3', 'Unnamed device']",
        "Card #3 Card",
        "3 1",
        "2 0",
    ]


def test_real_devices_are_listed():
    import plinx._init as i
    devices = i.GPU.available_gpu_devices()
    assert devices and len(devices) == len(set(devices))


def test_inter_product_hooks_do_nothing():
    import plinx._init as i
    assert i.InterProduct.is_track_in_plinx_ae_set("/some/track") is False
    assert i.InterProduct.update_track_in_plinx_ae("/some/track", True) is None


# --- Start-up and clean-up ------------------------------------------------------

def media_calls(env):
    return [line.split("call ", 1)[1] for line in log_lines(env)
            if "call Dururev::" in line or "call TQ::" in line]


def test_stand_alone_import_bootstraps_and_cleans_up_at_exit(isolated_env):
    check(run_python("import plinx._init\nimport plinx._init\n", env=isolated_env))
    calls = media_calls(isolated_env)
    assert calls[0] == "Dururev::setInitData '' 0"
    assert "Dururev::initialiseCallbacks 3" in calls  # no application object
    assert calls.count("Dururev::initialiseCallbacks 3") == 1
    assert calls[-2:] == ["TQ::RenderSuite::shutdown", "Dururev::resetCallbacks"]


def test_bootstrap_under_a_gui_application_is_consistent(isolated_env):
    check(run_python("""
        from PySide2 import QtWidgets
        app = QtWidgets.QApplication([])
        import plinx._init
    """, env=isolated_env))
    lines = log_lines(isolated_env)
    calls = media_calls(isolated_env)
    warned = any("[Python API]: cannot create Q" in line for line in lines)
    if "Dururev::initialiseCallbacks 1" in calls:
        assert not warned
        assert "TQ::RenderSuite::setOffscreenContext surface context" in calls
    else:
        assert "Dururev::initialiseCallbacks 0" in calls
        assert warned
        assert "TQ::RenderSuite::setOffscreenContext no-surface no-context" in calls
    # This machine's offscreen platform has no OpenGL: the second branch.
    assert "Dururev::initialiseCallbacks 0" in calls


def test_disabled_frame_buffers_make_no_offscreen_pair(isolated_env, tmp_path):
    conf = tmp_path / "config" / "Plinx"
    conf.mkdir()
    (conf / "Plinx.conf").write_text("[General]\nDisableFBOs=true\n")
    check(run_python("""
        from PySide2 import QtWidgets
        app = QtWidgets.QApplication([])
        import plinx._init
    """, env=isolated_env))
    calls = media_calls(isolated_env)
    assert "Dururev::initialiseCallbacks 0" in calls
    assert not any("cannot create" in line for line in log_lines(isolated_env))


def test_embedded_import_neither_selects_a_product_nor_bootstraps(isolated_env, tmp_path):
    result = run_embedded("""
        import plinx._init as i
        print(i.Product.get_product_name())
    """, tmp_path, env=dict(isolated_env, TQL_PRODUCT="Plinx Essentials"))
    assert check(result).strip() == "Plinx"
    assert media_calls(isolated_env) == []


# --- Values the settings cannot keep, and damaged stores ---------------------------

@pytest.mark.parametrize("make, type_name", [
    ("QtCore.QObject()", "QObject*"),
    ("lambda: 1", "function"),
    ("object()", "object"),
    ("[1, QtCore.QObject()]", "QVariantList"),
    ("{'a': object()}", "QVariantMap"),
])
def test_values_the_settings_cannot_keep_are_refused_and_nothing_is_written(make, type_name, isolated_env):
    out = check(run_python(f"""
        import plinx._init as i
        from PySide2 import QtCore
        for flag in (True, False):
            try:
                i.set_setting_value("Kept/Value", {make}, flag)
            except TypeError as error:
                print(error)
        print(i.get_setting_value("Kept/Value", "default", True))
        i.set_setting_value("Kept/Other", 3, False)  # later writes still work
        print(i.get_setting_value("Kept/Other", 0, False))
    """, env=isolated_env))
    refusal = f"The settings cannot keep a value of type '{type_name}'"
    assert out.splitlines() == [refusal, refusal, "default", "3"]


def test_a_deleted_object_never_reaches_the_settings():
    import plinx._init as i
    from PySide2 import QtCore
    owner = QtCore.QObject()
    with pytest.raises(TypeError):
        i.set_setting_value("Kept/Object", owner, True)
    del owner
    assert i.get_setting_value("Kept/Object", "default", True) == "default"


def test_a_damaged_stored_value_reads_as_the_default(isolated_env, tmp_path):
    conf = tmp_path / "config" / "Plinx"
    conf.mkdir()
    (conf / "Plinx.conf").write_text(
        "[General]\nBroken=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x18PySide::PyObjectWrapper\\0)\n")
    out = check(run_python("""
        import plinx._init as i
        try:
            i.set_setting_value("Other", lambda: 1, True)
        except TypeError:
            pass
        print(i.get_setting_value("Broken", "default", False))
        i.set_setting_value("Written", 1, False)
        print(i.get_setting_value("Written", 0, False))
    """, env=isolated_env))
    assert out.splitlines() == ["default", "1"]


class RaisingRepr:
    def __repr__(self):
        raise ValueError("no repr")


@pytest.mark.parametrize("call", [
    "i.get_setting_value(p.View.__new__(p.View), 0, False)",
    "i.set_setting_value(RaisingRepr(), 0, False)",
    "i.GPU.get_gpu_device_id(RaisingRepr())",
    "i.InterProduct.update_track_in_plinx_ae(RaisingRepr(), RaisingRepr())",
])
def test_wrong_arguments_whose_repr_raises_are_type_errors(call):
    import plinx._init as i  # noqa: F401
    import plinx.project as p  # noqa: F401
    with pytest.raises(TypeError):
        eval(call)


def test_every_callable_has_its_signature():
    import plinx._init as i
    assert str(i.get_setting_value.__signature__) == (
        "(key: str, default_value: typing.Any, flag: bool) -> typing.Any")
    assert str(i.GPU.get_gpu_device_name_by_id.__signature__) == "(platform_id: int, device_id: int) -> str"
    assert str(i.Product.get_product_name.__signature__) == "() -> str"
