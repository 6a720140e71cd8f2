#!/usr/bin/env python3
"""Checks the #include lines of Sources/ against the module layering.

    check_layering.py <Sources folder>     prints each violation as file:line and fails
    check_layering.py --self-test          plants one violation of each rule and expects it caught

Rules:
- a module includes only itself and the modules below it (MODULES);
- nothing outside a module includes its Internal/ or GL/ headers, and the module's
  public headers (outside those folders) include none of them either;
- Qt only in the viewer's modules, epoxy and EGL only in AnatomyRender (and in its
  public headers not at all), sqlite3.h only in AnatomyCore/Database, curl only in
  AnatomyCore/Download.
- the application model (AnatomyUI/Model) links Qt Core alone: of Qt it includes only
  QtCore headers, and of AnatomyUI only the model's own.
- inside the viewer (AnatomyUI), a folder (or a file directly in it) includes only itself,
  the folders of its own layer and those below (VIEWER_LAYERS), and no folders include
  each other, directly or round a longer loop.
A module's own tests, fuzzers and benchmarks live in Tests/ and are not checked.
"""

import os
import re
import sys
import tempfile

# Each module and the modules it may include besides itself.
MODULES = {
    "AnatomyCore": set(),
    "AnatomyRender": {"AnatomyCore"},
    "AnatomyImport": {"AnatomyCore"},
    "AnatomyUI": {"AnatomyCore", "AnatomyRender", "AnatomyImport"},
    "MorvenaApp": {"AnatomyCore", "AnatomyRender", "AnatomyImport", "AnatomyUI"},
    "mrvtool": {"AnatomyCore", "AnatomyRender", "AnatomyImport"},
}

# Third-party headers that only some folders may include: (pattern, allowed folders, name).
RESTRICTED = [
    (re.compile(r"^Qt\w*/|^Q[A-Z]\w*$"), ("AnatomyUI/", "MorvenaApp/"), "Qt"),
    (re.compile(r"^(epoxy|EGL|GL)/"), ("AnatomyRender/",), "OpenGL"),
    (re.compile(r"^sqlite3\.h$"), ("AnatomyCore/Database/",), "SQLite"),
    (re.compile(r"^curl/"), ("AnatomyCore/Download/",), "curl"),
]

# The Qt Core classes the application model and its item models may include; any other
# Qt header needs Qt GUI or widgets, which the model's library does not link.
MODEL_FOLDER = "AnatomyUI/Model/"
QT_CORE = re.compile(
    r"^QtCore/|^Q(Object|Pointer|MetaObject|MetaType|CoreApplication|Timer|String|StringList|"
    r"ByteArray|Variant|Thread|Locale|Debug|Url|Dir|FileInfo|EventLoop|ScopeGuard|AbstractItemModel|"
    r"AbstractListModel)$"
)
QT_ANY = re.compile(r"^Qt\w*/|^Q[A-Z]\w*$")

# The viewer's folders, bottom layer first; a file directly in AnatomyUI counts by its name.
VIEWER = "AnatomyUI"
VIEWER_LAYERS = [
    {"Look", "Layout", "Internal", "Commands"},
    {"Model"},
    {"Inspector", "Setup", "Sidebar", "Viewport", "SharedGLContext"},
    {"Window"},
]
VIEWER_LAYER = {part: layer for layer, parts in enumerate(VIEWER_LAYERS) for part in parts}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
PRIVATE_FOLDERS = ("Internal", "GL")
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".c", ".mm")


def is_private(parts):
    """Whether a path below a module (split at '/', module first) lies in Internal/ or GL/."""
    return any(part in PRIVATE_FOLDERS for part in parts[1:-1])


def check_include(rel, target):
    """The reason `rel` (a path below Sources/) may not include `target`, or None."""
    parts = rel.split("/")
    module = parts[0]
    if rel.startswith(MODEL_FOLDER):
        if QT_ANY.search(target) and not QT_CORE.search(target):
            return f"Qt header {target} beyond Qt Core in the application model"
        if target.startswith("AnatomyUI/") and not target.startswith(MODEL_FOLDER):
            return f"the application model may not include the views' {target}"
    target_parts = target.split("/")
    target_module = target_parts[0]
    if target_module in MODULES and len(target_parts) > 1:
        if target_module != module and target_module not in MODULES[module]:
            return f"{module} may not include {target_module}"
        if is_private(target_parts):
            if target_module != module:
                return f"{target} is internal to {target_module}"
            if rel.endswith(".h") and not is_private(parts):
                return f"public header includes {target}, internal to {module}"
        return None
    for pattern, folders, name in RESTRICTED:
        if pattern.search(target):
            if not rel.startswith(folders):
                return f"{name} header {target} outside {', '.join(folders)}"
            if rel.endswith(".h") and not is_private(parts) and name == "OpenGL":
                return f"public header includes {name} header {target}"
    return None


