# The compiler cache every build of the scripts goes through, sourced by
# scripts/test and scripts/package (scripts/fuzz takes ccache when it is
# there, and these settings from the environment). Paths under the checkout
# are hashed relative to the build folder and the build folder itself is
# not hashed, so the same compilation in build/shipping and build/release,
# or in a second clone, is compiled once. Sets `compiler_launcher`, the
# CMake argument that puts ccache in front of the compiler.
export CCACHE_BASEDIR=$PWD
export CCACHE_NOHASHDIR=1
# The five builds of scripts/test take about 1.5 GB in the cache.
export CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-4G}
compiler_launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
