#!/bin/sh
# tools/sdl-libs/configure on a small project that finds SDL2 under the prefix the library
# build names: a new prefix gives a fresh configuration that finds the new libraries, the same
# prefix keeps the cache.
set -e
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The project sits where configure takes the repository's top to be; the library build is
# replaced by one that names the prefix it is given.
tree="$scratch/tree"
mkdir -p "$tree/tools/sdl-libs"
cp "$here/configure" "$tree/tools/sdl-libs/"
cat >"$tree/tools/sdl-libs/build" <<'EOF'
#!/bin/sh
echo "$FAKE_PREFIX"
EOF
chmod +x "$tree/tools/sdl-libs/build"
printf 'cmake_minimum_required(VERSION 3.16)\nproject(t NONE)\nfind_package(SDL2 REQUIRED)\n' >"$tree/CMakeLists.txt"
: >"$scratch/toolchain.cmake"
for p in old new; do
  mkdir -p "$scratch/$p/lib/cmake/SDL2"
  : >"$scratch/$p/lib/cmake/SDL2/SDL2Config.cmake"
done

configure() {
  FAKE_PREFIX="$scratch/$1" "$tree/tools/sdl-libs/configure" "$scratch/build" test "$scratch/toolchain.cmake" \
    static cc || fail "configure with the $1 prefix"
}
found() { sed -n 's/^SDL2_DIR:PATH=//p' "$scratch/build/CMakeCache.txt"; }

configure old
[ "$(found)" = "$scratch/old/lib/cmake/SDL2" ] || fail "SDL2 not found under the first prefix: $(found)"
configure new
[ "$(found)" = "$scratch/new/lib/cmake/SDL2" ] || fail "a new prefix still finds SDL2 at $(found)"
echo "KEPT:STRING=yes" >>"$scratch/build/CMakeCache.txt"
configure new
grep -qx "KEPT:STRING=yes" "$scratch/build/CMakeCache.txt" || fail "the same prefix started a fresh configuration"
echo "a new prefix gives a fresh configuration, the same one keeps it"
