#!/usr/bin/env bash
# Installs what the build needs (Debian 12) and builds in build/.
# Sourced by ./run and ./test.
set -euo pipefail

PACKAGES=(cmake g++ make ninja-build qt6-base-dev qt6-svg-dev qt6-qpa-plugins qt6-translations-l10n
          libeigen3-dev libsuitesparse-dev libopenblas0-pthread nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev
          fonts-noto-cjk desktop-file-utils pybind11-dev python3-dev python3-numpy
          python3-pytest python3-matplotlib libopenmpi-dev openmpi-bin)
# clang with its libFuzzer and sanitizer runtimes: ./test fuzzes the data-file readers.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)

install_missing() {
    local missing=()
    for p in "$@"; do
        dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
            "${missing[@]}" >/dev/null
    fi
}

# A locale whose decimal mark is a comma, for the tests that check that numbers in
# files, boxes and tables do not depend on the locale.
COMMA_LOCALE=de_DE.UTF-8
ensure_comma_locale() {
    if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
        install_missing locales
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo localedef -i de_DE -f UTF-8 "$COMMA_LOCALE"
    fi
}

jobs() { nproc 2>/dev/null || echo 2; }
# One compile more than cores: the cores stay busy while another job links or reads.
build_jobs() { echo $(($(jobs) + 1)); }

# configure DIR [cmake options...]
# With Ninja, a program's files compile while the libraries it needs still build or link,
# so both cores stay busy to the end. A folder made before with another generator is
# configured afresh.
configure() {
    local dir=$1
    shift
    if [ -f "$dir/CMakeCache.txt" ] && ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$dir/CMakeCache.txt"; then
        rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
    fi
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
}

# build DIR [cmake options...]
# Optimised, without debug information: it would double the time of every compile. A
# developer who debugs configures a directory of their own with -DCMAKE_BUILD_TYPE=Debug.
build() {
    local dir=$1
    shift
    configure "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" "$@"
    cmake --build "$dir" -j "$(build_jobs)"
}
