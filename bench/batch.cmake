# difscop-cli over many files at once.
if(TARGET difscop-cli)
  difscop_bench(batch)
  target_compile_definitions(bench_batch PRIVATE DIFSCOP_CLI="$<TARGET_FILE:difscop-cli>")
  add_dependencies(bench_batch difscop-cli)
endif()
