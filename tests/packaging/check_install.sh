#!/bin/sh
# The installed tree, as someone who installs Dotscape meets it:
#   check_install.sh install   BUILD WORK  installs to WORK/first, moves it to WORK/tree
#   check_install.sh tree      BUILD WORK  every file there, run paths, the program runs
#   check_install.sh validate  BUILD WORK  desktop entry, AppStream metadata, man page
#   check_install.sh help      BUILD WORK  every --help option in the man page and the completion
#   check_install.sh consumers BUILD WORK  programs built against the installed libraries
#   check_install.sh deb       BUILD WORK  the Debian package: its dependencies, and it runs
set -eu
mode=$1
build=$2
work=$3
here=$(cd "$(dirname "$0")" && pwd)
tree=$work/tree
failures=0

fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

finish() {
  [ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
  echo "all checks passed"
}

# The library directory of the installation (lib, or lib/<triplet> on Debian).
libdir() {
  dirname "$(find "$tree" -name 'libterrakit.so.3' | head -n 1)"
}

# A clean user: no configuration, no patterns of their own.
user_env() {
  env -i PATH="$PATH" HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_DATA_HOME="$work/home/data" "$@"
}

# The options a help text names, found without the generator's parser.
options_of() {
  grep -o -- '--[a-z][a-z0-9-]*' | sort -u
}

# Commands whose options have a help text of their own.
commands_with_help() {
  "$tree/bin/dotscape" --help | sed -n 's/.*dotscape \([a-z]*\) --help lists the options.*/\1/p'
}

case $mode in
install)
  rm -rf "$work"
  mkdir -p "$work/home"
  cmake --install "$build" --prefix "$work/first" >/dev/null
  # Relocatable: nothing may depend on the prefix it was installed to.
  mv "$work/first" "$tree"
  ;;

