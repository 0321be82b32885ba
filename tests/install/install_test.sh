#!/bin/bash
# The install, one step per CTest test: `setup` installs the build tree into a DESTDIR, the
# other steps use what it put there as an outside user would, and `uninstall` removes it again.
#
#   install_test.sh STEP SOURCE_DIR BUILD_DIR WORK_DIR VERSION
set -euo pipefail

step=$1 source=$2 build=$3 work=$4 version=$5
dest=$work/dest
prefix=/opt/rvf
root=$dest$prefix
samples=$root/share/rvf/samples
programs="RVFView rvftool rvfrender"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# What the destination holds before the install and must hold again after the uninstall: a file
# of another package in a directory the install also uses, and an empty directory that the
# install did not create.
existing() {
  printf '%s\n' "$dest" "$dest/opt" "$root" "$root/bin" "$root/bin/other-tool" "$root/share" \
    "$root/share/man" "$root/share/man/man1"
}

# The consumer's output on the installed sample.
check_consumer() {
  local out
  out=$("$1" "$samples/torus.rvf" "$samples/torus_normals.tga") || fail "$1 could not read the sample"
  [ "$out" = "4096 triangles, 256 x 256, 32 bits" ] || fail "$1 printed: $out"
}

case $step in
setup)
  rm -rf "$work"
  # A record left by an interrupted run would count this run's directories as its own.
  make -s -C "$source" uninstall BUILD="$build" PREFIX=$prefix DESTDIR="$dest" >/dev/null 2>&1 || true
  mkdir -p "$root/bin" "$root/share/man/man1"
  touch "$root/bin/other-tool"
  DESTDIR=$dest cmake --install "$build" --prefix $prefix >/dev/null
  ;;

find-package)
  # An outside project, configured against the installed package only.
  cmake -S "$source/tests/install/consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$root" >/dev/null
  found=$(sed -n 's/^rvf_DIR:PATH=//p' "$work/consumer/CMakeCache.txt")
  [ "$found" = "$root/lib/cmake/rvf" ] || fail "find_package found rvf in '$found'"
  cmake --build "$work/consumer" >/dev/null
  check_consumer "$work/consumer/consumer"
  ;;

pkg-config)
  export PKG_CONFIG_LIBDIR=$root/lib/pkgconfig PKG_CONFIG_SYSROOT_DIR=$dest
  [ "$(pkg-config --modversion rvf)" = "$version" ] || fail "pkg-config: version $(pkg-config --modversion rvf)"
  read -ra flags <<<"$(pkg-config --cflags --libs rvf)"
  mkdir -p "$work/pkg-config"
  c++ "$source/tests/install/consumer/main.cpp" "${flags[@]}" -o "$work/pkg-config/consumer"
  check_consumer "$work/pkg-config/consumer"
  # Each installed header compiles alone: none includes a header that is not installed.
  read -ra cflags <<<"$(pkg-config --cflags rvf)"
  headers=$(cd "$root/include/rvf" && find . -name '*.h' | sort)
  [ -n "$headers" ] || fail "no headers installed"
  for header in $headers; do
    echo "#include \"${header#./}\"" | c++ -fsyntax-only -x c++ "${cflags[@]}" - ||
      fail "installed header ${header#./} does not compile alone"
  done
  ;;

programs)
  for program in $programs; do
    out=$(env -u DISPLAY "$root/bin/$program" --version) || fail "$program --version failed"
    [ "$out" = "$program $version" ] || fail "$program --version printed: $out"
  done
  out=$(env -u DISPLAY "$root/bin/rvfrender" "$samples/torus.rvf" "$samples/torus_normals.tga" \
        "$work/torus.png") || fail "rvfrender failed on the installed sample"
  [ "$out" = "$work/torus.png: 512 x 512" ] || fail "rvfrender printed: $out"
  [ "$(head -c 8 "$work/torus.png" | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] ||
    fail "rvfrender's picture is not a PNG"
  ;;

desktop-entry)
  entry=$root/share/applications/rvfview.desktop
  out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $out"
  [ -z "$out" ] || fail "desktop-file-validate: $out"
  grep -qx 'Exec=RVFView %f' "$entry" || fail "the desktop entry does not open a file with RVFView"
  # RVF files, and the OBJ and glTF meshes whose material names their map.
  grep -qx 'MimeType=model/x-rvf;model/obj;model/gltf-binary;model/gltf+json;' "$entry" ||
    fail "the desktop entry does not name RVF, OBJ and glTF meshes"
  # The icon it names, where icon themes look for it.
  icon=$root/share/icons/hicolor/scalable/apps/$(sed -n 's/^Icon=//p' "$entry").svg
  python3 -c 'import sys, xml.etree.ElementTree as tree
sys.exit(tree.parse(sys.argv[1]).getroot().tag != "{http://www.w3.org/2000/svg}svg")' "$icon" 2>/dev/null ||
    fail "the desktop entry names no SVG icon installed at $icon"
  ;;

mime-type)
  # The installed type, compiled into a MIME database of its own (not the system's).
  mkdir -p "$work/mime/packages"
  cp "$root/share/mime/packages/rvf.xml" "$work/mime/packages/"
  # On the data path, so that the tool has nothing to say but about the type itself.
  out=$(XDG_DATA_DIRS=$work update-mime-database "$work/mime" 2>&1) || fail "update-mime-database: $out"
  [ -z "$out" ] || fail "update-mime-database: $out"
  grep -qx '50:model/x-rvf:\*\.rvf' "$work/mime/globs2" || fail "model/x-rvf lacks the glob *.rvf"
  printf 'MIME-Magic\0\n[50:model/x-rvf]\n>0=\0\004RVF \n' | cmp -s - "$work/mime/magic" ||
    fail "the magic of model/x-rvf is not \"RVF \" at offset 0: $(od -c "$work/mime/magic")"
  ;;

man-pages)
  for program in $programs; do
    page=$root/share/man/man1/$program.1
    err=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >"$work/$program.txt") || fail "man -l $page failed"
    [ -z "$err" ] || fail "man -l $page: $err"
    grep -q "^ *$program - " "$work/$program.txt" || fail "$program(1) has no NAME line"
    grep -q "^ *$program \[OPTIONS\]\|^ *$program COMMAND" "$work/$program.txt" ||
      fail "$program(1) has no synopsis"
    grep -q "^SEE ALSO" "$work/$program.txt" || fail "$program(1) has no SEE ALSO"
  done
  ;;

uninstall)
  make -s -C "$source" uninstall BUILD="$build" PREFIX=$prefix DESTDIR="$dest" >/dev/null
  left=$(find "$dest" | sort)
  [ "$left" = "$(existing | sort)" ] || fail "the uninstall left or took away: $(diff <(existing | sort) <(echo "$left"))"
  ! grep -qs "$dest" "$build"/installed/* || fail "the record of the install is still there"
  rm -rf "$work"
  ;;

*)
  fail "unknown step $step"
  ;;
esac
