#!/usr/bin/env bash
# Configures (when needed) and builds the launcher for both Windows architectures.
#   scripts/build.sh [--arch i686|x86_64]... [--target NAME] [cmake args, e.g. -DQARVELO_LOGIN_URL=...]
# i686 is the build that ships; x86_64 also builds the tests and runs under wine64.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

archs=() target=() cmake_args=()
while (($#)); do
  case $1 in
    --arch) [[ ${2:-} == i686 || ${2:-} == x86_64 ]] || { echo "build: --arch takes i686 or x86_64" >&2; exit 2; }
            archs+=("$2"); shift 2 ;;
    --target) [[ -n ${2:-} ]] || { echo "build: --target needs a name" >&2; exit 2; }
              target=(--target "$2"); shift 2 ;;
    -D*) cmake_args+=("$1"); shift ;;
    *) echo "build: unknown argument $1 (cmake settings go as -DNAME=VALUE)" >&2; exit 2 ;;
  esac
done
((${#archs[@]})) || archs=(i686 x86_64)

for arch in "${archs[@]}"; do
  dir="build/$arch"
  tests=ON; [[ $arch == i686 ]] && tests=OFF
  # Configure on first use, and again whenever settings are passed in.
  if [[ ! -f "$dir/build.ninja" ]] || ((${#cmake_args[@]})); then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" \
      -DQARVELO_BUILD_TESTS="$tests" "${cmake_args[@]}"
  fi
  cmake --build "$dir" "${target[@]}"
done

# The shipped program must really be 32-bit, and the tested one 64-bit.
[[ ${target[1]:-Qarvelo} == Qarvelo ]] || exit 0
python3 - "${archs[@]}" <<'PY'
import struct, sys
want = {"i686": (0x14C, 0x10B, "PE32 i386"), "x86_64": (0x8664, 0x20B, "PE32+ x86-64")}
for arch in sys.argv[1:]:
    path = f"build/{arch}/Qarvelo.exe"
    machine, magic, name = want[arch]
    try:
        data = open(path, "rb").read(4096)
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        ok = data[:2] == b"MZ" and data[pe:pe + 4] == b"PE\0\0"
        ok = ok and struct.unpack_from("<HH", data, pe + 4)[0] == machine
        ok = ok and struct.unpack_from("<H", data, pe + 24)[0] == magic
    except (OSError, struct.error):
        ok = False
    if not ok:
        sys.exit(f"build: {path} is not a {name} executable")
    print(f"build: {path}: {name}")
PY
