#!/usr/bin/env bash
# Entry point for building, testing and trying the library on Debian 12.
#   ./run.sh demo    install what is missing, build, show the library at work
#   ./run.sh test    install what is missing, build with -Werror, run the whole test suite
#   ./run.sh sanitize  the ASan+UBSan build with leak detection: every test that needs no
#                    card stack, one stack test per card family, and the fuzz corpora
#   ./run.sh tsan    the ThreadSanitizer build of the PKCS#11 module and its tests: the
#                    module's functions from many threads (build-tsan)
#   ./run.sh bench   build and run the benchmarks
#   ./run.sh format-check   every C++ file formatted as .clang-format says (nothing is changed)
#   ./run.sh fuzz [SECONDS] [TARGET]   build the libFuzzer targets with clang and run them
#   ./run.sh fuzz-keep [TARGET]        minimise what they found into fuzz/*/corpus/
# SANITIZE=1 before test or demo builds everything with ASan and UBSan (folder build-asan).
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$PWD

PACKAGES=(
  build-essential cmake pkg-config git
  libssl-dev openssl libpcsclite-dev liblog4cxx-dev libconfig++-dev libldap-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  ccache pcscd vsmartcard-vpcd opensc tinyproxy curl procps
  python3
  slapd ldap-utils
  faketime
  libp11-kit-dev p11-kit gnutls-bin libnss3-tools libengine-pkcs11-openssl openssh-client
  clang-format
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
  if [ "${TSAN:-0}" = 1 ]; then
    # GCC warns that it cannot instrument atomic_thread_fence; the runtime handles it.
    local t="-fsanitize=thread"
    dir=build-tsan
    flags+=(-DVN_BENCH=OFF "-DCMAKE_CXX_FLAGS=$t -Wno-tsan" "-DCMAKE_C_FLAGS=$t -Wno-tsan"
            "-DCMAKE_EXE_LINKER_FLAGS=$t" "-DCMAKE_SHARED_LINKER_FLAGS=$t" "-DCMAKE_MODULE_LINKER_FLAGS=$t")
  fi
  # ccache keeps rebuilds short; paths below the checkout are hashed relative to it,
  # so two checkouts share their cache.
  if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR=$ROOT
    flags+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S "$ROOT" -B "$ROOT/$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVN_WERROR=ON "${flags[@]}" "$@" >/dev/null
  cmake --build "$ROOT/$dir" -j"$(nproc)" ${BUILD_TARGETS:+--target $BUILD_TARGETS}
  BUILD_DIR=$ROOT/$dir
}

# Leak detection stays on; UBSan findings stop the test with a stack.
sanitizer_options() {
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
}

# The card-stack tests the sanitizer run of CI takes: each card operating system end to
# end, secure messaging, the signing frame and the tool on a card, the legacy path.
SANITIZE_STACK_TESTS='^(CardOsEndToEnd[.]|Tcos3Sm[.]AgreesOnTheSession|SignDocCard[.]|VncardStack[.]ListsSigns|LegacyEdges[.]SetcosAndCardos43)'
# The ThreadSanitizer run: the PKCS#11 module's functions called from threads (signing
# on two readers and on one, slot events with a concurrent C_Finalize, removal, fork).
TSAN_TESTS='^Pkcs11Module[.]'
TSAN_TARGETS='test_pkcs11_stack cardsim vncard vorncryptossl-pkcs11'
# The folders whose C++ files the format check reads.
FORMAT_DIRS=(include src tests tools bench fuzz examples)

