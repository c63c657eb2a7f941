#!/usr/bin/env bash
# Quillmere's set-up on Debian 12: installs what is missing, builds into build/, then
#   ./setup.sh run    starts Quillmere with the demo iPod attached as drive e:
#   ./setup.sh test   runs every test (widget tests on Qt's offscreen platform)
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build="$top/build"
gui=ON
[ "${QUILLMERE_GUI:-ON}" = OFF ] && gui=OFF

# e2fsprogs formats the disk image a test loop-mounts; help2man writes quillmere-cli's manual
# page from its --help.
packages=(g++ cmake ninja-build pkg-config libicu-dev zlib1g-dev libtag1-dev googletest libgtest-dev
          libgmock-dev e2fsprogs help2man)
# fonts-wine holds metric-compatible Tahoma and MS Sans Serif; WenQuanYi draws CJK titles.
# The tests validate the desktop entry and the AppStream metadata (desktop-file-utils,
# appstream) and show files through a file manager on a private session bus (dbus-daemon).
[ "$gui" = ON ] && packages+=(qt6-base-dev qt6-base-dev-tools libgl-dev xdg-utils
                              fonts-liberation fonts-dejavu-core fonts-wine fonts-wqy-microhei
                              desktop-file-utils appstream dbus-daemon)

install_missing() {
    local missing=()
    for package in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
}

build_all() {
    cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMERE_GUI="$gui"
    cmake --build "$build" -j "$(nproc)"
}

run_demo() {
    # The demo owns its data folder, so a user's real settings are never touched.
    local demo="$build/demo"
    mkdir -p "$demo/home"
    "$build/quillmere-demo-ipod" "$demo/ipod"
    echo "e=$demo/ipod" > "$demo/home/drives"
    QUILLMERE_HOME="$demo/home" exec "$build/quillmere"
}

case "${1:-}" in
run)
    install_missing
    build_all
    run_demo
    ;;
test)
    install_missing
    build_all
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
    ;;
*)
    echo "usage: $0 run | test" >&2
    exit 2
    ;;
esac
