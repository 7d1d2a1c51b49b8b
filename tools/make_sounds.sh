#!/usr/bin/env bash
# Makes the game's own sound effects and title music with sox into
# assets/sfx/ and assets/music/. Run once by hand after a change; the files it
# writes are committed. Usage: tools/make_sounds.sh [ASSETS_DIR]
set -euo pipefail
assets="${1:-$(dirname "$0")/../assets}"
mkdir -p "$assets/sfx" "$assets/music"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# -R: the same noise every run, so the files only change when this script does.
fx() { sox -R -n -r 22050 -c 1 -b 16 "$assets/sfx/$1" "${@:2}"; }

fx click.wav synth 0.05 sine 1200 fade 0 0.05 0.04 vol 0.6
fx shot.wav synth 0.22 square 880-110 fade 0 0.22 0.16 vol 0.35
fx explosion.wav synth 0.8 brownnoise fade 0 0.8 0.7 lowpass 900 vol 0.9

# Title music: an arpeggio over four chords, twice, ending where it began so
# that it loops without a seam.
i=0
for n in A3 C4 E4 A4 G3 B3 D4 G4 F3 A3 C4 F4 E3 G#3 B3 E4 A3 C4 E4 A4 G3 B3 D4 G4 F3 A3 C4 F4 E3 G#3 B3 E4; do
  sox -R -n -r 22050 -c 2 -b 16 "$work/$(printf %03d $i).wav" synth 0.25 pluck "$n" fade 0 0.25 0.04 vol 0.5
  i=$((i + 1))
done
sox "$work"/[0-9]*.wav "$work/melody.wav"
sox -R -n -r 22050 -c 2 -b 16 "$work/drone.wav" synth 8 sine A2 sine A2 tremolo 0.5 40 vol 0.15
sox -m "$work/melody.wav" "$work/drone.wav" -C 0 "$assets/music/title.ogg"
