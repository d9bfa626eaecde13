#!/usr/bin/env bash
# make windows: Qt for Windows from Debian's sources (built once, then taken from the
# cache), the program and its tests cross-built with MinGW-w64, the zip and the installer.
#   build.sh BUILD_FOLDER VERSION
set -euo pipefail
cd "$(dirname "$0")/../.."

build=$1
version=$2
# The Qt build is kept outside the clone, where a second run finds it.
cache=${TRACKPACE_CACHE:-/var/cache/trackpace}
if ! mkdir -p "$cache" 2>/dev/null || [ ! -w "$cache" ]; then
    cache=${XDG_CACHE_HOME:-$HOME/.cache}/trackpace
    mkdir -p "$cache"
fi
qt=$(bash packaging/windows/build-qt.sh "$cache" | tail -n 1)
echo "Qt for Windows: $qt"

cmake -G Ninja -S . -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/packaging/windows/mingw-w64.cmake" \
    -DCMAKE_PREFIX_PATH="$qt" -DCMAKE_FIND_ROOT_PATH="$qt" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --parallel "${JOBS:-$(nproc)}"
bash packaging/windows/package.sh "$build" "$qt" "$version"
# Where the Wine runs find Qt.
echo "$qt" > "$build/qt-prefix.txt"
