#!/usr/bin/env python3
"""Writes the golden scale and C-fast files and their listings.

Each field is placed by hand at its offset in the file layout, in the byte
order chosen for the file; nothing of the program is used. The listings
(scale_fields.txt, cfast_words.txt) give per field its offset, type, name
and value; the tests read a file and compare what they get with them.

Run from this folder: python3 make_golden.py
"""
import struct

HEADER_SIZE = 282
DATE = b"09-Mar-2007"
SIZES = {"set16": 2, "word16": 2, "card16": 2, "int16": 2, "single": 4,
         "char": 1, "byte": 1, "bool": 1}


def scale_layout():
    """(offset, type, name) of every field of the scale payload."""
    fields = []

    def add(offset, kind, name):
        fields.append((offset, kind, name))

    def singles(offset, name, count):
        for i in range(count):
            add(offset + 4 * i, "single", f"{name}[{i}]")

    for r in range(3):
        base = 24 * r
        for offset, kind, field in [
                (0, "set16", "RangeSwitches"), (2, "set16", "ProbeResistor"),
                (4, "word16", "ProbeOffsetDac"), (6, "word16", "TFastDacB"),
                (8, "word16", "TFastDacA"), (10, "word16", "TSlowDacB"),
                (12, "word16", "TSlowDacA"), (14, "set16", "HFCompSwitches"),
                (16, "word16", "HFCompDac"), (18, "word16", "GainTrimDac"),
                (20, "single", "Gain")]:
            add(base + offset, kind, f"Range[{r}].{field}")
    singles(72, "InjectionCap", 4)
    singles(88, "CSlowRangeMax", 4)
    singles(104, "CCStimScale", 2)
    for i, base in enumerate((112, 122)):
        add(base, "bool", f"F2Var[{i}].HighQ")
        add(base + 2, "single", f"F2Var[{i}].Factor1")
        add(base + 6, "single", f"F2Var[{i}].Factor2")
    singles(132, "CFastTau", 16)
    for offset, name in [(196, "CFastFactor"), (200, "CSlowFactor"), (204, "GSeriesFactor"),
                         (208, "RsFactor"), (212, "RsFractionFactor"), (216, "GLeakFactor"),
                         (220, "StimScaleSlope"), (224, "StimScaleOffset"),
                         (228, "VpOffsetScale"), (232, "VpOffsetZero"), (236, "StimDacScale")]:
        add(offset, "single", name)
    add(240, "card16", "F2OffsetDac[0]")
    add(242, "single", "StimDacOffset")
    add(246, "single", "StimDacGain")

    def table(base, name, steps, values_name):
        add(base, "card16", f"{name}.Size")
        add(base + 2, "card16", f"{name}.Index")
        for i in range(steps):
            add(base + 4 + 2 * i, "set16", f"{name}.Codes[{i}]")
        at = base + 4 + 2 * steps
        add(at, "single", f"{name}.Max")
        add(at + 4, "single", f"{name}.Min")
        singles(at + 8, f"{name}.{values_name}", steps)
        at += 8 + 4 * steps
        add(at, "card16", f"{name}.OutValue")
        add(at + 2, "set16", f"{name}.OutCode")

    table(250, "CSlowTable", 32, "Offsets")
    table(458, "GSeriesTable", 16, "Factors")
    table(570, "CFast1Table", 32, "Offsets")
    table(778, "CFast2Table", 32, "Offsets")
    table(986, "RsTable", 16, "Factors")
    table(1098, "GLeakTable", 16, "Factors")
    table(1210, "SpareTable", 16, "Factors")
    add(1322, "int16", "VCStimDacOffset")
    add(1324, "int16", "CCStimDacOffset[0]")
    add(1326, "int16", "CCStimDacOffset[1]")
    add(1328, "int16", "MuxAdcOffset")
    add(1330, "char", "BoardLetter")
    add(1331, "byte", "CalibADBoard")
    add(1332, "text6", "SerialNumber")
    singles(1338, "ExtGain", 3)
    add(1350, "word16", "CCOffsetDac[0]")
    add(1352, "word16", "CCOffsetDac[1]")
    add(1354, "word16", "CCOffsetDac[2]")
    add(1356, "int16", "CCStimDacOffset[2]")
    singles(1358, "VpOffsetCorr", 3)
    add(1370, "single", "VmonFactor")
    singles(1374, "F1Bandwidth", 4)
    add(1390, "byte", "Filter2Law")
    add(1391, "bool", "ExtStimRange")
    add(1392, "word16", "CCOffsetDac[3]")
    add(1394, "single", "VmonOffset")
    add(1414, "card16", "F2OffsetDac[1]")
    add(1416, "int16", "CCStimDacOffset[3]")
    add(1418, "text16", "Tag")
    add(1434, "int16", "RefGainTrimDac")
    return fields


# Table heads whose values must make sense: the steps in use and the step.
STEPS = {"CSlowTable": (31, 5), "GSeriesTable": (3, 2), "CFast1Table": (7, 7),
         "CFast2Table": (15, 0), "RsTable": (1, 1), "GLeakTable": (15, 9), "SpareTable": (12, 4)}


