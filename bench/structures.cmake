difscop_bench(structures difscop_structures)
# The baseline is gemmi's own direct structure-factor sum.
target_include_directories(bench_structures PRIVATE "${GEMMI_INCLUDE_DIR}" "${PEGTL_INCLUDE_DIR}")
