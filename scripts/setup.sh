# Shared by scripts/run and scripts/test: install what the build needs (Debian 12, as root),
# then configure and build one preset. Each step is skipped when it is already done.

QUIB_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libbz2-dev googletest libgtest-dev
               libgmock-dev libbenchmark-dev clang-format bzip2 libminiupnpc-dev
               libnatpmp-dev ccache)
# The tests and benchmarks check the transfer's bzip2 streams against these encoders; the
# tests across network namespaces need a router with NAT and a port-mapping daemon.
QUIB_TEST_PACKAGES=(lbzip2 pbzip2 iproute2 nftables miniupnpd-nftables)
# The fuzz targets: clang with libFuzzer and the sanitizer runtimes.
QUIB_FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)
# The Windows syntax check of the logic (scripts/check-windows).
QUIB_WINDOWS_CHECK_PACKAGES=(g++-mingw-w64-x86-64-posix)
# scripts/package: the .deb (dpkg-shlibdeps finds its dependencies) and the Windows installer;
# its test installs that under Wine.
QUIB_PACKAGE_PACKAGES=(dpkg-dev nsis wine64)
# The Windows build and its tests under Wine (scripts/windows-deps builds the libraries from
# Debian's source packages with dpkg-dev's apt-get source); the window's tests on a virtual
# X display.
QUIB_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix wine64 dpkg-dev xvfb xauth)
# A Windows copy and a Linux copy together (tests/cross): a stranger dialling in from Python.
QUIB_CROSS_PACKAGES=(python3-minimal)

quib_install_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing Debian packages: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

quib_build() {
  local preset="$1"
  if [ ! -f "build/$preset/build.ninja" ]; then
    # Six builds share most of their sources; ccache compiles each file once per flag set.
    CMAKE_CXX_COMPILER_LAUNCHER=ccache cmake --preset "$preset"
  fi
  cmake --build --preset "$preset" -j "$(nproc)"
}
