# Sourced by scripts/run and scripts/test: installs the Debian packages that are missing.
BREVANE_PACKAGES=(
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libsqlite3-dev libqt6svg6
  libvmime-dev libbenchmark-dev fonts-dejavu-core
  python3 python3-aiosmtpd dovecot-imapd openssl dpkg-dev
)

install_missing_packages() {
  local missing=()
  local p
  for p in "${BREVANE_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
