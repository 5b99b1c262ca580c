# Sourced by the benchmarks: builds scrivlet-ftp in Release into $build_dir
# and sets $cli to the program.
echo "Building scrivlet-ftp (Release) in $build_dir ..."
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DSCRIVLET_BUILD_TESTS=OFF \
  -DSCRIVLET_BUILD_APP=OFF -DSCRIVLET_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" --target scrivlet-ftp -j"$(nproc)" >/dev/null
cli="$build_dir/tools/scrivlet-ftp/scrivlet-ftp"
