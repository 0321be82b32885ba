#!/bin/sh
# Takes the README's pictures from the real viewer on the bundled sample. Run from the
# repository root after a build, under a virtual X server:
#   xvfb-run -a -s "-screen 0 1280x1024x24" tools/screenshots.sh [build-dir]
set -e
build=${1:-build}
out=docs/images
mkdir -p "$out"

"$build/viewer/RVFView" samples/torus.rvf samples/torus_normals.tga >/dev/null &
viewer=$!
window=$(xdotool search --sync --onlyvisible --name '^RVF Viewer$' | head -n 1)

shot() {
  sleep 0.5
  import -window root -crop 512x512+0+0 +repage "$out/$1.png"
}
keys() { xdotool key --window "$window" "$@" 2>/dev/null; }
drag() {  # button, then the pointer path
  button=$1
  shift
  xdotool mousemove "$1" "$2" mousedown "$button"
  shift 2
  while [ $# -gt 0 ]; do
    xdotool mousemove "$1" "$2"
    sleep 0.05
    shift 2
  done
  xdotool mouseup "$button"
}

# Tilt the ring towards the viewer and turn it a little.
drag 1 256 300 256 270 256 240 256 210 256 180 286 180
shot dot3
keys a
shot normal-map
keys a
shot vertex-lighting
keys a
shot alpha
keys a w
shot wireframe
keys w n t
drag 3 256 100 256 200 256 300 256 400
shot overlays
keys q || true  # the window is gone before xdotool is done with it
wait "$viewer"