# Lists every .cpp/.h file that clang-format would change and fails when there is one.
format_check() {
  local files=() bad=() f
  command -v clang-format >/dev/null || { echo "format-check: clang-format is missing"; return 1; }
  if git -C "$ROOT" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    while IFS= read -r -d '' f; do
      if [ -f "$ROOT/$f" ]; then files+=("$f"); fi
    done < <(
      git -C "$ROOT" ls-files -z --cached --others --exclude-standard -- "${FORMAT_DIRS[@]/%//*.cpp}" "${FORMAT_DIRS[@]/%//*.h}")
  else
    while IFS= read -r -d '' f; do files+=("${f#./}"); done < <(
      cd "$ROOT" && find "${FORMAT_DIRS[@]}" -type f \( -name '*.cpp' -o -name '*.h' \) -print0)
  fi
  # clang-format names each file it would change in its messages ("FILE:LINE:COL: error: ...").
  mapfile -t bad < <(cd "$ROOT" && printf '%s\0' "${files[@]}" |
    xargs -0 -n 100 clang-format --dry-run -Werror --style=file 2>&1 >/dev/null |
    sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: .*/\1/p' | sort -u)
  echo "format-check: ${#files[@]} files, ${#bad[@]} not formatted"
  [ ${#bad[@]} -eq 0 ] && return 0
  printf '  %s\n' "${bad[@]}"
  echo "format them with: clang-format -i --style=file FILE..."
  return 1
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
    sanitizer_options
    ctest --output-on-failure -j"$(nproc)" --timeout 600
    ;;
  sanitize)
    install_packages
    SANITIZE=1 build
    cd "$BUILD_DIR"
    sanitizer_options
    ctest --output-on-failure -j"$(nproc)" --timeout 600 -LE pcscd
    ctest --output-on-failure -j"$(nproc)" --timeout 600 -L pcscd -R "$SANITIZE_STACK_TESTS"
    ;;
  tsan)
    install_packages
    TSAN=1 BUILD_TARGETS=$TSAN_TARGETS build
    cd "$BUILD_DIR"
    export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$ROOT/tests/pkcs11/tsan.supp}
    ctest --output-on-failure -j"$(nproc)" --timeout 600 -R "$TSAN_TESTS"
    ;;
  format-check)
    install_packages
    format_check
    ;;
  bench)
    install_packages
    build -DCMAKE_BUILD_TYPE=Release
    for b in "$BUILD_DIR"/bench/*/bench_*; do
      [ -x "$b" ] && "$b" --benchmark_counters_tabular=true
    done
    ;;
  fuzz|fuzz-keep)
    install_packages clang libclang-rt-14-dev
    if [ "$cmd" = fuzz ]; then secs=${1:-60}; target=${2:-}; else secs=0; target=${1:-}; fi
    CC=clang CXX=clang++ cmake -S "$ROOT" -B "$ROOT/build-fuzz" -DVN_FUZZ=ON -DVN_TESTS=OFF -DVN_BENCH=OFF -DVN_WERROR=OFF >/dev/null
    cmake --build "$ROOT/build-fuzz" -j"$(nproc)"
    for f in "$ROOT"/build-fuzz/fuzz/*/fuzz_*; do
      [ -x "$f" ] || continue
      name=$(basename "$f")
      [ -z "$target" ] || [ "$name" = "$target" ] || continue
      kept=$ROOT/fuzz/$(basename "$(dirname "$f")")/corpus/$name
      found=$ROOT/build-fuzz/corpus/$name
      mkdir -p "$kept" "$found"
      if [ "$cmd" = fuzz ]; then
        # New inputs go to the build folder; the kept corpus is read as seeds.
        echo "== $name for ${secs}s"
        "$f" -max_total_time="$secs" -print_final_stats=1 "$found" "$kept"
      else
        # The smallest set of inputs that keeps the coverage of both folders.
        echo "== $name: minimising into $kept"
        merged=$(mktemp -d)
        "$f" -merge=1 "$merged" "$kept" "$found" 2>/dev/null
        rm -f "$kept"/*
        cp "$merged"/* "$kept"/ 2>/dev/null || true
        rm -rf "$merged"
        echo "$(ls "$kept" | wc -l) inputs kept"
      fi
    done
    ;;
  *)
    sed -n '2,13p' "$0"
    ;;
esac
