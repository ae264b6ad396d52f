"""A toy raw image format, taught to the application from Python.

A file holds the magic b"TOYRAW", its width and height (two little-endian
32-bit numbers), then its 8-bit RGB rows, top row first. Building a
ToyRawFormat registers it with the application for the rest of the process:
from then on clips read .toyraw files and exports write them, through the
methods below. Keep the object alive as long as the format is used.
"""
import os
import struct

import plinx.mediaio as mediaio
from PySide2.QtCore import QSize

MAGIC = b"TOYRAW"
HEADER = len(MAGIC) + 8
EXTENSION = ".toyraw"


def write_file(path, width, height, rgb):
    with open(path, "wb") as f:
        f.write(MAGIC + struct.pack("<II", width, height) + bytes(rgb))


def read_header(path):
    """(width, height), or None for a file of another format."""
    try:
        with open(path, "rb") as f:
            head = f.read(HEADER)
    except OSError:
        return None
    if len(head) != HEADER or not head.startswith(MAGIC):
        return None
    return struct.unpack("<II", head[len(MAGIC):])


class ToyRawFormat(mediaio.AbstractImageIOModule):
    def __init__(self):
        super().__init__("Toy raw", [EXTENSION], [mediaio.PixelFormat.RGBColorFormat],
                         [mediaio.ChannelType.UCharType])
        self.frames_read = 0
        self.frames_written = 0

    # What the application asks before it reads or writes.
    def accepts_ext(self, extension):
        return extension.lower() == EXTENSION

    def accepts_file(self, file_name):
        return read_header(file_name) is not None

    def image_size(self, file_name):
        return QSize(*read_header(file_name))

    def pixel_format(self, file_name):
        return mediaio.PixelFormat.RGBColorFormat

    def channel_type(self, file_name):
        return mediaio.ChannelType.UCharType

    def supports_image(self, file_name, format, pixels_type):
        return format == mediaio.PixelFormat.RGBColorFormat and pixels_type == mediaio.ChannelType.UCharType

    def get_gamma(self, file_name):
        return None  # the application's default

    def get_interlace_mode(self, file_name):
        return None  # not interlaced

    # The pixels: the image is sized from image_size; rows may be padded.
    def load_image(self, image, path, frame_number, stream_name):
        with open(path, "rb") as f:
            data = f.read()[HEADER:]
        pixels = memoryview(image.pixels()).cast("B")
        stride, row = len(pixels) // image.height, image.width * 3
        for y in range(image.height):
            pixels[y * stride:y * stride + row] = data[y * row:(y + 1) * row]
        self.frames_read += 1

    def save_image(self, image, path):
        pixels = memoryview(image.pixels()).cast("B")
        stride, row = len(pixels) // image.height, image.width * 3
        rows = b"".join(bytes(pixels[y * stride:y * stride + row]) for y in range(image.height))
        write_file(path, image.width, image.height, rows)
        self.frames_written += 1


def write_frames(folder, name, count, size):
    """Generated frames name.0001.toyraw...: a bar sweeping down the frame."""
    os.makedirs(folder, exist_ok=True)
    width, height = size
    for index in range(1, count + 1):
        rgb = bytearray()
        for y in range(height):
            lit = y == (index * 3) % height
            rgb += bytes([250, 220, 40] if lit else [20, 30, 60 + index * 10]) * width
        write_file(os.path.join(folder, "%s.%04d%s" % (name, index, EXTENSION)), width, height, rgb)
    return os.path.join(folder, "%s.0001%s" % (name, EXTENSION))
