#!/usr/bin/env bash
# Makes the default reminder sound, sounds/dingdong.wav, with sox: a two-tone "ding-dong"
# chime, E5 then C5 (a major third down), each a struck bell tone.
#
# The reminder window plays the file in a loop, so it ends in true silence (no dither noise
# in the tail) and is short enough that a reminder is not one long drone. The format is plain
# 16-bit PCM at 44100 Hz, which every Qt sound back end decodes.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out="$here/sounds/dingdong.wav"
mkdir -p "$(dirname "$out")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

command -v sox >/dev/null || { echo "make-sound: sox is missing" >&2; exit 1; }

rate=44100
total=1.6       # seconds
second_at=0.45  # when the second tone is struck

# Work in 32-bit float mono; only the final write goes to 16 bits.
fmt=(-r "$rate" -c 1 -b 32 -e floating-point)

# partial FREQ DECAY FILE: one sine partial with a 4 ms attack and an exponential decay that
# reaches -100 dB after DECAY seconds (sox's logarithmic fade is linear in decibels).
partial() {
  sox -R -n "${fmt[@]}" "$3" synth "$2" sine "$1" fade q 0.004 "$2" 0 fade l 0 "$2" "$2"
}

# bell FREQ FILE: a bell-like tone. The fundamental rings longest; the octave and twelfth
# brighten the strike and die away quickly; a faint inharmonic partial adds the metallic "tink".
bell() {
  local f=$1
  partial "$f" 3.2 "$work/p1.wav"
  partial "$(awk -v f="$f" 'BEGIN { print 2 * f }')" 1.4 "$work/p2.wav"
  partial "$(awk -v f="$f" 'BEGIN { print 3 * f }')" 0.6 "$work/p3.wav"
  partial "$(awk -v f="$f" 'BEGIN { print 4.2 * f }')" 0.18 "$work/p4.wav"
  sox -R -m -v 1.0 "$work/p1.wav" -v 0.32 "$work/p2.wav" -v 0.12 "$work/p3.wav" \
    -v 0.06 "$work/p4.wav" "$2"
}

bell 659.255 "$work/ding.wav" # E5
bell 523.251 "$work/dong.wav" # C5
sox -R "$work/dong.wav" "$work/dong-late.wav" pad "$second_at" 0

# The first tone is a little softer so the second, lower one feels like the answer.
# The final fade takes whatever is still ringing smoothly down to silence.
sox -R -m -v 0.85 "$work/ding.wav" -v 1.0 "$work/dong-late.wav" "$work/mix.wav" \
  trim 0 "$total" fade t 0 "$total" 0.35 gain -n -3
sox -R -D "$work/mix.wav" -b 16 -e signed-integer "$out"

echo "make-sound: wrote $out ($(soxi -D "$out") s)"
