#!/bin/sh
# Installs the demo, starts it through the link on PATH from another directory,
# and checks that it runs in its own directory, beside its data.
build="$1"
cmake="$2"
link_dir="$3"
program_dir="$4"
scratch=$(mktemp -d)
trap 'kill -9 "$pid" 2>/dev/null; rm -rf "$scratch"' EXIT
"$cmake" --install "$build" --prefix "$scratch/prefix" >/dev/null || exit 1
mkdir "$scratch/elsewhere"
cd "$scratch/elsewhere" || exit 1
PATH="$scratch/prefix/$link_dir:$PATH" SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy SDL_RENDER_DRIVER=software \
  veltronaquis &
pid=$!
sleep 1
cwd=$(readlink "/proc/$pid/cwd")
expected=$(cd "$scratch/prefix/$program_dir" && pwd -P)
echo "running in: $cwd"
[ "$cwd" = "$expected" ] || { echo "expected $expected"; exit 1; }
[ -f "$cwd/gfx/rabbit.bmp" ] || { echo "no gfx/ beside the installed program"; exit 1; }
