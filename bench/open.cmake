# Opening 1,000 patterns in the window: time against reading them one by
# one, and the program's resident size with them open.
if(TARGET difscop)
  difscop_bench(open difscop_shell)
  target_compile_definitions(bench_open PRIVATE DIFSCOP_PROGRAM="$<TARGET_FILE:difscop>")
  add_dependencies(bench_open difscop)
endif()
