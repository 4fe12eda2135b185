#!/bin/sh
# consumer-test.sh — installs a build into a fresh prefix and uses it as a
# station program's build would: find_package(Kavo5000 VERSION EXACT) from
# that prefix alone, a host compiled against the installed header, and the
# installed tool and the installed C interface loading the installed module
# (not the build tree's), which the package config names.
#   consumer-test.sh CMAKE GENERATOR BUILD_DIR WORK_DIR VERSION CXX CXX_FLAGS
set -eu
cmake=$1
generator=$2
build=$3
work=$4
version=$5
cxx=$6
cxx_flags=$7
here=$(cd "$(dirname "$0")" && pwd)

rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix
"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log"

"$cmake" -S "$here/consumer" -B "$work/build" -G "$generator" -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_CXX_FLAGS="$cxx_flags" \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
  -DKAVO5000_EXPECTED_VERSION="$version" >"$work/configure.log" ||
  { cat "$work/configure.log" >&2; exit 1; }
# The header must come from the prefix, not from a copy the machine has.
grep -q -- "-isystem $prefix/include" "$work/build/compile_commands.json" ||
  { echo "consumer-test.sh: the consumer does not include $prefix/include" >&2; exit 1; }
"$cmake" --build "$work/build" >"$work/build.log" || { cat "$work/build.log" >&2; exit 1; }

# module_loaded WHO LOG: the libKavo5000.so the dynamic loader's log names,
# which must be the prefix's.
module_loaded() {
  module=$(sed -n 's/.*file=\([^ ]*libKavo5000\.so\) .*/\1/p' "$2" | head -n 1)
  echo "$1 loaded: $module"
  case $module in
  "$prefix"/*) ;;
  *)
    echo "consumer-test.sh: $1 loaded ${module:-no module}, not the one under $prefix" >&2
    exit 1
    ;;
  esac
}

# The consumer lives outside the prefix: the C interface finds the module
# from its own library's place.
LD_DEBUG=files "$work/build/consumer" >"$work/consumer.out" 2>"$work/consumer.err" ||
  { cat "$work/consumer.out" "$work/consumer.err" >&2; exit 1; }
cat "$work/consumer.out"
[ "$(head -n 1 "$work/consumer.out")" = ok ]
module_loaded "the consumer's C interface" "$work/consumer.err"
named=$(sed -n 's/^module: //p' "$work/consumer.out")
[ "$named" = "$module" ] ||
  { echo "consumer-test.sh: the package config names $named, the module loaded is $module" >&2; exit 1; }

# The dynamic loader names every file it maps: the module must be the prefix's.
reported=$("$prefix/bin/kavo5000" --version)
echo "$reported"
[ "$reported" = "kavo5000 $version" ] ||
  { echo "consumer-test.sh: the installed tool says \"$reported\", the package is $version" >&2; exit 1; }
LD_DEBUG=files "$prefix/bin/kavo5000" param get 1 29 >"$work/tool.out" 2>"$work/tool.err"
cat "$work/tool.out"
module_loaded "the installed tool" "$work/tool.err"
