#!/usr/bin/env bash
# Generates the small M4A files the M4A writer tests start from and writes them to tests/data/.
# Each is one second of a sine tone, AAC, mono, at a low bit rate, so every file stays a few kilobytes.
# The output is bit-exact, so running the script again gives the committed bytes back.
#
#   m4a-plain.m4a    no items at all; the "moov" box follows the audio
#   m4a-tagged.m4a   title, artist, album, year, genre, track 3 of 12, composer and a plain comment;
#                    "moov" in front of the audio, so rewriting the items moves the audio and the
#                    chunk offsets have to follow
#   m4a-rated.m4a    title and the rating comment "Rating: ★★★"
set -euo pipefail

out="$(cd "$(dirname "$0")/.." && pwd)/tests/data"
mkdir -p "$out"

encode() {
  local name="$1"
  shift
  ffmpeg -nostdin -hide_banner -loglevel error -y \
    -f lavfi -i "sine=frequency=440:sample_rate=22050:duration=1" \
    -map_metadata -1 -c:a aac -b:a 24k -ac 1 \
    -fflags +bitexact -flags:a +bitexact \
    "$@" -f ipod "$out/$name"
}

encode m4a-plain.m4a
encode m4a-tagged.m4a -movflags +faststart \
  -metadata title="Morning Tune" -metadata artist="The Testers" -metadata album="Fixture Album" \
  -metadata date=1999 -metadata genre="Jazz" -metadata track="3/12" \
  -metadata composer="Ada Writer" -metadata comment="Recorded live"
encode m4a-rated.m4a -metadata title="Rated Tune" -metadata comment="Rating: ★★★"

ls -l "$out"/m4a-*.m4a