tree)
  lib=$(libdir)
  [ -d "$lib" ] || fail "no libterrakit.so.3 installed"
  for file in \
      bin/dotscape \
      share/applications/dotscape.desktop \
      share/mime/packages/dotscape.xml \
      share/icons/hicolor/scalable/apps/dotscape.svg \
      share/bash-completion/completions/dotscape \
      share/man/man1/dotscape.1 \
      include/terrakit/terrakit.h \
      include/terrakit/TFractal.h \
      include/pictrans/TGraphIO.h \
      include/platform/Bitmap.h \
      share/dotscape/sirdspat/pat00.gif \
      share/dotscape/sirdspat/pat19.gif; do
    [ -s "$tree/$file" ] || fail "$file is not installed"
  done
  [ "$(ls "$tree"/share/metainfo/*.metainfo.xml 2>/dev/null | wc -l)" -eq 1 ] || fail "no AppStream metadata"
  # The icon at each size of the theme, a PNG of that size.
  for size in 16 22 24 32 48 64 128 256; do
    png=$tree/share/icons/hicolor/${size}x${size}/apps/dotscape.png
    got=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print("%dx%d" % struct.unpack(">II", d[16:24]) if d[:8]==b"\x89PNG\r\n\x1a\n" else "none")' "$png" 2>/dev/null || echo missing)
    [ "$got" = "${size}x${size}" ] || fail "icon $size: $got"
  done
  # Libraries with their SONAMEs, packages for pkg-config and CMake.
  for entry in terrakit:3 pictrans:2 dotscape_platform:1; do
    name=${entry%%:*}
    so=lib$name.so.${entry#*:}
    soname=$(objdump -p "$lib/$so" 2>/dev/null | awk '$1 == "SONAME" {print $2}')
    [ "$soname" = "$so" ] || fail "$so: SONAME '$soname'"
    [ -L "$lib/lib$name.so" ] || fail "lib$name.so: no development link"
  done
  for package in terrakit pictrans; do
    [ -s "$lib/pkgconfig/$package.pc" ] || fail "$package.pc missing"
    [ -s "$lib/cmake/$package/$package-config.cmake" ] || fail "$package-config.cmake missing"
  done
  # Run paths relative to the binary, none into the build tree.
  for binary in "$tree/bin/dotscape" "$lib"/*.so.*; do
    runpath=$(objdump -p "$binary" | awk '$1 == "RUNPATH" || $1 == "RPATH" {print $2}')
    case $runpath in
      *"$build"*) fail "$binary runs from the build tree: $runpath" ;;
    esac
    case $binary in
      */bin/*) case $runpath in '$ORIGIN'*) ;; *) fail "$binary: run path '$runpath'" ;; esac ;;
    esac
    # An empty entry would have the loader search the current directory.
    case ":$runpath:" in
      *::*) [ -n "$runpath" ] && fail "$binary: empty entry in run path '$runpath'" ;;
    esac
    LD_LIBRARY_PATH='' ldd "$binary" | grep -q 'not found' && fail "$binary: a library is not found"
  done
  # Every installed header compiles on its own: what it includes is installed too.
  (cd "$tree/include" && find . -name '*.h' | sed 's|^\./||' | sort) |
    xargs -P "$(nproc 2>/dev/null || echo 2)" -I HEADER sh -c \
      'echo "#include \"HEADER\"" | c++ -std=c++20 -fsyntax-only -I "$1" -x c++ - ||
         { echo "header HEADER does not compile alone" >&2; exit 1; }' check "$tree/include" ||
    fail "installed headers"
  echo '#include <terrakit/terrakit.h>' | cc -std=c99 -fsyntax-only -I "$tree/include" -x c - ||
    fail "terrakit.h is not C"
  # The moved program makes a stereogram with its installed patterns.
  rm -rf "$work/out"
  mkdir -p "$work/out"
  user_env "$tree/bin/dotscape" make --figure 3 --width 320 --height 240 -o "$work/out/moved.gif" ||
    fail "make from the moved tree"
  user_env "$tree/bin/dotscape" info "$work/out/moved.gif" | grep -q 'GIF' || fail "info of the made stereogram"
  # Video support is a module loaded on first use: the program links none of
  # FFmpeg's libraries, and --version loads no module and nothing of them.
  [ -s "$lib/libdotscape_video.so" ] || fail "libdotscape_video.so is not installed"
  LD_LIBRARY_PATH='' ldd "$tree/bin/dotscape" | grep -E 'libav|libsw|libQt' && fail "dotscape links FFmpeg or Qt"
  loaded=$(LD_DEBUG=libs "$tree/bin/dotscape" --version 2>&1 >/dev/null | sed -n 's/.*calling init: //p')
  echo "$loaded" | grep -E 'libav|libsw|libx26|libQt|libdotscape_video|libdotscape_desktop|libfreetype' &&
    fail "dotscape --version loads more than it needs"
  user_env "$tree/bin/dotscape" make --figure 3 --width 240 --height 200 --frames 3 --da-step 5 \
      -o "$work/out/moved.mp4" || fail "a video from the moved tree"
  frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
      -of default=nw=1:nk=1 "$work/out/moved.mp4" 2>/dev/null || echo none)
  [ "$frames" = 3 ] || fail "the moved tree's video holds '$frames' frames, not 3"
  # Without the module: a refusal that says so, and no file.
  mv "$lib/libdotscape_video.so" "$work/video-module.so"
  message=$(user_env "$tree/bin/dotscape" make --figure 3 --width 240 --height 200 --frames 3 --da-step 5 \
      -o "$work/out/none.mp4" 2>&1) && fail "a video without the video module"
  mv "$work/video-module.so" "$lib/libdotscape_video.so"
  echo "$message" | grep -q "Video support is not installed: " || fail "without the video module: '$message'"
  [ -e "$work/out/none.mp4" ] && fail "a video file was left without the video module"
  # Without patterns it cannot: the ones found above were the installed ones.
  user_env "$tree/bin/dotscape" make --figure 3 --width 320 --height 240 --pattern-dir "$work/nowhere" \
      -o "$work/out/none.gif" 2>/dev/null && fail "make without patterns should fail"
  finish
  ;;

validate)
  desktop-file-validate "$tree/share/applications/dotscape.desktop" || fail "desktop entry"
  appstreamcli validate --no-net "$tree"/share/metainfo/*.metainfo.xml || fail "AppStream metadata"
  grep -q "<launchable type=\"desktop-id\">dotscape.desktop</launchable>" "$tree"/share/metainfo/*.metainfo.xml ||
    fail "metainfo does not launch the desktop entry"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$tree/share/man/man1/dotscape.1" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man page warnings: $warnings"
  finish
  ;;

help)
  page=$tree/share/man/man1/dotscape.1
  completion=$tree/share/bash-completion/completions/dotscape
  # The man page names every command and every option of every help text.
  for command in $("$tree/bin/dotscape" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z]*\).*/\1/p'); do
    grep -q "^\\\\fB$command\\\\fR\|^$command\b\|dotscape $command" "$page" || fail "man page: command $command"
  done
  for option in $("$tree/bin/dotscape" --help | options_of); do
    grep -q -- "$(echo "$option" | sed 's/-/\\\\-/g')" "$page" || fail "man page: $option"
  done
  for command in $(commands_with_help); do
    for option in $("$tree/bin/dotscape" "$command" --help 2>&1 | options_of); do
      grep -q -- "$(echo "$option" | sed 's/-/\\\\-/g')" "$page" || fail "man page: $command $option"
    done
  done
  # The completion, run as bash runs it (bash-completion's helpers stood in for).
  complete_line() {
    bash -c '
      _init_completion() { words=("${COMP_WORDS[@]}"); cword=$COMP_CWORD; cur=${COMP_WORDS[COMP_CWORD]}; prev=${COMP_WORDS[COMP_CWORD-1]}; }
      _filedir() { COMPREPLY+=("FILES:$*"); }
      complete() { :; }
      . "$1"; shift
      COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMPREPLY=()
      _dotscape
      printf "%s\n" "${COMPREPLY[@]}"' completion "$completion" "$@"
  }
  for command in $(commands_with_help); do
    for option in $("$tree/bin/dotscape" "$command" --help 2>&1 | options_of); do
      complete_line dotscape "$command" "$option" | grep -qx -- "$option" || fail "completion: $command $option"
    done
  done
  # Sub-commands, value lists and file kinds, word by word (the expected
  # word is a pattern: more picture formats may come).
  while IFS='|' read -r line expected; do
    # shellcheck disable=SC2086
    got=$(complete_line $line "" | tr '\n' ' ')
    # shellcheck disable=SC2254
    case " $got" in
      *" "$expected" "*) ;;
      *) fail "completion of '$line': '$got' has no '$expected'" ;;
    esac
  done <<'TABLE'