def viewer_part(rel):
    """The viewer's folder (or top-level file's name) that `rel` lies in, or None outside it."""
    parts = rel.split("/")
    if parts[0] != VIEWER or len(parts) < 2:
        return None
    return parts[1] if len(parts) > 2 else os.path.splitext(parts[1])[0]


def check_viewer_include(rel, target):
    """The reason the viewer's `rel` may not include `target` by its layers, or None."""
    source, included = viewer_part(rel), viewer_part(target)
    if source is None or included is None or source == included:
        return None
    if included not in VIEWER_LAYER:
        return f"{VIEWER}/{included} is not in the viewer's layering"
    if VIEWER_LAYER[included] > VIEWER_LAYER[source]:
        return f"{VIEWER}/{source} may not include {VIEWER}/{included}, a layer above it"
    return None


def folder_loops(edges):
    """The includes (source part, included part) of `edges` that lie on a loop of parts."""
    reach = {}
    for source, included in edges:
        reach.setdefault(source, set()).add(included)
    changed = True
    while changed:
        changed = False
        for source, targets in reach.items():
            further = set().union(*(reach.get(target, set()) for target in targets)) - targets
            if further:
                targets |= further
                changed = True
    return {(source, included) for source, included in edges if source in reach.get(included, set())}


def viewer_loops(includes):
    """Reports each include of `includes` ((path, line, source part, included part)) on a loop."""
    looping = folder_loops({(source, included) for _, _, source, included in includes})
    return [
        f"{path}:{line}: {VIEWER}/{source} and {VIEWER}/{included} include each other"
        for path, line, source, included in includes
        if (source, included) in looping
    ]


