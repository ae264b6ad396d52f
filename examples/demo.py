"""Drives the scripting package plinx stand-alone.

Run with `make demo`, or after a build:
    PYTHONPATH=build/python /usr/bin/python3 examples/demo.py
"""
import os
import tempfile

import numpy
from PySide2 import QtGui

import plinx._init as plinx_init  # starts the application core: import it first
import plinx.exporters as exporters
import plinx.project as project

import toy_raw_format  # an image format written in Python (examples/toy_raw_format.py)


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


def make_footage(folder, name, frames=12, size=(64, 48)):
    """A numbered PNG sequence of a square crossing the frame; its first file."""
    os.makedirs(folder, exist_ok=True)
    for index in range(1, frames + 1):
        image = QtGui.QImage(size[0], size[1], QtGui.QImage.Format_RGB32)
        image.fill(QtGui.QColor(20, 30, 60))
        painter = QtGui.QPainter(image)
        painter.fillRect(index * 4, 16, 12, 12, QtGui.QColor(240, 200, 40))
        painter.end()
        image.save(os.path.join(folder, "%s.%04d.png" % (name, index)))
    return os.path.join(folder, "%s.0001.png" % name)


def show_clip(first_file):
    clip = project.Clip(first_file, "plate", True)
    info = clip.get_info(project.View())
    print("A clip of generated footage: %s" % clip)
    print("  %d x %d, frames %d to %d, %.1f frames a second" % (
        clip.frame_size + (info.start_frame, info.end_frame, clip.frame_rate)))
    colour = clip.color_parameters
    colour.colorspace, colour.gamma = project.LogColorspace, 2.2
    print("  colour settings:", colour)
    return clip


def show_project(clip, folder):
    made = project.Project(clip)
    plate = made.clips["plate"]
    print("A project made from it: %d frames at %.1f, clips %s, first frame %d" % (
        made.length, made.frame_rate, sorted(made.clips), made.first_frame_offset))

    exported = os.path.join(folder, "export")
    plate.export(None, exported, ".png", "plate_", "", 0, made.length - 1, index_width=4)
    print("  exported %d frames to %s" % (len(os.listdir(exported)), exported))
    plate.relink(os.path.join(exported, "plate_0000.png"))
    print("  relinked to", plate.get_info(project.View()))

    made.notes = "A demo project: a stereo pair of generated footage."
    made.frame_rate = 25.0
    made.in_out_range = (2, 9)
    made.views = [project.ViewInfo("Left", "L", (1.0, 0.0, 0.0)), project.ViewInfo("Right", "R", (0.0, 1.0, 1.0))]
    plate.add_stream(make_footage(os.path.join(folder, "right"), "right"), project.View(1), 1, 12, True)
    made.default_hero_view = 1
    show_layers(made, plate)
    path = os.path.join(folder, "demo.plinx")
    made.save_as(path)
    print("  saved as", made.project_file)
    return path


def show_layers(made, plate):
    square = made.add_layer(plate, "square", 2)
    backdrop = made.add_layer(plate, "backdrop")
    group = made.add_group("tracked", [square])
    square.matte_color = (1.0, 0.5, 0.0)
    backdrop.stroke_color = (0.0, 1.0, 1.0)
    backdrop.z_order = 0  # to the rear of the top level
    backdrop.link_to_track = square
    print("Layers added: %s, in group %s; the backdrop follows the square's track" % (
        [layer.name for layer in made.layers], group.name))
    backdrop.name = "background"
    print("  renamed to %r," % backdrop.name, end=" ")
    made.undo_group().undo()
    print("undone: %r again" % backdrop.name)
    show_shape(made, square)


def show_shape(made, layer):
    Point = project.BezierControlPointData
    shape = layer.add_bezier_contour(0.0, [Point(x=10.0, y=10.0), Point(x=30.0, y=10.0),
                                           Point(x=30.0, y=30.0), Point(x=10.0, y=30.0)])
    corner = shape.control_point(2)
    corner.set_point_data(2.0, Point(x=32.0, y=31.0, handle_offset_forward=(2.0, 0.0)))
    corner.set_point_data(6.0, Point(x=40.0, y=38.0))
    print("A Bezier shape on %r, box %s; its corner moved at frames 2 and 6" % (layer.name, shape.get_bounding_rect(6.0)))
    made.undo_group().undo()
    print("  the move at frame 6 undone: at frame 6 the corner is %s" % point_text(corner.get_point_data(6.0)))


