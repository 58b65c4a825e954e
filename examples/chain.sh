#!/usr/bin/env bash
# Runs the whole chain on the example song: the melody and the lyric sheet into MEV with the
# syllables on the notes, that compiled into a type-1 MIDI file, merged into type 0, and its
# lyrics turned into the text type of channel 0.
# Usage: examples/chain.sh [BUILD_FOLDER [OUTPUT_FOLDER]]   (default: build, and the build
# folder for the results too).
set -euo pipefail
here=$(dirname "$0")
build=${1:-build}
out=${2:-$build}
run() {
  echo "\$ $*"
  "$@"
}
run "$build/smf2mev/smf2mev" "$here/melody.mid" "$out/song.mev" "$here/song.lys"
run "$build/mev2smf/mev2smf" "$out/song.mev" "$out/song.mid"
# a melody of type 0 (as abc2midi writes a tune of one voice) makes a type-0 song, which
# smf1to0 refuses as it must: then the song needs no merging
if [ "$(od -An -tu1 -j9 -N1 "$out/song.mid" | tr -d ' ')" = 0 ]; then
  echo "song.mid is type 0 already: smf1to0 is skipped"
  cp "$out/song.mid" "$out/song-type0.mid"
else
  run "$build/smf1to0/smf1to0" "$out/song.mid" "$out/song-type0.mid"
fi
run "$build/verse2chan/verse2chan" "$out/song-type0.mid" "$out/song-karaoke.mid" 0
echo
echo "Syllables put on the melody's notes: $(grep -c Lyric "$out/song.mev")"
ls -l "$out/song.mid" "$out/song-type0.mid" "$out/song-karaoke.mid"
