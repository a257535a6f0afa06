# Shared by scripts/run and scripts/test: install what the build needs on a
# Debian 12 machine, then configure and build.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TALLOWMERE_BUILD_DIR:-$ROOT/build}"

PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-dev llvm pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-httpserver-dev qt6-websockets-dev libgl-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  openssl libssl-dev xvfb xauth fonts-dejavu-core curl jq
)

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  if [ "${#missing[@]}" -gt 0 ] || [ "${CI:-}" = "true" ]; then
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing packages: ${missing[*]:-(checking all)}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${PACKAGES[@]}" >/dev/null
  fi
}

build_all() {
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$BUILD" --parallel "$(nproc)"
}
