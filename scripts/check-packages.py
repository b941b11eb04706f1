#!/usr/bin/python3
"""Fails when the build or the tests use a file from a Debian package that the
package lists do not install on a bare Debian 12.

    scripts/check-packages.py --build build [--lists scripts]

What is used is read from the build tree and the sources: the headers each
object was compiled from (the compiler's dependency files), the libraries each
target was linked with (its link line), the programs the build found
(CMakeCache.txt) and the tests run (CTest), the programs the scripts and tests
start and the Python modules they import, and the libraries the program loads
by name. Each file is mapped to its package with dpkg. A package counts as
installed when a list names it, when the listed packages pull it in (their
Depends and Pre-Depends as dpkg knows them here), or when every Debian system
has it (Priority: required). Each missing package is printed with the file
that needed it and the list it belongs in."""

import argparse
import ast
import importlib.util
import json
import os
import re
import shlex
import shutil
import subprocess
import sys

# Which lists each command installs, and the list a new need of its goes in.
COMMANDS = {
    "play": (["packages-build.txt"], "packages-build.txt"),
    "test": (["packages-build.txt", "packages-test.txt", "packages-web.txt"], "packages-test.txt"),
    "package": (["packages-build.txt", "packages-package.txt"], "packages-package.txt"),
    "windows": (["packages-build.txt", "packages-windows.txt"], "packages-windows.txt"),
    "web": (["packages-web.txt"], "packages-web.txt"),
}
# The scripts each command runs, by path in the repository.
SCRIPTS = {
    "play": ["play.sh", "scripts/ensure-packages.sh"],
    "test": ["test.sh", ".ci/run"],
    "package": ["package.sh"],
    "windows": ["scripts/windows-tests.sh"],
    "web": ["package-web.sh", "scripts/web-build.sh"],
}
# Folders whose sources only the tests, benchmarks and fuzzers build or run.
TEST_FOLDERS = ("tests", "bench", "fuzz")
# The cache entries of the programs every build runs.
BUILD_TOOLS = {"CMAKE_CXX_COMPILER", "CMAKE_MAKE_PROGRAM", "CMAKE_COMMAND", "CMAKE_CTEST_COMMAND",
               "CMAKE_CPACK_COMMAND", "PKG_CONFIG_EXECUTABLE"}
# Programs CPack starts when the package's dependencies come from its binaries.
CPACK_SHLIBDEPS = ["dpkg-shlibdeps", "file"]
# Where Debian installs programs: they are looked up as on a bare machine,
# whose /usr/local is empty.
PLAIN_PATH = "/usr/sbin:/usr/bin:/sbin:/bin"
SHELL_WORDS = {"if", "then", "else", "elif", "fi", "for", "while", "until", "do", "done", "case", "esac",
               "in", "function", "select", "time", "!", "{", "}", "[[", "]]", "[", "]"}
SHELL_PREFIXES = {"exec", "sudo", "$sudo", "env", "nice", "nohup", "then", "do", "else", "!", "time"}
WORD = re.compile(r"[A-Za-z][A-Za-z0-9._+-]*")


class Needs:
    """Files needed, by command, each with the first reason seen."""

    def __init__(self):
        self.files = {command: {} for command in COMMANDS}
        self.unknown = []  # (command, what, why): a program or module not found here

    def add(self, command, path, why=None):
        self.files[command].setdefault(path, why or path)


# --- What the build used -------------------------------------------------

def target_dirs(build):
    """Each target's CMakeFiles/<name>.dir, with the command that builds it."""
    for top, dirs, _ in os.walk(build):
        for name in list(dirs):
            if name.endswith(".dir") and os.path.basename(top) == "CMakeFiles":
                rel = os.path.relpath(os.path.join(top, name), build)
                yield os.path.join(top, name), "test" if rel.split(os.sep)[0] in TEST_FOLDERS else "play"
        dirs[:] = [d for d in dirs if not d.startswith(".")]


def depfile_paths(path):
    with open(path, errors="replace") as f:
        text = f.read().replace("\\\n", " ")
    for line in text.splitlines():
        _, sep, deps = line.partition(": ")
        if sep:
            yield from (p for p in deps.split() if p.startswith("/"))


def linked_libraries(link_line, search):
    for word in shlex.split(link_line):
        if word.startswith("/") and re.search(r"\.(so(\.[0-9]+)*|a)$", word):
            yield word
        elif word.startswith("-l") and len(word) > 2:
            names = [os.path.join(folder, f"lib{word[2:]}{suffix}") for folder in search for suffix in (".so", ".a")]
            yield from [name for name in names if os.path.exists(name)][:1]


