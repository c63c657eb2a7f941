#!/usr/bin/env bash
# Quillmere's set-up on Debian 12: installs what is missing, builds into build/, then
#   ./setup.sh run             starts Quillmere with the demo iPod attached as drive e:
#   ./setup.sh test            runs every test (widget tests on Qt's offscreen platform)
# or builds elsewhere:
#   ./setup.sh sanitize        builds into build-asan/ with AddressSanitizer and
#                              UndefinedBehaviorSanitizer and runs every test, then into
#                              build-tsan/ with ThreadSanitizer and runs the tests that start threads
#   ./setup.sh fuzz SECONDS    builds the fuzz targets with clang into build-fuzz/ and runs each for
#                              SECONDS; fails on any finding (kept in build-fuzz/fuzz/findings/)
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

# A sanitizer build of what runs the tests: no benchmarks. Optimised as far as keeps the reports'
# stacks whole, with the line tables the reports need and no more debug information.
sanitizer_build() {
    local folder=$1 sanitizer=$2
    shift 2
    cmake -S "$top" -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
        -DQUILLMERE_GUI="$gui" -DQUILLMERE_BENCH=OFF -DQUILLMERE_SANITIZE="$sanitizer"
    cmake --build "$folder" -j "$(nproc)" "$@"
}

run_sanitized_tests() {
    sanitizer_build "$top/build-asan" address
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$top/build-asan" --output-on-failure -j "$(nproc)"
    sanitizer_build "$top/build-tsan" thread --target quillmere_threaded_tests
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$top/build-tsan" --output-on-failure -j "$(nproc)" \
        -L threads
}

# Each target runs from its seeds (written by the build) and its corpus, which grows from run to
# run in build-fuzz/fuzz/corpus/; a finding stops it, is saved and fails the run.
run_fuzzers() {
    local seconds=$1 folder="$top/build-fuzz"
    cmake -S "$top" -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER=clang++-14 -DQUILLMERE_FUZZ=ON -DQUILLMERE_GUI=OFF \
        -DQUILLMERE_TESTS=OFF -DQUILLMERE_BENCH=OFF
    cmake --build "$folder" -j "$(nproc)" --target quillmere_fuzzers
    local fuzz="$folder/fuzz" failed=()
    mkdir -p "$fuzz/findings"
    while read -r target; do
        mkdir -p "$fuzz/corpus/$target"
        echo "Fuzzing $target for $seconds seconds"
        "$fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
            -artifact_prefix="$fuzz/findings/$target-" "$fuzz/corpus/$target" "$fuzz/seeds/$target" ||
            failed+=("$target")
    done < "$fuzz/fuzzers.txt"
    if [ ${#failed[@]} -gt 0 ]; then
        echo "Findings of ${failed[*]} are in $fuzz/findings/" >&2
        return 1
    fi
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
sanitize)
    install_missing
    run_sanitized_tests
    ;;
fuzz)
    seconds=${2:-}
    if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
        echo "usage: $0 fuzz SECONDS" >&2
        exit 2
    fi
    # libFuzzer and the sanitizers' runtime come with clang.
    packages+=(clang-14 libclang-rt-14-dev)
    install_missing
    run_fuzzers "$seconds"
    ;;
*)
    echo "usage: $0 run | test | sanitize | fuzz SECONDS" >&2
    exit 2
    ;;
esac
