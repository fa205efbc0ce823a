#!/usr/bin/env bash
# Installs the Debian or Ubuntu packages that building and testing Kavoral need, where they are
# missing: the compiler and CMake, GoogleTest, LAPACKE and OpenBLAS (kavoral-sweep only), GNU
# parallel (the split-sweep test) and, for the Python tools and module, Debian's numpy,
# meshio, matplotlib, netCDF4, pytest, pybind11 and the Python headers for /usr/bin/python3, and
# libmysofa's mysofa2json (the SOFA test). With --fuzz also clang and its fuzzer runtime. Needs
# root (or sudo) only when something is missing; prints what it installs.
set -euo pipefail

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
command -v objdump >/dev/null || need+=(binutils)
[ -e /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
[ -e /usr/include/lapacke.h ] || need+=(liblapacke-dev)
ls /usr/lib/*/libopenblas.so >/dev/null 2>&1 || need+=(libopenblas-dev)
command -v parallel >/dev/null || need+=(parallel)
for package in python3-venv python3-setuptools python3-wheel python3-numpy \
    python3-meshio python3-matplotlib python3-netcdf4 python3-pytest python3-dev python3-pybind11 \
    pybind11-dev libmysofa-utils; do
  dpkg -s "$package" >/dev/null 2>&1 || need+=("$package")
done
if [ "${1:-}" = "--fuzz" ]; then
  command -v clang++ >/dev/null || need+=(clang)
  dpkg -s libclang-rt-14-dev >/dev/null 2>&1 || need+=(libclang-rt-14-dev)
fi
[ ${#need[@]} -gt 0 ] || exit 0

echo "Installing: ${need[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}"