def read_cache(build):
    cache = {}
    with open(os.path.join(build, "CMakeCache.txt")) as f:
        for line in f:
            m = re.match(r"([A-Za-z0-9_.-]+):(\w+)=(.*)", line.strip())
            if m:
                cache[m.group(1)] = (m.group(2), m.group(3))
    return cache


def build_needs(build, needs):
    if os.path.exists(os.path.join(build, "build.ninja")):
        sys.exit("reads a Makefiles build; this one was made with Ninja")
    cache = read_cache(build)
    compiler = cache.get("CMAKE_CXX_COMPILER", ("", ""))[1]
    search = library_search_path(compiler)
    # The game's own targets need only the build list, unless this build
    # swapped the compiler (the sanitizer build of the tests does).
    product = "play" if compiler == shutil.which("c++", path=PLAIN_PATH) else "test"
    for folder, command in target_dirs(build):
        command = product if command == "play" else command
        for top, _, files in os.walk(folder):
            for name in files:
                path = os.path.join(top, name)
                if name.endswith(".o.d"):
                    for dep in depfile_paths(path):
                        needs.add(command, dep)
                elif name == "link.txt":
                    target = os.path.relpath(folder, build)
                    with open(path) as f:
                        for line in f:
                            tool = line.split(maxsplit=1)[0] if line.strip() else ""
                            if tool.startswith("/"):
                                needs.add(command, tool, f"{tool} (links {target})")
                            for lib in linked_libraries(line, search):
                                needs.add(command, lib, f"{lib} (linked by {target})")
    # The programs the build ran, and those the project itself looked for (only
    # the tests use them). CMake finds other tools it never runs when they are
    # there (a linker, addr2line), so those entries prove nothing.
    for key, (_, value) in cache.items():
        if (key in BUILD_TOOLS or key.startswith("MIREL_")) and value.startswith("/") and os.path.isfile(value):
            needs.add("test" if key.startswith("MIREL_") else product, value, f"{value} ({key} in CMakeCache.txt)")


def library_search_path(compiler):
    folders = []
    if compiler:
        out = subprocess.run([compiler, "-print-search-dirs"], capture_output=True, text=True).stdout
        for line in out.splitlines():
            if line.startswith("libraries: ="):
                folders = [os.path.normpath(p) for p in line.split("=", 1)[1].split(":") if p]
    return folders + ["/usr/lib/x86_64-linux-gnu", "/lib/x86_64-linux-gnu", "/usr/lib", "/lib"]


def test_commands(build, needs):
    out = subprocess.run(["ctest", "--test-dir", build, "--show-only=json-v1"],
                         capture_output=True, text=True, check=True).stdout
    build_real = os.path.realpath(build)
    for test in json.loads(out).get("tests", []):
        argv = test.get("command") or []
        if argv and argv[0].startswith("/") and not os.path.realpath(argv[0]).startswith(build_real + os.sep):
            needs.add("test", argv[0], f"{argv[0]} (runs the test {test['name']})")


# --- What the sources start and import -----------------------------------

def program_need(needs, command, name, where):
    """A program named in a script, looked up as a bare machine would."""
    path = shutil.which(name, path=PLAIN_PATH)
    if path:
        needs.add(command, path, f"{path}, which {where} runs")
    elif shutil.which(name):
        needs.unknown.append((command, name, f"{where} runs it, but it is not on a plain PATH"))


def shell_commands(text):
    """The words in command position of a shell script."""
    lines, heredoc = [], None
    for line in text.replace("\\\n", " ").splitlines():
        if heredoc:
            heredoc = None if line.strip() == heredoc else heredoc
            continue
        m = re.search(r"<<-?\s*['\"]?(\w+)['\"]?", line)
        heredoc = m.group(1) if m else None
        lines.append(line)
    for line in lines:
        try:
            lexer = shlex.shlex(line, posix=True, punctuation_chars=True)
            lexer.whitespace_split = True
            words = list(lexer)
        except ValueError:
            continue
        at_start = True
        for word in words:
            if set(word) <= set("();|&<>"):
                at_start = word not in ("<", ">", ">>", "<<", "<<<", "2>", "&>")
                continue
            if not at_start:
                continue
            if re.match(r"\w+=", word) or word in SHELL_PREFIXES or word.startswith("-"):
                continue  # an assignment or a prefix: the command comes next
            at_start = False
            if word == "command" or word in SHELL_WORDS or "$" in word:
                at_start = word in SHELL_WORDS
                continue
            if word.startswith("/"):
                yield word
            elif WORD.fullmatch(word):
                yield word


