#!/usr/bin/env bash
# The keyword pane with big lists: load, first keystroke, Clear (offscreen platform).
set -euo pipefail
QT_QPA_PLATFORM=offscreen "$BUILD/bench_gui_pane"