dotscape|make
dotscape|reveal
dotscape|FILES:@(bmp|*png*|rds)
dotscape make --method|hidden-surface
dotscape make --depth-by|brightness
dotscape make --random-dots|bw
dotscape make --format|png
dotscape make --picture|FILES:@(bmp|*png*)
dotscape make --depthmap|FILES:rds
dotscape make --model|FILES:@(stl|*glb*)
dotscape depth --model|FILES:@(stl|*glb*)
dotscape make --pattern-dir|FILES:-d
dotscape make -o|FILES:
dotscape convert --format|gif
dotscape convert|FILES:@(bmp|*png*)
dotscape info|FILES:@(bmp|*png*|rds)
TABLE
  finish
  ;;

consumers)
  lib=$(libdir)
  export PKG_CONFIG_PATH="$lib/pkgconfig"
  rm -rf "$work/consumers"
  mkdir -p "$work/consumers"
  # C against terrakit through pkg-config: the same list as the program's own.
  # shellcheck disable=SC2046
  cc -std=c99 -Wall -Werror "$here/consumer/figures.c" -o "$work/consumers/figures-pc" \
      $(pkg-config --cflags --libs terrakit) -Wl,-rpath,"$(pkg-config --variable=libdir terrakit)" ||
    fail "C program against terrakit.pc"
  user_env "$tree/bin/dotscape" figures > "$work/consumers/expected.txt"
  "$work/consumers/figures-pc" > "$work/consumers/figures.txt" || fail "figures-pc ran"
  cmp "$work/consumers/expected.txt" "$work/consumers/figures.txt" || fail "figures-pc lists other figures"
  # C++ against pictrans through pkg-config.
  # shellcheck disable=SC2046
  c++ -std=c++20 -Wall -Werror "$here/consumer/topicture.cpp" -o "$work/consumers/topicture-pc" \
      $(pkg-config --cflags --libs pictrans) -Wl,-rpath,"$(pkg-config --variable=libdir pictrans)" ||
    fail "C++ program against pictrans.pc"
  # Both through find_package and the namespaced targets.
  cmake -S "$here/consumer" -B "$work/consumers/cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_PREFIX_PATH="$tree" -DCMAKE_BUILD_RPATH="$lib" >/dev/null &&
    cmake --build "$work/consumers/cmake" >/dev/null || fail "CMake project with find_package"
  "$work/consumers/cmake/figures" | cmp - "$work/consumers/expected.txt" || fail "figures (CMake) lists other figures"
  # A pattern converted by someone else's program equals the program's own conversion.
  pattern=$tree/share/dotscape/sirdspat/pat04.gif
  user_env "$tree/bin/dotscape" convert "$pattern" "$work/consumers/expected.bmp"
  for program in topicture-pc cmake/topicture; do
    "$work/consumers/$program" "$pattern" "$work/consumers/$(basename "$program").bmp" || fail "$program ran"
    cmp "$work/consumers/expected.bmp" "$work/consumers/$(basename "$program").bmp" || fail "$program wrote another picture"
  done
  finish
  ;;

