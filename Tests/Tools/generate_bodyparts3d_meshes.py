#!/usr/bin/env python3
"""Writes one OBJ mesh per element file id of the BodyParts3D 4.0 metadata tables,
for a full-scale import run without the release's own meshes.

Every element becomes a closed ellipsoid placed where the structure that lists it
lies in a standing adult 1.7 m tall, so that the import's orientation landmarks
(humeri, femora, mandible, occipital bone, talus...) sit where they would in the
real release. The axes are those of a dataset that needs remapping: x towards
the body's right, y towards its back, z towards its head, millimetres, feet at
z = 0. The importer must therefore mirror it (and turn every triangle).

Like the release's files, each one carries positions, vertex normals and faces
written "f v//vn". Sizes are spread log-uniformly (the skin much larger) and
scaled so the whole set reaches --target-mb of text. Output is deterministic.

    python3 Tests/Tools/generate_bodyparts3d_meshes.py \\
        --metadata ../shared/data/bodyparts3d-4.0 --out /tmp/bp3d-obj --target-mb 320

With --single NAME the same elements go, in element id order, into one OBJ file
--out/NAME, one group per element: a large model for the generic import.
"""

import argparse
import math
import multiprocessing
import os
import random
import sys
import zlib

BYTES_PER_VERTEX = 113  # one v line, one vn line and two face lines, as written below

# Where a structure lies: first keyword found in its lower-cased name wins.
# (keywords, centre z, |x| from the midline, y, spread, radii (x, y, z) in mm)
REGIONS = [
    (("humerus",), 1200, 190, 0, 5, (18, 18, 150)),
    (("femur",), 650, 100, 0, 5, (25, 25, 200)),
    (("scapula",), 1330, 110, 80, 5, (60, 15, 80)),
    (("clavicle",), 1420, 90, -50, 5, (70, 10, 10)),
    (("calcaneus",), 30, 100, 40, 3, (20, 40, 20)),
    (("talus",), 70, 100, 10, 3, (18, 25, 15)),
    (("mandible",), 1540, 0, -60, 3, (50, 40, 20)),
    (("frontal bone",), 1660, 0, -70, 3, (60, 20, 40)),
    (("occipital bone",), 1620, 0, 80, 3, (55, 20, 45)),
    (("sacrum",), 900, 0, 70, 3, (45, 20, 55)),
    (("sternum",), 1290, 0, -100, 3, (20, 8, 90)),
    (("eyeball",), 1620, 32, -75, 2, (12, 12, 12)),
    (("lung",), 1270, 90, 0, 5, (70, 80, 120)),
    (("skin",), 860, 0, 0, 0, (250, 150, 860)),
    (("thalamus", "brain", "cerebr", "cerebell", "amygdala", "geniculate", "optic", "pons", "pontine",
      "gyrus", "callos", "hippocamp", "stria"), 1620, 0, 0, 60, (12, 12, 12)),
    (("tooth", "molar", "incisor", "canine", "tongue", "lingual", "palat", "uvul", "zygomatic",
      "maxill", "nasal", "skull", "cranial", "orbit", "ear", "temporal", "parietal", "sphenoid",
      "ethmoid", "facial", "sublingual", "parotid", "masset"), 1580, 0, -20, 70, (10, 10, 10)),
    (("laryn", "thyro", "arytenoid", "pharyn", "hyoid", "cervical", "neck", "carotid", "jugular",
      "thyroid"), 1460, 0, 0, 40, (10, 10, 20)),
    (("finger", "thumb", "pollicis", "palmar", "carpal", "hand", "interossei"), 760, 300, 0, 60, (8, 8, 20)),
    (("radius", "ulna", "forearm", "antebrach", "cubital", "carpi", "brachioradialis"), 980, 260, 0, 60,
     (12, 12, 110)),
    (("arm", "brachi", "biceps", "triceps", "deltoid", "axillary", "subscapular"), 1230, 200, 0, 60,
     (20, 20, 100)),
    (("toe", "plantar", "foot", "tarsal", "hallucis", "pedis"), 40, 100, -40, 50, (10, 20, 8)),
    (("tibia", "fibula", "leg", "crural", "soleus", "gastrocnemius", "popliteal", "peroneal"), 300, 100,
     0, 60, (20, 20, 150)),
    (("femoral", "thigh", "glute", "vastus", "sartorius", "adductor", "gracilis", "obturator"), 650, 110,
     0, 70, (30, 30, 150)),
    (("pelvi", "iliac", "hip", "bladder", "uter", "ovar", "prostat", "rect", "deferent", "coccy", "pubic",
      "ischi", "pudendal"), 920, 0, 0, 80, (25, 25, 25)),
    (("lumb", "kidney", "renal", "ureter", "adrenal", "suprarenal", "psoas"), 1040, 60, 40, 50,
     (25, 20, 40)),
    (("jejun", "ileum", "colon", "cecum", "caec", "append", "intestin", "duoden", "stomach", "gastric",
      "liver", "hepatic", "pancrea", "splen", "gall", "bile", "cystic", "mesenter", "abdom"), 1080, 0,
     -40, 100, (30, 25, 30)),
    (("heart", "coronar", "atri", "ventric", "aort", "pulmonary", "bronch", "pleura", "segmental",
      "thorac", "intercostal", "rib", "costa", "esophag", "trachea", "mediastin", "azygos", "cava",
      "subcostal", "lingular"), 1280, 0, 0, 90, (15, 15, 25)),
    (("vertebra", "spinal", "interspinal", "spin"), 1250, 0, 60, 200, (20, 20, 15)),
]
TRUNK = ((), 1150, 0, 0, 200, (15, 15, 15))


