"""Drives the scripting package plinx stand-alone.

Run with `make demo`, or after a build:
    PYTHONPATH=build/python /usr/bin/python3 examples/demo.py
"""
import plinx._init as plinx_init  # starts the application core: import it first
import plinx.project as project


def show_product():
    print("Running as %s (%s)" % (plinx_init.Product.get_product_name(),
                                  plinx_init.Product.get_registry_company_name()))
    print("GPU devices:", ", ".join(plinx_init.GPU.available_gpu_devices()))
    runs = int(plinx_init.get_setting_value("Demo/Runs", 0, False)) + 1
    plinx_init.set_setting_value("Demo/Runs", runs, False)
    print("Demo runs recorded in the settings:", runs)


def show_views():
    left = project.ViewInfo("Left", "L", (1.0, 0.0, 0.0))
    right = project.ViewInfo("Right", "R", (0.0, 1.0, 0.0))
    print("Views of a stereo pair:")
    for number, info in enumerate([left, right]):
        view = project.View(number)
        print("  %r  %-5s %s  colour %s" % (view, info.name, info.abbr, info.color))
    print("  default view:", repr(project.View()))


def show_stream():
    stream = project.StreamInfo("/footage/shot_010", "shot_010.", ".png", 1, 48, 4)
    print("A stream of footage:")
    print("  ", stream)


def show_enumerations():
    print("Interlace modes:")
    for name in ("NotInterlaced", "UpperFieldFirst", "LowerFieldFirst"):
        mode = getattr(project.InterlaceMode, name)
        print("  %-16s %d" % (name, int(mode)))
    print("Colour spaces:", ", ".join(
        "%s=%d" % (name, int(getattr(project, name)))
        for name in ("LinearColorspace", "LogColorspace", "PanalogColorspace")))


if __name__ == "__main__":
    show_product()
    show_views()
    show_stream()
    show_enumerations()
