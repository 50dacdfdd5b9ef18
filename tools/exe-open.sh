# Sourced by tools/bench and tools/scale: builds varlo.exe and the program
# that times it, starts a Wine session (in Xvfb when there is no display)
# that ends with the calling script, and runs that program:
#   exe_open FILE RUNS [TEXT]      (see bench/exe_open.cpp)
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target varlo varlo-exe-open >/dev/null
export WINEPREFIX=$top/build/win64/wine VARLO_XVFB_DIR=$top/build/win64
tools/wine-prefix "$WINEPREFIX"
tools/wine-session start
trap 'tools/wine-session stop' EXIT
windows_path() { local p; p=$(realpath "$1"); echo "Z:${p//\//\\}"; }
exe_open() {
  tools/wine-run build/win64/bench/varlo-exe-open.exe "$(windows_path build/win64/app/varlo.exe)" \
    "$(windows_path "$1")" "${@:2}" | tr -d '\r'
}
