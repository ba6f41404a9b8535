#!/bin/sh
# Times the whole program on a model of a million triangles (the torus of
# bench/models/BenchMesh.h, written here as a binary STL): reading it
# through the importer alone (dotscape info), and reading it and drawing
# its depth at 1200 x 1200 (dotscape depth, its PNG thrown away), with
# hyperfine (apt-get install hyperfine), one command after the other
# (not alternating: bench/compare/alternate.py pairs runs).
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
import math, struct, sys
nu, nv = 1000, 500
rings = []
for i in range(nu + 1):
    a = 2 * math.pi * i / nu
    ring = []
    for j in range(nv + 1):
        b = 2 * math.pi * j / nv
        r = 1 + 0.4 * math.cos(b)
        ring.append((r * math.cos(a), 0.4 * math.sin(b), r * math.sin(a)))
    rings.append(ring)
triangle = struct.Struct("<12fH")
with open(sys.argv[1], "wb") as f:
    f.write(bytes(80) + struct.pack("<I", 2 * nu * nv))
    for i in range(nu):
        here, there = rings[i], rings[i + 1]
        f.write(b"".join(triangle.pack(0, 0, 0, *here[j], *there[j], *here[j + 1], 0) +
                         triangle.pack(0, 0, 0, *there[j], *there[j + 1], *here[j + 1], 0) for j in range(nv)))
PY
uptime
hyperfine -N -w 1 -r 10 \
  "$dotscape info torus.stl" \
  "$dotscape depth --model torus.stl --up y --yaw 30 --pitch 50 --width 1200 --height 1200 -o depth.png --force"
