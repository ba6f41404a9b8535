#!/bin/sh
# Times the whole program on a model of a million triangles (the torus of
# bench/models/BenchMesh.h, written here as a binary STL): reading it
# through the importer alone (dotscape info), and reading it and drawing
# its depth at 1200 x 1200 (dotscape depth, its PNG thrown away), with
# hyperfine (apt-get install hyperfine), the two commands alternating.
# The difference of the two is the depth and its PNG; bench_models
# (BM_Render1200) times the depth alone.
#   bench/compare/models.sh [BUILD_DIR]
set -eu
build=${1:-build}
dotscape=$(cd "$build/bin" && pwd)/dotscape
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir config
export XDG_CONFIG_HOME="$work/config"
python3 - torus.stl <<'PY'
import sys
import numpy as np
nu, nv = 1000, 500
i, j = np.meshgrid(np.arange(nu + 1), np.arange(nv + 1), indexing="ij")
a, b = 2 * np.pi * i / nu, 2 * np.pi * j / nv
r = 1 + 0.4 * np.cos(b)
p = np.stack([r * np.cos(a), 0.4 * np.sin(b), r * np.sin(a)], axis=-1).astype("<f4")
v00, v10, v01, v11 = p[:-1, :-1], p[1:, :-1], p[:-1, 1:], p[1:, 1:]
first = np.stack([v00, v10, v01], axis=2).reshape(-1, 9)
second = np.stack([v10, v11, v01], axis=2).reshape(-1, 9)
tris = np.stack([first, second], axis=1).reshape(-1, 9)
record = np.zeros(len(tris), dtype=[("normal", "<f4", 3), ("v", "<f4", 9), ("attr", "<u2")])
record["v"] = tris
with open(sys.argv[1], "wb") as f:
    f.write(bytes(80) + np.uint32(len(tris)).tobytes() + record.tobytes())
PY
uptime
hyperfine -N -w 1 -r 10 \
  "$dotscape info torus.stl" \
  "$dotscape depth --model torus.stl --up y --yaw 30 --pitch 50 --width 1200 --height 1200 -o depth.png --force"