def point_text(data):
    return "(%g, %g), handles %s and %s" % (data.x, data.y, data.handle_offset_backward, data.handle_offset_forward)


def print_tree(made):
    """The layer tree, front to rear, each group's layers under it."""
    def describe(layer):
        link = layer.link_to_track
        return "%s  matte %s stroke %s%s%s" % (
            layer.name, colour_text(layer.matte_color), colour_text(layer.stroke_color),
            "" if layer.visibility else "  hidden", "  follows " + link.name if link else "")

    def front_first(nodes):
        return sorted(nodes, key=lambda node: -node.z_order)

    top = [layer for layer in made.layers if layer.parent is None] + made.groups
    for node in front_first(top):
        if isinstance(node, project.LayerGroup):
            print("    %d group %s" % (node.z_order, node.name))
            for layer in front_first(node.layers):
                print("        %d %s" % (layer.z_order, describe(layer)))
        else:
            print("    %d %s" % (node.z_order, describe(node)))


def colour_text(colour):
    return "#%02x%02x%02x" % tuple(round(channel * 255) for channel in colour)


def show_reopened(path):
    reopened = project.Project(path)
    print("Reopened %s:" % os.path.basename(reopened.project_file))
    print("  notes: %s" % reopened.notes)
    print("  %.1f frames a second, in/out %s, hero view %r" % (
        reopened.frame_rate, reopened.in_out_range, reopened.default_hero_view))
    for view in reopened.views:
        print("  view", view)
    plate = reopened.clips["plate"]
    print("  clip %s: views %s, colour %s" % (plate.name, plate.views, plate.color_parameters))
    print("  layer tree (z order, name, colours, link):")
    print_tree(reopened)
    square = reopened.find_layers("square")[0]
    corner = square.contours[0].control_point(2)
    for frame in (0.0, 2.0, 6.0):
        print("  the square's corner at frame %g: %s" % (frame, point_text(corner.get_point_data(frame))))
    try:
        with reopened.undo_group():  # its edits become one step, or none when it fails
            reopened.in_out_range = (9, 2)
    except IndexError as error:
        print("  a failing block was rolled back (%s); in/out still %s" % (error, reopened.in_out_range))

def show_frame(path):
    opened = project.Project(path)
    plate = opened.clips["plate"]
    plate.color_parameters.conversion = project.FloatConversion
    image = plate.image(5)
    pixels = image.pixels  # a weak reference to the array over the frame's own memory
    array = pixels()
    frame = numpy.frombuffer(array, array.typecode).reshape(image.height, image.width, -1)

    def square_rows():
        bright = numpy.nonzero(frame[:, :, 0] > 0.5)[0]
        return "%d-%d" % (bright.min(), bright.max())

    print("Frame 5 of %s through numpy: %dx%d, %d channels of %s, mean %.3f, square on rows %s" % (
        plate.name, image.width, image.height, frame.shape[2], frame.dtype, frame.mean(), square_rows()))
    image.flip()  # in place: numpy sees the rows turned over
    print("  flipped: square on rows %s" % square_rows())

    camera = plate.base_parameter_set(["camera"])
    focal = camera["focalLengthUnits"]
    focal.set(0, 1.0)
    focal.set(1, 6.0)
    print("  camera keyframes %s; focal length units %d at frame 1, %d at frame 6" % (
        ", ".join("%s@%g" % (view, time) for view, time in camera.keyframes), focal.get(1.0), focal.get(6.0)))


