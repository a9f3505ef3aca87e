#!/usr/bin/env bash
# The keyword pages' long work in the real window against its references:
# Generate and Save times, the longest timer gap, memory after Clear
# (offscreen platform).
set -euo pipefail
QT_QPA_PLATFORM=offscreen "$BUILD/bench_gui_jobs"
