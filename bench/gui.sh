#!/usr/bin/env bash
# "Generate" in the real window, all six kinds, 1,000 and 10,000 keywords,
# from the click to the painted output pane (offscreen platform).
set -euo pipefail
QT_QPA_PLATFORM=offscreen "$BUILD/bench_gui_generate"