def python_uses(path):
    """Programs named first in a list or looked up by which, and top-level imports."""
    with open(path) as f:
        tree = ast.parse(f.read(), path)
    programs, modules = set(), set()
    for node in ast.walk(tree):
        if isinstance(node, (ast.List, ast.Tuple)) and node.elts:
            first = node.elts[0]
            if isinstance(first, ast.Constant) and isinstance(first.value, str):
                programs.add(first.value)
        elif isinstance(node, ast.Call) and getattr(node.func, "attr", getattr(node.func, "id", "")) == "which":
            if node.args and isinstance(node.args[0], ast.Constant):
                programs.add(node.args[0].value)
        elif isinstance(node, ast.Import):
            modules.update(alias.name.split(".")[0] for alias in node.names)
        elif isinstance(node, ast.ImportFrom) and node.level == 0 and node.module:
            modules.add(node.module.split(".")[0])
    return {p for p in programs if WORD.fullmatch(p)}, modules


def cpp_uses(text):
    """Bare words passed where a program goes, `-m module` runs, and libraries loaded by name."""
    programs = set(re.findall(r"(?:Which|findExecutable|\.start|Tool|EncodeWithTool)\((?:[^()\"]*,\s*)?\"([^\"]+)\"",
                              text))
    programs |= set(re.findall(r"\"[^\"]*\",\s*\"([A-Za-z][\w.+-]*)\",\s*\{", text))
    modules = {m.split(".")[0] for m in re.findall(r"\"-m\",\s*\"([\w.]+)\"", text)}
    libraries = set(re.findall(r"dlopen\(\"([^\"]+)\"", text))
    return {p for p in programs if WORD.fullmatch(p)}, modules, libraries


def module_need(needs, command, name, where, local):
    if name in local or name in sys.builtin_module_names:
        return
    try:
        found = importlib.util.find_spec(name)
    except (ImportError, ValueError):
        found = None
    origin = found and (found.origin if found.origin not in (None, "built-in", "frozen") else None)
    if origin:
        needs.add(command, origin, f"{origin}, the module {name} that {where} imports")
    elif found is None:
        needs.unknown.append((command, name, f"{where} imports it, and this python ({sys.executable}) has no such module"))


def library_need(needs, command, soname, where):
    out = subprocess.run(["/sbin/ldconfig", "-p"], capture_output=True, text=True).stdout
    for line in out.splitlines():
        m = re.match(r"\s*(\S+) \(([^)]*)\) => (\S+)", line)
        if m and m.group(1) == soname and "x86-64" in m.group(2):
            needs.add(command, m.group(3), f"{m.group(3)}, which {where} loads")
            return
    needs.unknown.append((command, soname, f"{where} loads it, and no such library is installed here"))


def source_needs(source, needs):
    local = {os.path.splitext(n)[0] for _, _, files in os.walk(source) for n in files if n.endswith(".py")}
    for command, scripts in SCRIPTS.items():
        for script in scripts:
            with open(os.path.join(source, script)) as f:
                for word in shell_commands(f.read()):
                    if word.startswith("/"):
                        needs.add(command, word, f"{word}, which {script} runs")
                    else:
                        program_need(needs, command, word, script)
    with open(os.path.join(source, "cmake", "Package.cmake")) as f:
        if re.search(r"CPACK_DEBIAN_PACKAGE_SHLIBDEPS\s+ON", f.read()):
            for program in CPACK_SHLIBDEPS:
                program_need(needs, "package", program, "cpack (for the package's dependencies)")
    for top, dirs, files in os.walk(source):
        dirs[:] = [d for d in dirs if not d.startswith(".") and not d.startswith("build")]
        rel_top = os.path.relpath(top, source)
        area = rel_top.split(os.sep)[0]
        command = "test" if area in TEST_FOLDERS + ("tools", "scripts") else "play"
        for name in files:
            path = os.path.join(top, name)
            rel = os.path.normpath(os.path.join(rel_top, name))
            if path == os.path.abspath(__file__):
                continue  # its own tables name programs it never starts
            if name.endswith(".py"):
                programs, modules = python_uses(path)
                for program in programs:
                    program_need(needs, command, program, rel)
                for module in modules:
                    module_need(needs, command, module, rel, local)
            elif name.endswith((".cpp", ".h")):
                with open(path, errors="replace") as f:
                    programs, modules, libraries = cpp_uses(f.read())
                for program in programs:
                    program_need(needs, command, program, rel)
                for module in modules:
                    module_need(needs, command, module, rel, local)
                for library in libraries:
                    library_need(needs, command, library, rel)


# --- Packages --------------------------------------------------------------

