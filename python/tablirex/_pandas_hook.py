"""The pandas ExcelWriter engine "tablirex", registered whichever of pandas and
tablirex is imported first, without importing pandas for programs that never use
it: when pandas is not imported yet, a finder on sys.meta_path waits for it and
registers the engine as soon as pandas has finished loading."""
import sys


def _register():
    try:
        from tablirex import _pandas  # noqa: F401  (registers on import)
    except ImportError:  # a pandas without the writer registry
        pass


class _Loader:
    """pandas' own loader, which registers the engine after pandas is loaded."""

    def __init__(self, loader):
        self._loader = loader

    def create_module(self, found):
        return self._loader.create_module(found)

    def exec_module(self, module):
        self._loader.exec_module(module)
        _register()

    def __getattr__(self, name):
        return getattr(self._loader, name)


class _PandasFinder:
    """Finds nothing itself: wraps the loader of pandas when it is imported."""

    @staticmethod
    def find_spec(name, path=None, target=None):
        if name != "pandas":
            return None
        _uninstall()
        from importlib.machinery import PathFinder  # only now: it costs an import of its own

        found = PathFinder.find_spec(name, path)
        if found is not None and found.loader is not None and hasattr(found.loader, "exec_module"):
            found.loader = _Loader(found.loader)
        return found


def _uninstall():
    sys.meta_path[:] = [f for f in sys.meta_path if f is not _PandasFinder]


def install():
    """Registers the engine now when pandas is loaded, else once it is."""
    if "pandas" in sys.modules:
        _register()
    elif _PandasFinder not in sys.meta_path:
        sys.meta_path.insert(0, _PandasFinder)
