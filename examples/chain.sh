#!/usr/bin/env bash
# Runs the whole chain on the example song: the lyric sheet to MEV, the hand-timed MEV song to
# a type-1 MIDI file, that to type 0, and its lyrics to the text type of channel 0.
# Usage: examples/chain.sh [BUILD_FOLDER]   (default: build); the results go there too.
set -euo pipefail
here=$(dirname "$0")
build=${1:-build}
run() {
  echo "\$ $*"
  "$@"
}
run "$build/lys2mev/lys2mev" "$here/song.lys" "$build/song-words.mev"
run "$build/mev2smf/mev2smf" "$here/song.mev" "$build/song.mid"
run "$build/smf1to0/smf1to0" "$build/song.mid" "$build/song-type0.mid"
run "$build/verse2chan/verse2chan" "$build/song-type0.mid" "$build/song-karaoke.mid" 0
echo
echo "Lyric events made from the sheet: $(grep -c Lyric "$build/song-words.mev")"
ls -l "$build/song.mid" "$build/song-type0.mid" "$build/song-karaoke.mid"
