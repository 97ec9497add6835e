#!/usr/bin/env bash
# One script for both README commands:
#   ./setup.sh demo   install what the program needs, build it, start it with the simulated device
#   ./setup.sh test   install what the tests need, build, run every test
#   ./setup.sh build  install and build only
# Idempotent: packages already there are not touched, builds are incremental.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="${QUENDAR_BUILD_DIR:-$here/build}"
mode="${1:-demo}"

build_packages=(build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-serialport-dev libjpeg62-turbo-dev
    libgtest-dev fonts-liberation)
test_packages=(clang libclang-rt-14-dev locales)

install_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "setup: installing ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

configure_and_build() { # dir, extra cmake args...
    local dir="$1"; shift
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    fi
    cmake --build "$dir" -j"$(nproc)"
}

case "$mode" in
build)
    install_packages "${build_packages[@]}"
    configure_and_build "$build"
    ;;
demo)
    install_packages "${build_packages[@]}"
    configure_and_build "$build"
    exec "$here/tools/demo.sh" "$build"
    ;;
test)
    install_packages "${build_packages[@]}" "${test_packages[@]}"
    # The number texts must not follow a German locale; the test for that needs one installed.
    if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
        sudo=()
        [ "$(id -u)" -ne 0 ] && sudo=(sudo)
        "${sudo[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "setup: could not generate de_DE.UTF-8; that test will be skipped"
    fi
    configure_and_build "$build"
    (cd "$build" && ctest --output-on-failure -j"$(nproc)")
    if [ "${QUENDAR_QUICK:-0}" != 1 ]; then
        "$here/tools/robustness.sh" "$here" "$build"
    fi
    ;;
*)
    echo "usage: $0 [demo|test|build]" >&2
    exit 2
    ;;
esac
