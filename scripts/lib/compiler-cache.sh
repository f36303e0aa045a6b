# The compiler cache every build of the scripts goes through, sourced by
# scripts/test and scripts/package (scripts/fuzz takes ccache when it is
# there, and these settings from the environment). Paths under the checkout
# are hashed relative to the build folder and the build folder itself is
# not hashed, so the same compilation in build/shipping and build/release,
# or in a second clone, is compiled once. Sets `compiler_launcher`, the
# CMake argument that puts ccache in front of the compiler.
export CCACHE_BASEDIR=$PWD
export CCACHE_NOHASHDIR=1
# Compressed, a Release build takes about 15 MB of cache and a Sanitize
# build about 60 MB: 2 GB keeps every build of several clones.
export CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-2G}
compiler_launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
