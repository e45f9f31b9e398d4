#!/usr/bin/env bash
# One entry point for the README's set-up commands:
#   tools/setup.sh run    install the packages, build, start Roamlog
#   tools/setup.sh test   install the packages, build, run the whole test suite
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${ROAMLOG_BUILD_DIR:-$here/build}

install_packages() {
    local pkgs
    pkgs=$(grep -v '^#' "$here/tools/packages.txt" | tr '\n' ' ')
    if [ "$(id -u)" = 0 ]; then
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $pkgs
    else
        sudo apt-get update -qq
        sudo DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $pkgs
    fi
}

build_all() {
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build "$build" --parallel "$(nproc)"
}

case "${1:-}" in
run)
    install_packages
    build_all
    shift
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "No display found: starting Roamlog with a headless browser." >&2
        echo "Run it from a desktop session to see its window beside the browser." >&2
        set -- --headless "$@"
    fi
    exec "$build/host/Roamlog" "$@"
    ;;
test)
    install_packages
    build_all
    cd "$build"
    exec ctest --output-on-failure --parallel "$(nproc)" --timeout 300
    ;;
build)
    build_all
    ;;
*)
    echo "usage: $0 run|test|build" >&2
    exit 2
    ;;
esac
