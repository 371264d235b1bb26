#!/usr/bin/python3
"""Orca as the test runs it: Debian's own program, with what it says logged to a file of the
test's own, and without its start-up look for other Orcas of the same user, which would make it
refuse to start beside a clerk's reader (or another test's) and names this one "orca" for theirs.

usage: orca_launcher.py LOG [orca options]
"""

import runpy
import sys

log = sys.argv.pop(1)
launcher = runpy.run_path('/usr/bin/orca', run_name='orca_launcher')
main = launcher['main']
main.__globals__['otherOrcas'] = lambda: []
main.__globals__['setProcessName'] = lambda name: False

from orca import debug  # noqa: E402  (Orca's modules are on the path once its launcher ran)

# What is spoken and why, without every event: the speech lines are at the level INFO.
debug.debugLevel = debug.LEVEL_INFO
debug.eventDebugLevel = debug.LEVEL_OFF
debug.debugFile = open(log, 'w', buffering=1)
sys.exit(main())
