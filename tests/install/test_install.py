"""The installed tree, used as other projects use it: installed into a temporary
prefix, moved elsewhere (it must not depend on where it was installed), then found
through pkg-config and through CMake's find_package by two small programs that
write a workbook."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

BINARY_DIR = os.environ.get("TABLIREX_BINARY_DIR")

PROGRAM = r"""
#include "tablirex/range.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"
using namespace tablirex;
int main(int argc, char** argv) {
  Ref<IXLSWorkBook> book = CreateWorkbook();
  book->GetWorksheets()->Add()->Range("A1")->SetValue(TVariant("installed"));
  return book->SaveAs(argv[1]) == 1 ? 0 : 1;
}
"""

CMAKE_PROJECT = """
cmake_minimum_required(VERSION 3.20)
project(consumer LANGUAGES CXX)
find_package(Tablirex 0.1 REQUIRED CONFIG)
add_executable(consumer main.cpp)
target_link_libraries(consumer PRIVATE Tablirex::tablirex)
"""


def cache(name):
    with open(os.path.join(BINARY_DIR, "CMakeCache.txt")) as f:
        m = re.search(r"^%s:[A-Z]+=(.*)$" % re.escape(name), f.read(), re.M)
    return m.group(1) if m else ""


class InstalledTree(unittest.TestCase):
    def setUp(self):
        if not BINARY_DIR:
            raise unittest.SkipTest("TABLIREX_BINARY_DIR not set (run through ctest)")
        self.tmp = tempfile.mkdtemp(prefix="tablirex_install_")
        self.addCleanup(shutil.rmtree, self.tmp, True)
        self.cxx = cache("CMAKE_CXX_COMPILER") or "c++"
        # A sanitizer build installs an instrumented library: its users link the runtime.
        self.flags = ["-fsanitize=address,undefined"] if cache("TABLIREX_SANITIZE") == "ON" else []

    def run_ok(self, *args, **kwargs):
        r = subprocess.run(list(args), capture_output=True, text=True, timeout=300, **kwargs)
        self.assertEqual(r.returncode, 0, "%s\n%s%s" % (" ".join(args), r.stdout, r.stderr))
        return r

    def check_workbook(self, program, libdir):
        out = os.path.join(self.tmp, os.path.basename(program) + ".xls")
        env = dict(os.environ, LD_LIBRARY_PATH=libdir, ASAN_OPTIONS="detect_leaks=0")
        self.run_ok(program, out, env=env)
        with open(out, "rb") as f:
            self.assertEqual(f.read(8), b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1")

    def test_pkg_config_and_find_package_after_a_move(self):
        first = os.path.join(self.tmp, "first")
        self.run_ok("cmake", "--install", BINARY_DIR, "--prefix", first)
        moved = os.path.join(self.tmp, "moved")
        os.rename(first, moved)
        pcs = [os.path.join(d, f) for d, _, files in os.walk(moved) for f in files if f == "tablirex.pc"]
        self.assertEqual(len(pcs), 1)
        libdir = os.path.dirname(os.path.dirname(pcs[0]))
        # The Python package comes with its stubs.
        packages = [d for d, _, files in os.walk(moved) if "py.typed" in files]
        if cache("TABLIREX_BUILD_PYTHON") == "ON":
            self.assertEqual(len(packages), 1)
            self.assertTrue(os.path.exists(os.path.join(packages[0], "_core.pyi")))

        src = os.path.join(self.tmp, "main.cpp")
        with open(src, "w") as f:
            f.write(PROGRAM)

        env = dict(os.environ, PKG_CONFIG_PATH=os.path.dirname(pcs[0]))
        flags = self.run_ok("pkg-config", "--cflags", "--libs", "tablirex", env=env).stdout.split()
        self.assertNotIn(first, " ".join(flags))
        self.assertEqual(self.run_ok("pkg-config", "--modversion", "tablirex", env=env).stdout.strip(),
                         cache("CMAKE_PROJECT_VERSION"))
        program = os.path.join(self.tmp, "by_pkg_config")
        self.run_ok(self.cxx, src, "-o", program, *flags, *self.flags)
        self.check_workbook(program, libdir)

        project = os.path.join(self.tmp, "project")
        os.mkdir(project)
        shutil.copy(src, project)
        with open(os.path.join(project, "CMakeLists.txt"), "w") as f:
            f.write(CMAKE_PROJECT)
        build = os.path.join(self.tmp, "build")
        self.run_ok("cmake", "-S", project, "-B", build, "-G", "Ninja", "-DCMAKE_PREFIX_PATH=" + moved,
                    "-DCMAKE_CXX_COMPILER=" + self.cxx, "-DCMAKE_CXX_FLAGS=" + " ".join(self.flags))
        self.run_ok("cmake", "--build", build)
        self.check_workbook(os.path.join(build, "consumer"), libdir)


if __name__ == "__main__":
    unittest.main()
