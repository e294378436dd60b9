# Sourced by the install scripts: the screen gets one line per step, the output of the
# commands goes to the log file named by $log.

# Runs a command as one step: its title on the screen, its output in the log, and on
# failure the title and where to read why.
step() {
  local title="$1"
  shift
  echo "$title"
  if ! "$@" >> "$log" 2>&1; then
    echo "Failed: $title. The output is in $log" >&2
    exit 1
  fi
}

# Sets missing to those of the named Debian packages that are not installed.
find_missing_packages() {
  missing=()
  local package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done
}