def show_python_format(folder):
    toy = toy_raw_format.ToyRawFormat()  # registers the format for the rest of the run
    first = toy_raw_format.write_frames(os.path.join(folder, "toyraw"), "sweep", 8, (32, 24))
    made = project.Project(project.Clip(first, "sweep", True))
    sweep = made.clips["sweep"]
    info = sweep.get_info(project.View())
    print("A project from generated frames of a format written in Python (%s):" % toy_raw_format.EXTENSION)
    print("  %d x %d, frames %d to %d" % (sweep.frame_size + (info.start_frame, info.end_frame)))

    # Frame 3 read back through the Python reader: the project's own image of it.
    image = sweep.image(2)
    pixels = image.pixels()
    frame = numpy.frombuffer(pixels, numpy.uint8).reshape(image.height, -1)[:, :image.width * 3]
    bar = int(numpy.nonzero(frame[:, 0] > 200)[0][0])
    print("  frame 3 read back: %d x %d %s, its bar on row %d, colour %s" % (
        image.width, image.height, str(image.pixel_format).rsplit(".", 1)[-1], bar, tuple(int(c) for c in frame[bar, :3])))

    # An export written through the Python writer.
    written = os.path.join(folder, "sweep_toyraw")
    sweep.export(None, written, toy_raw_format.EXTENSION, "out_", "", 0, made.length - 1, index_width=2)
    print("  exported through the format: %s" % ", ".join(sorted(os.listdir(written))))
    print("  the format read %d frames and wrote %d" % (toy.frames_read, toy.frames_written))

    # A render written through the Python writer: the project's result format
    # overridden for this run only.
    plinx_init.set_setting_value("ResultClipFileFormat", toy_raw_format.EXTENSION.lstrip("."), True)
    try:
        rendering = project.Project(project.Clip(first, "sweep", True))
    finally:
        plinx_init.set_setting_value("ResultClipFileFormat", "TIF", True)
    rendering.set_output_dir(os.path.join(folder, "toyraw_renders"))
    patch = rendering.add_layer(rendering.clips["sweep"], "patch")
    patch.add_xspline_contour(0.0, [project.XControlPointData(x=float(x), y=float(y))
                                    for x, y in [(4, 4), (12, 4), (12, 12), (4, 12)]])
    inserted = rendering.render(project.RenderInsertOperation(), 0, 3, [patch])
    print("  a render written through the format, clip %r: %s" % (
        inserted.name, ", ".join(sorted(os.listdir(os.path.join(folder, "toyraw_renders"))))))
    return toy


def make_textured_footage(folder, name, frames=8, size=(96, 48)):
    """A square of noise, 24 px, moving 4 px a frame to the right; its first file."""
    os.makedirs(folder, exist_ok=True)
    noise = numpy.random.default_rng(7).integers(0, 256, (24, 24), dtype=numpy.uint8)
    for index in range(frames):
        pixels = numpy.full((size[1], size[0], 3), 30, dtype=numpy.uint8)
        left = 8 + 4 * index
        pixels[12:36, left:left + 24, 0] = noise
        pixels[12:36, left:left + 24, 1] = 255 - noise
        image = QtGui.QImage(pixels.data, size[0], size[1], size[0] * 3, QtGui.QImage.Format_RGB888)
        image.save(os.path.join(folder, "%s.%04d.png" % (name, index + 1)))
    return os.path.join(folder, "%s.0001.png" % name)


