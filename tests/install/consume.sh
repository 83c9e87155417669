#!/usr/bin/env bash
# Installs the built tree into a temporary prefix, moves the prefix (nothing
# may depend on where it was installed), then builds and runs a consumer
# through the CMake package and through pkg-config, and renders a small scene
# with the installed uvo-render using nothing but its own tree.
# Arguments: build dir, source dir, C compiler, generator.
set -euo pipefail
build=$1 source=$2 cc=$3 generator=$4
work=$(mktemp -d "${TMPDIR:-/tmp}/uvo-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
unset LD_LIBRARY_PATH

cmake --install "$build" --prefix "$work/installed" >/dev/null
mv "$work/installed" "$work/moved"
prefix=$work/moved
for f in lib/libuvo_shaders.so.0 lib/libuvo_kit.so.0 include/uvo/host_interface.h include/uvo/tonemap_api.h \
         include/uvo/kit.h share/uvo/shaders/uvo_material.json bin/uvo-render share/doc/uvo/LICENSE; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done

# No run path may lead back into the build tree.
for f in bin/uvo-render lib/libuvo_host.so; do
  if readelf -d "$prefix/$f" | grep -E 'R(UN)?PATH' | grep -qF "$build"; then
    echo "$f: run path into the build tree"; exit 1
  fi
done

echo "-- CMake package"
cmake -S "$source/tests/install/consumer" -B "$work/cmake" -G "$generator" -DCMAKE_C_COMPILER="$cc" \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/cmake" >/dev/null
"$work/cmake/consumer"

echo "-- pkg-config"
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
declarations=$(pkg-config --variable=declarations uvo)
[ -f "$declarations/uvo_material.json" ] || { echo "pkg-config declarations: $declarations"; exit 1; }
# shellcheck disable=SC2046
"$cc" -std=c99 -o "$work/consumer_pc" "$source/tests/install/consumer/consumer.c" \
  $(pkg-config --cflags --libs uvo uvo-kit) -Wl,-rpath,"$prefix/lib" -rdynamic -ldl -lm
"$work/consumer_pc"

echo "-- installed uvo-render"
(cd "$work" && "$prefix/bin/uvo-render" "$source/scenes/default.json" --width 16 --height 12 --samples 1 \
  --no-progress -v 1 -o "$work/render/default")
[ -s "$work/render/default.exr" ] && [ -s "$work/render/default.png" ] || { echo "no image written"; exit 1; }
# It used the moved tree's library and declarations (the header says which).
for used in "$prefix/lib/libuvo_shaders.so.0" "$prefix/share/uvo/shaders"; do
  grep -aqF "$used" "$work/render/default.exr" || { echo "uvo-render did not use $used"; exit 1; }
done
echo "install-and-consume: ok"
