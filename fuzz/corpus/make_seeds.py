#!/usr/bin/env python3
"""Writes the committed seed inputs of the fuzz targets: small files in every storage mode,
every chunk layout, and the worked examples of the two file formats. Run from anywhere; it
rewrites fuzz/corpus/<target>/ beside itself."""
import os
import struct
import shutil

HERE = os.path.dirname(os.path.abspath(__file__))

def ply(fmt, declarations, body):
    return b"ply\nformat " + fmt.encode() + b" 1.0\n" + declarations.encode() + b"end_header\n" + body

TRIANGLE_DECL = ("element vertex 3\n"
                 "property float x\nproperty float y\nproperty float z\n"
                 "property uchar red\nproperty uchar green\nproperty uchar blue\n"
                 "element face 1\nproperty list uchar int vertex_indices\n")

def binary_triangle(order):
    body = b""
    for xyz, rgb in (((0, 0, 0), (255, 0, 0)), ((1, 0, 0), (0, 255, 0)), ((0, 1, 0), (0, 0, 255))):
        body += struct.pack(order + "3f3B", *xyz, *rgb)
    body += struct.pack(order + "B3i", 3, 0, 1, 2)
    return body

ALL_TYPES_DECL = ("comment every type\nobj_info seeds\n"
                  "element thing 2\n"
                  "property char a\nproperty uchar b\nproperty short c\nproperty ushort d\n"
                  "property int e\nproperty uint f\nproperty float g\nproperty double h\n"
                  "property int8 i\nproperty uint8 j\nproperty int16 k\nproperty uint16 l\n"
                  "property int32 m\nproperty uint32 n\nproperty float32 o\nproperty float64 p\n"
                  "property list ushort float q\n"
                  "element empty 0\nproperty int nothing\n")

def all_types(order):
    fields = "bBhHiIfdbBhHiIfd"
    one = struct.pack(order + fields, -128, 255, -32768, 65535, -2**31, 2**32 - 1, 1.5, -2.25,
                      127, 0, 32767, 0, 2**31 - 1, 0, 3.4e38, 1e-300)
    return one + struct.pack(order + "H2f", 2, 0.5, -0.5) + one + struct.pack(order + "H", 0)

ALL_TYPES_ASCII = (b"-128 255 -32768 65535 -2147483648 4294967295 1.5 -2.25 127 0 32767 0 "
                   b"2147483647 0 3.4e38 1e-300 2 0.5 -0.5\n"
                   b"+1 2 3 4 5 6 7e0 8E-1 9 10 11 12 13 14 .5 -0 0\n")

MIXED_DECL = ("element vertex 4\nproperty double z\nproperty double y\nproperty double x\n"
              "property float nx\nproperty int red\nproperty int green\nproperty int blue\n"
              "element face 3\nproperty list uchar uint vertex_indices\n"
              "element edge 1\nproperty int vertex1\nproperty int vertex2\n")

PLY_SEEDS = {
    "triangle_ascii.ply": ply("ascii", TRIANGLE_DECL,
                              b"0 0 0 255 0 0\n1 0 0 0 255 0\n0 1 0 0 0 255\n3 0 1 2\n"),
    "triangle_le.ply": ply("binary_little_endian", TRIANGLE_DECL, binary_triangle("<")),
    "triangle_be.ply": ply("binary_big_endian", TRIANGLE_DECL, binary_triangle(">")),
    "triangle_crlf.ply": ply("ascii", TRIANGLE_DECL, b"0 0 0 255 0 0 1 0 0 0 255 0\r\n"
                             b"0 1 0 0 0 255\t3 0 1 2").replace(b"\n", b"\r\n"),
    "all_types_ascii.ply": ply("ascii", ALL_TYPES_DECL, ALL_TYPES_ASCII),
    "all_types_le.ply": ply("binary_little_endian", ALL_TYPES_DECL, all_types("<")),
    "all_types_be.ply": ply("binary_big_endian", ALL_TYPES_DECL, all_types(">")),
    "mixed_faces.ply": ply("ascii", MIXED_DECL,
                           b"0 0 0 0 300 -1 0.5\n0 0 1 0 1 2 3\n0 1 1 0 4 5 6\n0 1 0 0 7 8 9\n"
                           b"4 0 1 2 3\n5 0 1 2 3 0\n3 3 2 1\n0 1\n"),
    "no_faces.ply": ply("ascii", "element vertex 1\nproperty float x\n", b"1\n"),
    "bad_header.ply": b"ply\nformat ascii 1.0\nelement vertex 1\nproperty flot x\nend_header\n1\n",
}

