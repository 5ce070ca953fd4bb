#!/usr/bin/env bash
# Makes the small MP3 and AIFF fixtures of tests/data with ffmpeg: one second of a sine tone, tagged by
# ffmpeg's own ID3v2 writer (versions 2.3 and 2.4), so that the tag tests also see tags written by
# another program. The outputs are committed; run this again only to change them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/tests/data"
mkdir -p "$out"

tags=(
  -metadata title="Fixture Title" -metadata artist="Fixture Artist" -metadata album="Fixture Album"
  -metadata track="5/9" -metadata comment="made by ffmpeg" -metadata date="1996" -metadata genre="Ambient"
  -metadata mood="calm"
)
tone=(-f lavfi -i "sine=frequency=440:duration=1:sample_rate=22050")

for version in 3 4; do
  ffmpeg -hide_banner -loglevel error -y "${tone[@]}" -ac 1 -c:a libmp3lame -b:a 32k -bitexact \
    -id3v2_version "$version" -write_xing 0 "${tags[@]}" "$out/ffmpeg-v2$version.mp3"
done
ffmpeg -hide_banner -loglevel error -y "${tone[@]}" -ac 1 -ar 8000 -c:a pcm_s16be -bitexact \
  -write_id3v2 1 -id3v2_version 4 "${tags[@]}" "$out/ffmpeg-tagged.aiff"
ls -l "$out"/ffmpeg-*