def file_violations(path, rel, viewer_includes):
    """The file's includes that break a rule; those between two viewer folders that pass
    go to `viewer_includes` for the search for loops."""
    found = []
    with open(path, encoding="utf-8", errors="replace") as file:
        for number, line in enumerate(file, 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            target = match.group(2)
            reason = check_include(rel, target) or check_viewer_include(rel, target)
            source, included = viewer_part(rel), viewer_part(target)
            if reason:
                found.append(f"{path}:{number}: {reason}")
            elif source and included and source != included:
                viewer_includes.append((path, number, source, included))
    return found


def violations(sources):
    found = []
    viewer_includes = []
    for folder, dirs, files in os.walk(sources):
        dirs.sort()
        for name in sorted(files):
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            path = os.path.join(folder, name)
            rel = os.path.relpath(path, sources).replace(os.sep, "/")
            if "/" not in rel:
                continue
            if rel.split("/")[0] not in MODULES:
                found.append(f"{path}:1: module {rel.split('/')[0]} is not in the layering")
                continue
            if viewer_part(rel) not in (None, *VIEWER_LAYER):
                found.append(f"{path}:1: {VIEWER}/{viewer_part(rel)} is not in the viewer's layering")
                continue
            found += file_violations(path, rel, viewer_includes)
    return found + viewer_loops(viewer_includes)


# One planted violation per rule, and lines that must pass: (file, line, caught).
PLANTED = [
    ("AnatomyCore/Pack/A.cpp", '#include "AnatomyRender/AnatomyScene.h"', True),
    ("AnatomyImport/B.cpp", '#include "AnatomyRender/AnatomyScene.h"', True),
    ("AnatomyRender/C.cpp", '#include "AnatomyImport/Geometry/RawMesh.h"', True),
    ("mrvtool/D.cpp", '#include "AnatomyRender/GL/GLLimits.h"', True),
    ("mrvtool/E.cpp", '#include "AnatomyCore/Database/Internal/SQLite.h"', True),
    ("mrvtool/F.cpp", "#include <QWidget>", True),
    ("AnatomyRender/G.cpp", "#include <QtGui/QOpenGLContext>", True),
    ("AnatomyImport/H.cpp", "#include <epoxy/gl.h>", True),
    ("AnatomyRender/I.h", "#include <epoxy/gl.h>", True),
    ("AnatomyRender/J.h", '#include "AnatomyRender/GL/GLHandles.h"', True),
    ("AnatomyCore/Pack/K.cpp", "#include <sqlite3.h>", True),
    ("AnatomyCore/Storage/L.cpp", "  #  include <curl/curl.h>", True),
    ("mrvtool/M.cpp", '#include "AnatomyUI/Widget.h"', True),
    ("Unlisted/N.cpp", "", True),
    ("AnatomyRender/GL/O.cpp", "#include <epoxy/gl.h>", False),
    ("AnatomyRender/P.cpp", '#include "AnatomyRender/GL/GLLimits.h"', False),
    ("AnatomyCore/Database/Internal/Q.cpp", "#include <sqlite3.h>", False),
    ("AnatomyCore/Download/R.cpp", "#include <curl/curl.h>", False),
    ("AnatomyUI/S.cpp", "#include <QWidget>", False),
    ("MorvenaApp/T.cpp", '#include "AnatomyUI/Widget.h"', False),
    ("mrvtool/U.cpp", '#include "AnatomyRender/AnatomyScene.h"', False),
    ("AnatomyImport/V.cpp", "#include <QueueThing.h>", False),
    ("AnatomyUI/Model/W.cpp", "#include <QWidget>", True),
    ("AnatomyUI/Model/X.h", '#include "AnatomyUI/Look/Theme.h"', True),
    ("AnatomyUI/Model/Y.cpp", "#include <QtGui/QImage>", True),
    ("AnatomyUI/Model/Z.cpp", "#include <QPointer>", False),
    ("AnatomyUI/Model/Za.cpp", '#include "AnatomyUI/Model/AppModel.h"', False),
    ("AnatomyUI/Look/Zb.cpp", '#include "AnatomyUI/Sidebar/SidebarView.h"', True),
    ("AnatomyUI/Sidebar/Zc.cpp", '#include "AnatomyUI/Window/ContentView.h"', True),
    ("AnatomyUI/Unlisted.cpp", "", True),
    ("AnatomyUI/Unlisted/Ze.cpp", "", True),
    ("AnatomyUI/Look/Zd.cpp", '#include "AnatomyUI/Elsewhere/Thing.h"', True),
    ("AnatomyUI/Inspector/Zf.cpp", '#include "AnatomyUI/Setup/Card.h"', True),
    ("AnatomyUI/Setup/Zg.cpp", '#include "AnatomyUI/Inspector/Card.h"', True),
    ("AnatomyUI/Layout/Zh.cpp", '#include "AnatomyUI/Internal/Box.h"', True),
    ("AnatomyUI/Internal/Zi.cpp", '#include "AnatomyUI/Commands/Keys.h"', True),
    ("AnatomyUI/Commands/Zj.cpp", '#include "AnatomyUI/Layout/Fit.h"', True),
    ("AnatomyUI/Window/Zk.cpp", '#include "AnatomyUI/Viewport/ViewportTools.h"', False),
    ("AnatomyUI/Viewport/Zl.cpp", '#include "AnatomyUI/SharedGLContext.h"', False),
    ("AnatomyUI/Sidebar/Zm.cpp", '#include "AnatomyUI/Look/Theme.h"', False),
    ("AnatomyUI/Look/Zn.cpp", '#include "AnatomyUI/Look/Brand.h"', False),
]


def self_test():
    with tempfile.TemporaryDirectory() as sources:
        for rel, line, _ in PLANTED:
            path = os.path.join(sources, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w", encoding="utf-8") as file:
                file.write("// planted\n" + line + "\n")
        reported = "\n".join(violations(sources))
        failures = []
        for rel, line, caught in PLANTED:
            expected = f"{rel}:{1 if 'Unlisted' in rel else 2}:"
            if (expected in reported) != caught:
                failures.append(f"{'missed' if caught else 'wrongly reported'}: {rel}: {line}")
        for failure in failures:
            print(failure)
        return 1 if failures else 0


def main(argv):
    if argv[1:] == ["--self-test"]:
        return self_test()
    if len(argv) != 2 or not os.path.isdir(argv[1]):
        print(__doc__)
        return 2
    found = violations(argv[1])
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} include(s) break the module layering")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
