#!/bin/sh
# Makes the README's pictures with rvfrender from the bundled sample, the ring tilted towards
# the viewer. Run from the repository root after a build; `make pictures` builds and runs it.
#   tools/rvfrender/pictures.sh [build-dir]
set -e
build=${1:-build}
out=docs/images
mkdir -p "$out"

render() {
  name=$1
  shift
  "$build/tools/rvfrender/rvfrender" --rotate -40,15 "$@" samples/torus.rvf samples/torus_normals.tga "$out/$name.png"
}

render dot3 --mode diffuse
render normal-map --mode normal-map
render vertex-lighting --mode vertex
render alpha --mode alpha
render wireframe --wireframe
render overlays --normals --tangents --zoom 30
render engine --engine --basis mikktspace --show highlight --light -40,50,20
render disagreement --engine --show disagreement
