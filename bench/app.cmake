# Start-up of the real program to its first painted frame, with and without
# a file on the command line.
if(TARGET difscop)
  difscop_bench(app difscop_shell)
  target_compile_definitions(bench_app PRIVATE DIFSCOP_PROGRAM="$<TARGET_FILE:difscop>")
  add_dependencies(bench_app difscop)
endif()