def show_tracking_and_rendering(folder):
    """Tracks a layer round the square, renders from it and exports its shape."""
    clip = project.Clip(make_textured_footage(os.path.join(folder, "moving"), "moving"), "moving")
    made = project.Project(clip)
    made.set_output_dir(os.path.join(folder, "renders"))
    layer = made.add_layer(made.clips["moving"], "square")
    # Frame 0 shows the square at x 8..32, y 12..36; the shape keeps 3 px round it.
    corners = [(5, 9), (35, 9), (35, 39), (5, 39)]
    layer.add_xspline_contour(0.0, [project.XControlPointData(x=float(x), y=float(y)) for x, y in corners])
    print("Tracking %r over %d frames:" % (layer.name, made.length))
    made.track_layers(0, made.length - 1, [layer])
    for frame in range(made.length):
        matrix = layer.get_transform_matrix(float(frame))
        print("  frame %d: translation %5.2f, %5.2f" % (frame, matrix[0][2], matrix[1][2]))

    for operation in (project.RenderStabilizeOperation(), project.RenderInsertOperation()):
        watcher = operation.progress_watcher
        said = []
        watcher.started.connect(lambda: said.append("started"))
        watcher.progress_message.connect(lambda text: said.append(text))
        watcher.progress_status.connect(lambda percent: said.append("%d%%" % percent))
        watcher.finished.connect(lambda: said.append("finished"))
        rendered = made.render(operation, 0, made.length - 1, [layer], step=2)
        print("%s made clip %r:" % (type(operation).__name__, rendered.name))
        print("  " + ", ".join(said))

    shapes = os.path.join(folder, "shapes")
    matte = made.export_rendered_shapes([layer], project.ByMatteColor, shapes, ".png", "square_", "", 0,
                                        made.length - 1, 2)
    print("Shapes exported to %s; the first file opens as clip %r" % (os.path.basename(shapes), matte.name))
    for place in ("renders", "shapes"):
        print("  %s: %s" % (place, ", ".join(sorted(os.listdir(os.path.join(folder, place))))))
    return made, layer


class CsvTrackExporter(exporters.AbstractTrackingDataExporter):
    """A tracking format written in Python: the layer's track, one CSV row a frame."""

    def __init__(self):
        super().__init__("CSV track (Python)", ".csv")
        self.error = ""

    def do_export(self, project, layer, tracking_file_path, time, view, options):
        data = exporters.ShapeExportData(layer, layer.in_point(view), layer.out_point(view), view)
        rows = ["frame,xx,xy,xz,yx,yy,yz,zx,zy,zz"]
        for frame, matrix in sorted(data.transforms.items()):
            rows.append(",".join(["%g" % frame] + ["%g" % value for row in matrix for value in row]))
        return {os.path.basename(tracking_file_path): ("\n".join(rows) + "\n").encode()}

    def error_string(self):
        return self.error


def show_exporters(opened, square, folder):
    """The exporters of each family; the tracked square's shapes and track written through them."""
    families = [("shape data", exporters.AbstractShapeDataExporter),
                ("tracking data", exporters.AbstractTrackingDataExporter),
                ("camera solve", exporters.AbstractCameraSolveExporter)]
    for family, base in families:
        print("Exporters of %s: %s" % (family, ", ".join(sorted(base.registered_exporters()))))

    out = os.path.join(folder, "exports")
    os.makedirs(out)
    shapes = exporters.AbstractShapeDataExporter.registered_exporters()["Plain Text Shapes"]
    written = shapes.do_export(opened, [square], os.path.join(out, "square_shapes.txt"), [project.View(0)])
    first_lines = bytes(next(iter(written.values()))).decode().splitlines()[:2]
    print("  the square's shapes, by the built-in exporter: %s" % "; ".join(first_lines))

    csv = CsvTrackExporter()  # stays registered while the script holds it
    csv.register()
    entry = exporters.AbstractTrackingDataExporter.registered_exporters()["CSV track (Python)"]
    files = entry.do_export(opened, square, os.path.join(out, "square_track.csv"), 0.0, project.View(0),
                            {"Stabilize": True})  # the core calls the Python exporter back
    for name, contents in files.items():
        with open(os.path.join(out, name), "wb") as csv_file:
            csv_file.write(bytes(contents))
    print("  a Python exporter registered, listed as a %s, called back by the core: %s, %d rows" % (
        type(entry).__name__, ", ".join(files), bytes(files["square_track.csv"]).count(b"\n") - 1))
    print("  files:", ", ".join(sorted(os.listdir(out))))


if __name__ == "__main__":
    show_product()
    show_views()
    show_stream()
    show_enumerations()
    with tempfile.TemporaryDirectory(prefix="plinx-demo-") as scratch:
        plate = show_clip(make_footage(os.path.join(scratch, "plate"), "plate"))
        saved = show_project(plate, scratch)
        show_reopened(saved)
        show_frame(saved)
        toy = show_python_format(scratch)
        tracked, square = show_tracking_and_rendering(scratch)
        show_exporters(tracked, square, scratch)
