#!/usr/bin/env bash
# Generates the small FLAC file the loading and tag-writing tests start from and writes it to tests/data/.
# Half a second of a sine tone, mono, 8 kHz, 16 bits, with no tags at all; the tests add their own tags
# with TagLib. The output is bit-exact, so running the script again gives the committed bytes back.
#
#   flac-plain.flac   no Vorbis comment, no picture
set -euo pipefail

out="$(cd "$(dirname "$0")/.." && pwd)/tests/data"
mkdir -p "$out"

ffmpeg -nostdin -hide_banner -loglevel error -y \
  -f lavfi -i "sine=frequency=440:sample_rate=8000:duration=0.5" \
  -map_metadata -1 -c:a flac -ac 1 -sample_fmt s16 \
  -fflags +bitexact -flags:a +bitexact \
  "$out/flac-plain.flac"

ls -l "$out"/flac-*.flac
