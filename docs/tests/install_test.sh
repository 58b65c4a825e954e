#!/usr/bin/env bash
# Checks what an installation delivers, in a temporary folder that is removed afterwards.
# Usage: install_test.sh files|man|deb BUILD_FOLDER
#   files  cmake --install into a temporary prefix: the nine programs, their manual pages and
#          the reference are there, every page starts with its .TH line and names the
#          reference where it was installed, and an installed program prints its usage text
#          and ends with status 2.
#   man    the same installation; every installed page formats without a warning, with
#          man -l where man is installed, else with groff.
#   deb    cpack makes the Debian package; it holds the same files, depends on nothing but
#          the C and C++ run-time libraries, and its programs run.
# Ends with 0 when all is well, 1 on a failure (after a line saying what), 77 when a tool the
# check needs is missing. CMAKE and CPACK name the cmake and cpack programs (default: on PATH).
set -euo pipefail
mode=$1
build=$2
cmake=${CMAKE:-cmake}
cpack=${CPACK:-cpack}
programs=(mev2smf lys2mev smf1to0 verse2chan smf2mev kar2smf smf2kar smf2lrc smf2svg)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*"
  exit 1
}
skip() {
  echo "SKIP: $*"
  exit 77
}

# the files under root that every installation must hold; the pages name the reference under
# prefix, the root as the installed system sees it
check_tree() {
  local root=$1 prefix=$2 page named
  for p in "${programs[@]}"; do
    [ -x "$root/bin/$p" ] || fail "bin/$p is missing"
    page="$root/share/man/man1/$p.1"
    [ -f "$page" ] || fail "share/man/man1/$p.1 is missing"
    grep -q "^\.TH ${p^^} 1 " "$page" || fail "$p.1 does not start with its .TH line"
    for named in $(grep -o '[^ ]*mev\.md' "$page"); do
      [ "$named" = "$prefix/share/doc/lyricmidi/mev.md" ] ||
        fail "$p.1 names the reference as $named, not under $prefix"
    done
  done
  grep -q "$prefix/share/doc/lyricmidi/mev.md" "$root/share/man/man1/mev2smf.1" ||
    fail "mev2smf.1 does not name the installed reference"
  for f in mev.md README.md; do
    [ -f "$root/share/doc/lyricmidi/$f" ] || fail "share/doc/lyricmidi/$f is missing"
  done
}

# an installed program prints its usage text and ends with status 2
check_usage() {
  local program=$1 name status out
  name=$(basename "$program")
  status=0
  out=$("$program") || status=$?
  [ "$status" -eq 2 ] || fail "$name without arguments ended with $status, not 2"
  [ "$(head -n 1 <<<"$out")" = "${name^^}" ] || fail "$name printed no usage text: $out"
}

install_prefix() {
  "$cmake" --install "$build" --prefix "$work/prefix" >"$work/install.log" ||
    fail "cmake --install failed: $(cat "$work/install.log")"
}

case $mode in
  files)
    install_prefix
    check_tree "$work/prefix" "$work/prefix"
    for p in "${programs[@]}"; do check_usage "$work/prefix/bin/$p"; done
    ;;
  man)
    if command -v man >/dev/null; then
      formatter=man
    elif command -v groff >/dev/null; then
      formatter=groff
    else
      skip "neither man nor groff is installed (apt-get install man-db)"
    fi
    install_prefix
    for p in "${programs[@]}"; do
      page="$work/prefix/share/man/man1/$p.1"
      if [ $formatter = man ]; then
        LC_ALL=C MANWIDTH=80 MANPAGER=cat PAGER=cat man --warnings -l "$page" >"$work/out" \
          2>"$work/err" || fail "man -l $p.1 failed: $(cat "$work/err")"
      else
        LC_ALL=C groff -man -Tascii -P-bcou -ww "$page" >"$work/out" 2>"$work/err" ||
          fail "groff could not format $p.1: $(cat "$work/err")"
      fi
      [ ! -s "$work/err" ] || fail "$formatter warns about $p.1: $(cat "$work/err")"
      for heading in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" EXAMPLES; do
        grep -q "^$heading" "$work/out" || fail "$p.1 has no $heading section"
      done
      grep -q "$p" "$work/out" || fail "$p.1 does not name $p"
    done
    ;;
  deb)
    command -v "$cpack" >/dev/null || skip "cpack is not installed"
    command -v dpkg-deb >/dev/null || skip "dpkg-deb is not installed"
    "$cpack" --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
      fail "cpack failed: $(cat "$work/cpack.log")"
    debs=("$work"/package/*.deb)
    [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single .deb: ${debs[*]}"
    dpkg-deb -x "${debs[0]}" "$work/root"
    check_tree "$work/root/usr" /usr
    for p in "${programs[@]}"; do check_usage "$work/root/usr/bin/$p"; done
    depends=$(dpkg-deb -f "${debs[0]}" Depends)
    for d in ${depends//,/ }; do
      case $d in
        libc6 | libgcc-s1 | libstdc++6 | "("* | *")" | ">="* | [0-9]*) ;;
        *) fail "the package depends on $d: $depends" ;;
      esac
    done
    ;;
  *)
    fail "unknown check $mode"
    ;;
esac
echo "ok: $mode"