def scale_values(fields):
    """A distinct value for every field (the Booleans alternate)."""
    values = []
    for n, (offset, kind, name) in enumerate(fields):
        table, _, part = name.partition(".")
        if part in ("Size", "Index"):
            value = STEPS[table][0 if part == "Size" else 1]
        elif kind in ("set16", "word16", "card16"):
            value = 0x0100 + 3 * n
        elif kind == "int16":
            value = -(1000 + n)
        elif kind == "single":
            # Dyadic, so that a single holds it exactly.
            value = (n + 1) * 0.25 * (-1 if n % 5 == 0 else 1)
        elif kind == "char":
            value = "C"
        elif kind == "byte":
            value = 10 + n % 200
        elif kind == "bool":
            value = n % 2
        elif name == "SerialNumber":
            value = "123456"
        else:
            value = "TLV4_USB/1/2/Ext"
        values.append(value)
    numbers = [(kind == "single", v) for (_, kind, name), v in zip(fields, values)
               if kind not in ("bool", "char") and not name.endswith((".Size", ".Index"))]
    assert len(set(numbers)) == len(numbers)
    return values


def pack(kind, value, order):
    if kind in ("set16", "word16", "card16"):
        return struct.pack(order + "H", value)
    if kind == "int16":
        return struct.pack(order + "h", value)
    if kind == "single":
        return struct.pack(order + "f", value)
    if kind == "char":
        return value.encode()
    if kind in ("byte", "bool"):
        return bytes([value])
    return value.encode()


def field_size(kind):
    return int(kind[4:]) if kind.startswith("text") else SIZES[kind]


def single_block_file(file_id, payload, data_size, order, file_size=None):
    """The header in the given order before the payload; the checksum is the
    byte sum of the whole file with its own field zero."""
    header = bytearray(HEADER_SIZE)
    header[0:len(file_id)] = file_id
    header[18:20] = struct.pack(order + "H", 203)
    header[20:22] = struct.pack(order + "H", 0)
    header[22:26] = struct.pack(order + "I", HEADER_SIZE)
    header[26:30] = struct.pack(order + "I", data_size)
    header[30:30 + len(DATE)] = DATE
    image = header + payload
    if file_size is not None:
        image = image[:file_size]
    image[276:280] = struct.pack(order + "I", sum(image) & 0xFFFFFFFF)
    return bytes(image)


def write(name, data):
    with open(name, "wb") as f:
        f.write(data)


def scale_files():
    fields = scale_layout()
    values = scale_values(fields)
    with open("scale_fields.txt", "w") as listing:
        listing.write("# The fields of the golden scale files, header dated 09-Mar-2007.\n"
                      "# scale_current_le.TLV and scale_current_be.TLV hold them all;\n"
                      "# scale_1370.TLV is the little-endian file with data size 1370 (the\n"
                      "# bytes after it unchanged), scale_1322.TLV ends after 1322 bytes.\n"
                      "# offset type name value\n")
        for (offset, kind, name), value in zip(fields, values):
            listing.write(f"{offset} {kind} {name} {value}\n")
    for order, suffix in (("<", "le"), (">", "be")):
        payload = bytearray(2048)
        for (offset, kind, name), value in zip(fields, values):
            data = pack(kind, value, order)
            assert len(data) == field_size(kind) and not any(payload[offset:offset + len(data)])
            payload[offset:offset + len(data)] = data
        write(f"scale_current_{suffix}.TLV", single_block_file(b"TLV3-Scale", payload, 2048, order))
        if order == "<":
            write("scale_1370.TLV", single_block_file(b"TLV3-Scale", payload, 1370, order))
            write("scale_1322.TLV", single_block_file(b"TLV3-Scale", payload, 1322, order,
                                                      HEADER_SIZE + 1322))


def cfast_file():
    """Big-endian, data size 9000 (2250 words), followed by 228 bytes of
    NaN patterns that a reader must never look at."""
    words = 9000 // 4
    names = []
    for t in range(3):
        names.append(f"Tables[{t}].SampleInterval")
        for block in ("CFast1", "CFast2", "Tau"):
            names += [f"Tables[{t}].{block}[{k}][{i}]" for k in range(16) for i in range(16)]
    payload = bytearray()
    with open("cfast_words.txt", "w") as listing:
        listing.write("# The words of cfast_9000_be.TLV (big-endian, data size 9000, the\n"
                      "# 2250 words below; the table's remaining 57 words are missing).\n"
                      "# offset type name value\n")
        for w in range(words):
            value = (w + 1) * 0.0078125 * (-1 if w % 3 == 0 else 1)
            payload += struct.pack(">f", value)
            listing.write(f"{4 * w} single {names[w]} {value}\n")
    payload += b"\xff" * (9228 - 9000)
    write("cfast_9000_be.TLV", single_block_file(b"TLV3-CFast", payload, 9000, ">"))


scale_files()
cfast_file()
