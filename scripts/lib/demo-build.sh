# The demo's build, sourced by scripts/demo and scripts/screenshots: a test
# build (the demo drives the programs through the testers' settings)
# without the tests, in build/demo, through the compiler cache.
#
#   demo_build [-DNAME=value ...] TARGET ...
#
# The update key is reset unless given, so that a key an earlier demo run
# made does not stay in the build's cache.
demo_build() {
  local settings=(-DUPDATE_PUBLIC_KEY=) targets=() argument
  for argument in "$@"; do
    case $argument in
      -D*) settings+=("$argument") ;;
      *) targets+=("$argument") ;;
    esac
  done
  source scripts/lib/compiler-cache.sh
  cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=Release -DENABLE_TEST_SEAMS=ON -DBUILD_TESTING=OFF \
    "${compiler_launcher[@]}" "${settings[@]}" >/dev/null
  cmake --build build/demo --target "${targets[@]}" -j "$(nproc)" >/dev/null
}
