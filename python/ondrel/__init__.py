"""Ondrel: linear, mixed-integer, quadratic and nonlinear optimization.

The package presents the extension module ``ondrellib``: modelling objects
(``ondrel.var``, constraints, special ordered sets), ``ondrel.problem``,
controls and attributes, and the module's constants and functions.
"""
from . import ondrellib as _lib
from .ondrellib import *  # noqa: F401,F403

__all__ = [name for name in dir(_lib) if not name.startswith("_")]
__version__ = "0.1.0"
