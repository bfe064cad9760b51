#!/usr/bin/env bash
# Entry point for building, testing and trying the library on Debian 12.
#   ./run.sh demo    install what is missing, build, show the library at work
#   ./run.sh test    install what is missing, build with -Werror, run the whole test suite
#   ./run.sh bench   build and run the benchmarks
#   ./run.sh fuzz [SECONDS] [TARGET]   build the libFuzzer targets with clang and run them
# SANITIZE=1 before test or demo builds everything with ASan and UBSan (folder build-asan).
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$PWD

PACKAGES=(
  build-essential cmake pkg-config git
  libssl-dev openssl libpcsclite-dev liblog4cxx-dev libconfig++-dev libldap-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  pcscd vsmartcard-vpcd opensc tinyproxy curl procps
  python3
  slapd ldap-utils
  libp11-kit-dev p11-kit gnutls-bin libnss3-tools libengine-pkcs11-openssl openssh-client
)

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "== installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

build() {
  local dir=build flags=()
  if [ "${SANITIZE:-0}" = 1 ]; then dir=build-asan; flags+=(-DVN_SANITIZE=ON); fi
  cmake -S "$ROOT" -B "$ROOT/$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVN_WERROR=ON "${flags[@]}" "$@" >/dev/null
  cmake --build "$ROOT/$dir" -j"$(nproc)"
  BUILD_DIR=$ROOT/$dir
}

cmd=${1:-help}
shift || true
case "$cmd" in
  demo)
    install_packages
    build
    exec "$ROOT/tools/demo.sh" "$BUILD_DIR"
    ;;
  test)
    install_packages
    build
    cd "$BUILD_DIR"
    ctest --output-on-failure -j"$(nproc)" --timeout 600
    ;;
  bench)
    install_packages
    build -DCMAKE_BUILD_TYPE=Release
    for b in "$BUILD_DIR"/bench/*/bench_*; do
      [ -x "$b" ] && "$b" --benchmark_counters_tabular=true
    done
    ;;
  fuzz)
    install_packages clang libclang-rt-14-dev
    secs=${1:-60}
    target=${2:-}
    CC=clang CXX=clang++ cmake -S "$ROOT" -B "$ROOT/build-fuzz" -DVN_FUZZ=ON -DVN_TESTS=OFF -DVN_BENCH=OFF -DVN_WERROR=OFF >/dev/null
    cmake --build "$ROOT/build-fuzz" -j"$(nproc)"
    for f in "$ROOT"/build-fuzz/fuzz/*/fuzz_*; do
      [ -x "$f" ] || continue
      [ -z "$target" ] || [ "$(basename "$f")" = "$target" ] || continue
      mkdir -p "$ROOT/build-fuzz/corpus/$(basename "$f")"
      echo "== $(basename "$f") for ${secs}s"
      "$f" -max_total_time="$secs" -print_final_stats=1 "$ROOT/build-fuzz/corpus/$(basename "$f")"
    done
    ;;
  *)
    sed -n '2,8p' "$0"
    ;;
esac