deb)
  rm -rf "$work/deb"
  mkdir -p "$work/deb"
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >/dev/null || fail "cpack -G DEB"
  package=$(ls "$work"/deb/dotscape_*.deb)
  depends=$(dpkg-deb -f "$package" Depends)
  # Computed from what the binaries link, not written by hand.
  for library in libc6 libstdc++6 libqt6widgets6 libqt6svg6 libspng0 libjpeg62-turbo libavcodec59 libavformat59; do
    echo "$depends" | grep -q "$library (>=" || fail "package does not depend on $library: $depends"
  done
  # Opened at run time, so written by hand.
  for library in libfreetype6 libtiff6; do
    echo "$depends" | grep -q "$library" || fail "package does not depend on $library: $depends"
  done
  echo "$depends" | grep -q "libterrakit\|libpictrans" && fail "package depends on its own libraries"
  dpkg-deb -c "$package" > "$work/deb/contents"
  for file in usr/bin/dotscape usr/share/man/man1/dotscape.1 usr/share/applications/dotscape.desktop \
      usr/share/dotscape/sirdspat/pat00.gif usr/lib/pkgconfig/pictrans.pc usr/lib/libdotscape_video.so; do
    grep -q " \./$file\$" "$work/deb/contents" || fail "package lacks $file"
  done
  # Unpacked anywhere, the program runs from it.
  dpkg-deb -x "$package" "$work/deb/root"
  user_env "$work/deb/root/usr/bin/dotscape" make --figure 5 --width 200 --height 150 -o "$work/deb/made.png" ||
    fail "make from the unpacked package"
  user_env "$work/deb/root/usr/bin/dotscape" make --figure 5 --width 200 --height 150 --frames 2 --da-step 5 \
      -o "$work/deb/made.webm" || fail "a video from the unpacked package"
  finish
  ;;

*)
  echo "unknown mode $mode" >&2
  exit 2
  ;;
esac