def read_rows(path):
    with open(path, encoding="utf-8") as stream:
        lines = stream.read().splitlines()[1:]
    return [line.split("\t") for line in lines if line]


def element_owners(metadata):
    """Element id -> English name of the concept with the fewest elements that lists it."""
    names = {}
    for row in read_rows(os.path.join(metadata, "isa_parts_list_e.txt")):
        if len(row) >= 3:
            names[row[0]] = row[2]
    elements = {}
    for row in read_rows(os.path.join(metadata, "isa_element_parts.txt")):
        if len(row) >= 3:
            elements.setdefault(row[0], []).append(row[2])
            names.setdefault(row[0], row[1])
    owners = {}
    for concept, files in elements.items():
        for element in files:
            best = owners.get(element)
            if best is None or (len(files), concept) < (len(elements[best]), best):
                owners[element] = concept
    return {element: names.get(concept, concept) for element, concept in owners.items()}


def region_of(name):
    lowered = name.lower()
    for region in REGIONS:
        if any(keyword in lowered for keyword in region[0]):
            return region
    return TRUNK


def placement(element, name, rng):
    _, z, lateral, y, spread, radii = region_of(name)
    lowered = " " + name.lower() + " "
    if " left " in lowered or lowered.startswith(" left"):
        side = -1  # x grows towards the body's right
    elif " right " in lowered:
        side = 1
    else:
        side = rng.choice((-1, 1)) if lateral > 60 else 0
    centre = (side * lateral + rng.uniform(-spread, spread) * (0.3 if side else 1),
              y + rng.uniform(-spread, spread) * 0.5, z + rng.uniform(-spread, spread))
    scale = rng.uniform(0.7, 1.3)
    return centre, tuple(r * scale for r in radii)


def vertex_budget(elements, names, total_vertices):
    weights = {}
    for element in elements:
        rng = random.Random(zlib.crc32(element.encode()))
        weight = math.exp(rng.uniform(math.log(1), math.log(30)))
        if region_of(names[element])[0] == ("skin",):
            weight *= 60
        weights[element] = weight
    total = sum(weights.values())
    return {element: max(26, int(total_vertices * weight / total)) for element, weight in weights.items()}


