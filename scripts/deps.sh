# Installs the Debian packages the build and the tests need, only those missing.
# Sourced by scripts/run, scripts/test and scripts/bench.
ORVANTIS_PACKAGES="cmake g++ make pkg-config libsqlite3-dev sqlite3 libssl-dev qt6-base-dev libgtest-dev libgmock-dev poppler-utils xauth xvfb fonts-dejavu-core qt6-translations-l10n"

orvantis_install_deps() {
  local missing=()
  for p in $ORVANTIS_PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# orvantis_build DIR TYPE [TARGET...]: everything, or only the targets named
orvantis_build() {
  local dir="$1" type="$2"
  shift 2
  local targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  local launcher=()
  # ccache, where the machine has it, makes rebuilds of other checkouts cheap
  command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$ORVANTIS_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE="$type" "${launcher[@]}" >/dev/null
  cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
}
