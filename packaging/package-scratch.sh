# Sourced by the package checks: a scratch folder removed on exit (and made the current
# folder, since the examples save their pictures there), fail(), and pack GENERATOR, which
# makes the build tree's package of that CPack generator in the scratch folder and prints
# its path. Expects $build.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$scratch"

pack() {
  cpack --config "$build/CPackConfig.cmake" -G "$1" -B "$scratch/package" >/dev/null
  local made
  made=$(ls "$scratch"/package/*."${1,,}")
  echo "package: $(basename "$made")" >&2
  echo "$made"
}