def ring_layout(vertices):
    columns = max(6, int(math.sqrt(2 * vertices)))
    return columns, max(2, (vertices - 2) // columns)


def ellipsoid_obj(element, centre, radii, vertices, first=1):
    # Rings of `columns` vertices between two poles, wound counter-clockwise seen
    # from outside in the dataset's own right-handed axes. `first` is the number
    # of the element's first vertex in its file.
    columns, rings = ring_layout(vertices)
    cx, cy, cz = centre
    rx, ry, rz = radii
    points = [(0.0, 0.0, 1.0)]
    for ring in range(1, rings + 1):
        polar = math.pi * ring / (rings + 1)
        sp, cp = math.sin(polar), math.cos(polar)
        for column in range(columns):
            azimuth = 2 * math.pi * column / columns
            points.append((sp * math.cos(azimuth), sp * math.sin(azimuth), cp))
    points.append((0.0, 0.0, -1.0))

    out = ["# generated BodyParts3D-like element\n", "g %s\n" % element]
    for x, y, z in points:
        out.append("v %.6f %.6f %.6f\n" % (cx + rx * x, cy + ry * y, cz + rz * z))
    for x, y, z in points:
        nx, ny, nz = x / rx, y / ry, z / rz
        length = math.sqrt(nx * nx + ny * ny + nz * nz)
        out.append("vn %.6f %.6f %.6f\n" % (nx / length, ny / length, nz / length))

    def face(a, b, c):
        a, b, c = a + first - 1, b + first - 1, c + first - 1
        out.append("f %d//%d %d//%d %d//%d\n" % (a, a, b, b, c, c))

    last = len(points)
    for column in range(columns):
        nxt = (column + 1) % columns
        face(1, 2 + column, 2 + nxt)
    for ring in range(rings - 1):
        top = 2 + ring * columns
        below = top + columns
        for column in range(columns):
            nxt = (column + 1) % columns
            face(top + column, below + column, below + nxt)
            face(top + column, below + nxt, top + nxt)
    bottom = 2 + (rings - 1) * columns
    for column in range(columns):
        nxt = (column + 1) % columns
        face(bottom + column, last, bottom + nxt)
    return "".join(out)


def element_text(job):
    element, name, vertices, _, first = job
    rng = random.Random(zlib.crc32(element.encode()) ^ 0x5EED)
    centre, radii = placement(element, name, rng)
    return ellipsoid_obj(element, centre, radii, vertices, first)


def write_one(job):
    text = element_text(job)
    path = os.path.join(job[3], job[0] + ".obj")
    with open(path, "w", encoding="ascii") as stream:
        stream.write(text)
    return len(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--metadata", required=True, help="folder of the BodyParts3D metadata tables")
    parser.add_argument("--out", required=True, help="folder to write the OBJ files into (outside the repository)")
    parser.add_argument("--target-mb", type=float, default=320, help="total size of OBJ text to aim at")
    parser.add_argument("--jobs", type=int, default=os.cpu_count())
    parser.add_argument("--single", metavar="NAME", help="write one OBJ file with a group per element")
    args = parser.parse_args()

    names = element_owners(args.metadata)
    elements = sorted(names)
    budget = vertex_budget(elements, names, int(args.target_mb * 1e6 / BYTES_PER_VERTEX))
    os.makedirs(args.out, exist_ok=True)
    jobs, first = [], 1
    for element in elements:
        jobs.append((element, names[element], budget[element], args.out, first if args.single else 1))
        columns, rings = ring_layout(budget[element])
        first += columns * rings + 2
    with multiprocessing.Pool(args.jobs) as pool:
        if not args.single:
            sizes = pool.map(write_one, jobs, chunksize=8)
            print("%d file OBJ, %.1f MB in %s" % (len(sizes), sum(sizes) / 1e6, args.out))
            return
        path = os.path.join(args.out, args.single)
        size = 0
        with open(path, "w", encoding="ascii") as stream:
            for text in pool.imap(element_text, jobs, chunksize=8):
                stream.write(text)
                size += len(text)
        print("%d gruppi, %.1f MB in %s" % (len(jobs), size / 1e6, path))


if __name__ == "__main__":
    sys.exit(main())
