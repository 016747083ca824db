"""Ondrel: linear, mixed-integer, quadratic and nonlinear optimization.

The package presents the extension module ``ondrellib``: modelling objects
(``ondrel.var``, constraints, special ordered sets), ``ondrel.problem``,
controls and attributes, and the module's constants and functions.
"""
import ctypes as _ctypes
import glob as _glob
import os as _os


def _load_highs():
    """Load libhighs from wherever highsbox is installed, globally, so that
    libondr (which carries no absolute path to it) resolves its symbols."""
    import highsbox
    libdir = highsbox.highs_lib_dir()
    names = sorted(_glob.glob(_os.path.join(libdir, "libhighs.so*")), key=len)
    if not names:
        raise ImportError(f"highsbox has no libhighs in {libdir}")
    _ctypes.CDLL(names[0], mode=_ctypes.RTLD_GLOBAL)


_load_highs()

from . import ondrellib as _lib  # noqa: E402
from .ondrellib import *  # noqa: F401,F403,E402

__all__ = [name for name in dir(_lib) if not name.startswith("_")]
__version__ = "0.1.0"