def owners(paths):
    """The package of each path dpkg knows, trying the path as written, then
    across the merged /usr, then with its links resolved."""
    def variants(path):
        norm = os.path.normpath(path)
        real = os.path.realpath(path)
        for p in (norm, real):
            yield p
            for a, b in (("/usr/bin/", "/bin/"), ("/usr/sbin/", "/sbin/"), ("/usr/lib/", "/lib/")):
                if p.startswith(a):
                    yield b + p[len(a):]
                elif p.startswith(b):
                    yield a + p[len(b):]

    found, left = {}, {p: list(dict.fromkeys(variants(p))) for p in paths}
    while left:
        asked = {p: tries.pop(0) for p, tries in left.items()}
        out = subprocess.run(["dpkg-query", "-S", *sorted(set(asked.values()))], capture_output=True, text=True).stdout
        known = {}
        for line in out.splitlines():
            pkgs, sep, path = line.partition(": ")
            if sep and not pkgs.startswith("diversion"):
                known[path] = [p.split(":")[0] for p in pkgs.split(", ")]
        for path, tried in asked.items():
            if tried in known:
                found[path] = known[tried]
        left = {p: tries for p, tries in left.items() if p not in found and tries}
    return found


def relations(field):
    """Depends-style text as a list of alternatives, each a list of names."""
    out = []
    for group in filter(None, (g.strip() for g in field.split(","))):
        out.append([re.split(r"[\s(:]", alt.strip())[0] for alt in group.split("|")])
    return out


def installed_packages():
    fmt = "${Package}\t${db:Status-Status}\t${Priority}\t${Essential}\t${Depends}\t${Pre-Depends}\t${Provides}\n"
    out = subprocess.run(["dpkg-query", "-W", "-f=" + fmt], capture_output=True, text=True, check=True).stdout
    packages, providers = {}, {}
    for line in out.splitlines():
        name, status, priority, essential, depends, predepends, provides = line.split("\t")
        if status != "installed":
            continue
        packages[name] = {"required": priority == "required" or essential == "yes",
                          "depends": relations(depends) + relations(predepends)}
        for alternative in relations(provides):
            providers.setdefault(alternative[0], []).append(name)
    return packages, providers


def closure(listed, packages, providers):
    """The listed packages with everything their installation pulls in."""
    have = {name for name, info in packages.items() if info["required"]}
    todo, seen = list(listed), set()
    while todo:
        name = todo.pop()
        if name not in packages and name in providers:
            name = providers[name][0]
        if name in seen:
            continue
        seen.add(name)
        have.add(name)
        for alternatives in packages.get(name, {}).get("depends", []):
            real = [a if a in packages else providers.get(a, [a])[0] for a in alternatives]
            if not any(a in have for a in real):
                todo.append(real[0])
    return have


def read_list(path):
    with open(path) as f:
        return {line.split()[0] for line in f if line.strip() and not line.lstrip().startswith("#")}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True, help="a configured and built Makefiles tree")
    parser.add_argument("--source", default=os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    parser.add_argument("--lists", help="the folder of the packages-*.txt files (default: the source's scripts/)")
    parser.add_argument("--drop", action="append", default=[], metavar="PACKAGE",
                        help="check as if the lists did not name this package (to see the check catch it)")
    args = parser.parse_args()
    lists = args.lists or os.path.join(args.source, "scripts")
    build, source = os.path.realpath(args.build), os.path.realpath(args.source)

    needs = Needs()
    build_needs(build, needs)
    test_commands(build, needs)
    source_needs(source, needs)

    packages, providers = installed_packages()
    ours = (build + os.sep, source + os.sep)
    paths = {p for files in needs.files.values() for p in files if not os.path.realpath(p).startswith(ours)}
    owner = owners(paths)
    failures, notes = [], []
    for command, (names, home) in COMMANDS.items():
        listed = set().union(*(read_list(os.path.join(lists, n)) for n in names)) - set(args.drop)
        # ./test.sh installs only its own lists: the others' packages may be
        # missing here, and with them all they would pull in. Nothing found
        # here can need those, unless another package brought it here.
        absent = [n for n in sorted(listed) if n not in packages and n not in providers]
        if absent:
            notes.append(f"{SCRIPTS[command][0]}: not installed here, so not followed: {' '.join(absent)}")
        have = closure(listed, packages, providers)
        reported = set()
        for path, why in sorted(needs.files[command].items()):
            if path not in paths:
                continue
            if path not in owner:
                failures.append(f"{SCRIPTS[command][0]} uses {why}, which no Debian package installs")
                continue
            if not any(p in have for p in owner[path]):
                package = owner[path][0]
                if package not in reported:
                    reported.add(package)
                    failures.append(f"scripts/{home} lacks {package} (for {why})")
    failures += [f"{SCRIPTS[c][0]}: {what}: {why}" for c, what, why in needs.unknown]

    counted = sum(len(files) for files in needs.files.values())
    if notes:
        print("\n".join(notes))
    if failures:
        print("\n".join(dict.fromkeys(failures)))
        print(f"{len(failures)} problem(s) in {counted} files used by the build, the tests and the scripts")
        return 1
    print(f"ok: {counted} files used by the build, the tests and the scripts all come from the lists")
    return 0


if __name__ == "__main__":
    sys.exit(main())