def chunk(tag, size, count, payload=b""):
    return struct.pack("<IiIf", tag, size, count, 0.0) + payload

MAGIC = b"Vynb 1.0 Halvex Vyn Binary......"
END = b"\0" * 16

def vertices(xyz):
    return chunk(10001, 16 + 4 * len(xyz), len(xyz) // 3, struct.pack("<%df" % len(xyz), *xyz))

def colours(rgb):
    payload = b"".join(struct.pack("4B", b, g, r, 0) for r, g, b in rgb)
    return chunk(35001, 16 + len(payload), len(rgb), payload)

def faces(abcd):
    return chunk(20001, 16 + 4 * len(abcd), len(abcd) // 4, struct.pack("<%di" % len(abcd), *abcd))

TRI_XYZ = [0, 0, 0, 1, 0, 0, 0, 1, 0]
TRI_RGB = [(255, 0, 0), (0, 255, 0), (0, 0, 255)]
QUAD_XYZ = [0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0]
QUAD_RGB = [(16, 32, 48)] * 4

INTERCHANGE_SEEDS = {
    # The host's order: vertex, colour, face.
    "host_triangle.vyn": MAGIC + vertices(TRI_XYZ) + colours(TRI_RGB) + faces([0, 1, 2, -1]) + END,
    "host_quad_and_triangle.vyn": MAGIC + vertices(QUAD_XYZ) + colours(QUAD_RGB)
        + faces([0, 1, 2, 3, 0, 2, 3, -7]) + END,
    # The writer's order (vertex, face, colour): the worked example, 160 bytes.
    "writer_triangle.vyn": MAGIC + vertices(TRI_XYZ) + faces([0, 1, 2, -1]) + colours(TRI_RGB) + END,
    "writer_no_colour.vyn": MAGIC + vertices(TRI_XYZ) + faces([0, 1, 2, -1]) + END,
    "empty_mesh.vyn": MAGIC + vertices([]) + colours([]) + faces([]) + END,
    "no_chunks.vyn": MAGIC + END,
    "no_faces.vyn": MAGIC + vertices(TRI_XYZ) + colours(TRI_RGB) + END,
    "other_magic.vyn": b"x" * 32 + vertices(TRI_XYZ) + colours(TRI_RGB) + faces([0, 1, 2, -1]),
    "colour_count_mismatch.vyn": MAGIC + vertices(TRI_XYZ) + colours(TRI_RGB[:2])
        + faces([0, 1, 2, -1]) + END,
    "face_size_negative.vyn": MAGIC + vertices(TRI_XYZ) + colours(TRI_RGB) + chunk(20001, -16, 5)
        + END,
    "cut_in_faces.vyn": (MAGIC + vertices(QUAD_XYZ) + colours(QUAD_RGB)
                         + faces([0, 1, 2, 3, 0, 2, 3, -1]))[:-9],
}

# Folder calls: the decoder reads op, then choices, byte by byte from the end of the input
# (FuzzedDataProvider takes integers from the back), so a few hand-picked sequences and a run of
# every op value are enough to start from.
FOLDER_SEEDS = {
    "open_list_close.bin": bytes([3, 1, 1, 1, 1, 1, 0, 0, 0]),
    "every_op.bin": bytes(range(0, 64)),
    "empty_then_list.bin": bytes([0, 4, 0, 1, 1, 1, 1, 1, 1, 0, 0]),
    "renames.bin": bytes([7, 3, 5, 6, 1, 2, 6, 4, 4, 6, 0, 9, 6]),
}

def write(target, seeds):
    folder = os.path.join(HERE, target)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)

write("ply_reader_fuzzer", PLY_SEEDS)
write("ply_import_fuzzer", PLY_SEEDS)
write("interchange_reader_fuzzer", INTERCHANGE_SEEDS)
write("ply_export_fuzzer", INTERCHANGE_SEEDS)
write("folder_calls_fuzzer", FOLDER_SEEDS)
