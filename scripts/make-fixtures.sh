#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the small audio files the tests start from, with ffmpeg, into the folder given (the build runs
# it; nothing is committed): one second or less of a sine tone per file.
#   ffmpeg-v23.mp3, ffmpeg-v24.mp3  MP3 with an ID3v2.3 / v2.4 tag written by ffmpeg
#   ffmpeg-vbr.mp3                  stereo MP3 of variable bit rate with a Xing header, without tags
#   ffmpeg-tagged.aiff              AIFF with an ID3v2.4 chunk written by ffmpeg
#   m4a-plain.m4a                   AAC in MPEG-4 without items; m4a-tagged.m4a with items, the index
#                                   in front; m4a-rated.m4a with a rating comment
#   flac-plain.flac                 FLAC without tags
#   xiph-tone.flac, xiph-tone.ogg,  FLAC, Ogg Vorbis and Opus of one second with only the encoder's
#   xiph-tone.opus                  comment, for the tests to tag
set -euo pipefail
out="${1:?usage: make-fixtures.sh FOLDER}"
mkdir -p "$out"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

tags=(
  -metadata title="Fixture Title" -metadata artist="Fixture Artist" -metadata album="Fixture Album"
  -metadata track="5/9" -metadata comment="made by ffmpeg" -metadata date="1996" -metadata genre="Ambient"
  -metadata mood="calm"
)
tone=(-f lavfi -i "sine=frequency=440:duration=1:sample_rate=22050")
for version in 3 4; do
  ff "${tone[@]}" -ac 1 -c:a libmp3lame -b:a 32k -bitexact -id3v2_version "$version" -write_xing 0 \
    "${tags[@]}" "$out/ffmpeg-v2$version.mp3"
done
ff "${tone[@]}" -map_metadata -1 -ac 2 -ar 44100 -c:a libmp3lame -q:a 4 -bitexact -write_id3v2 0 \
  "$out/ffmpeg-vbr.mp3"
ff "${tone[@]}" -ac 1 -ar 8000 -c:a pcm_s16be -bitexact -write_id3v2 1 -id3v2_version 4 "${tags[@]}" \
  "$out/ffmpeg-tagged.aiff"

m4a() {
  local name="$1"
  shift
  ff "${tone[@]}" -map_metadata -1 -c:a aac -b:a 24k -ac 1 -fflags +bitexact -flags:a +bitexact "$@" \
    -f ipod "$out/$name"
}
m4a m4a-plain.m4a
m4a m4a-tagged.m4a -movflags +faststart \
  -metadata title="Morning Tune" -metadata artist="The Testers" -metadata album="Fixture Album" \
  -metadata date=1999 -metadata genre="Jazz" -metadata track="3/12" \
  -metadata composer="Ada Writer" -metadata comment="Recorded live"
m4a m4a-rated.m4a -metadata title="Rated Tune" -metadata comment="Rating: ★★★"

ff -f lavfi -i "sine=frequency=440:sample_rate=8000:duration=0.5" -map_metadata -1 -c:a flac -ac 1 \
  -sample_fmt s16 -fflags +bitexact -flags:a +bitexact "$out/flac-plain.flac"

for format in flac:flac ogg:libvorbis opus:libopus; do
  ff "${tone[@]}" -map_metadata -1 -ac 1 -c:a "${format#*:}" -fflags +bitexact -flags:a +bitexact \
    "$out/xiph-tone.${format%%:*}"
done
