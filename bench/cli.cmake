# Whole runs of difscop-cli against a minimal C reader of the same file.
if(TARGET difscop-cli)
  add_executable(bench_min_reader ${CMAKE_CURRENT_SOURCE_DIR}/min_reader.c)
  difscop_bench(cli)
  target_compile_definitions(bench_cli PRIVATE DIFSCOP_CLI="$<TARGET_FILE:difscop-cli>"
                                               DIFSCOP_MIN_READER="$<TARGET_FILE:bench_min_reader>")
  add_dependencies(bench_cli difscop-cli bench_min_reader)
endif()
