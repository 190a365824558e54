# Shell functions for running the Windows build under Wine, sourced by packaging/windows/test
# and bench/sync.

# Wine's recommended libraries it needs here: OpenGL for Direct3D, XInput2, RandR and Xinerama.
WINE_PACKAGES="wine wine64 libgl1 libgl1-mesa-dri libglx-mesa0 libxi6 libxrandr2 libxinerama1 unzip"

# Takes the cached Wine prefix for this shell, making it the first time. Wine's first start in a
# new prefix takes a minute: the prefix lives in the cache. One run at a time, as all runs in a
# prefix share one wineserver (the lock is held on fd 9 until the shell exits). No Mono or Gecko:
# nothing here uses them.
wine_prefix() {
  cache=${VELTRONAQUIS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/veltronaquis}
  mkdir -p "$cache"
  exec 9>"$cache/wine.lock"
  flock 9
  WINEPREFIX=$cache/wine-win64
  WINEARCH=win64
  WINEDEBUG=-all
  WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEPREFIX WINEARCH WINEDEBUG WINEDLLOVERRIDES
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Making the Wine prefix $WINEPREFIX"
    wineboot --init
  fi
  wineserver -w
}
