#!/bin/sh
# Makes the encode benchmark's clip: nature photos from Debian's mate-backgrounds package,
# panned and zoomed into a 320x224, 15 fps movie (lossless FFV1 in AVI, 8 photos x 2 s).
# Usage: scripts/make-bench-clip.sh [output]   (default: out/bench-clip.avi)
set -eu

out=${1:-out/bench-clip.avi}
photos=/usr/share/backgrounds/mate/nature
if [ ! -d "$photos" ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        mate-backgrounds
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$(dirname "$out")"

i=0
for name in Aqua Dune Garden LadyBird Storm Wood YellowFlower FreshFlower; do
    # Alternate a slow zoom into the centre with a pan from left to right.
    if [ $((i % 2)) -eq 0 ]; then
        motion="z='1+on*0.006':x='iw/2-iw/zoom/2':y='ih/2-ih/zoom/2'"
    else
        motion="z=1.4:x='on*(iw-iw/zoom)/29':y='ih/2-ih/zoom/2'"
    fi
    ffmpeg -nostdin -v error -y -loop 1 -i "$photos/$name.jpg" \
        -vf "scale=960:-2,zoompan=$motion:d=30:s=320x224:fps=15,format=bgr0" \
        -frames:v 30 -c:v ffv1 "$tmp/$i.avi"
    echo "file '$tmp/$i.avi'" >> "$tmp/list.txt"
    i=$((i + 1))
done
ffmpeg -nostdin -v error -y -f concat -safe 0 -i "$tmp/list.txt" -c copy "$out"
echo "$out: $(ffprobe -v error -count_frames -select_streams v:0 \
    -show_entries stream=nb_read_frames -of csv=p=0 "$out") frames"
