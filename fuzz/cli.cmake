# The command line tool's option values.
difscop_fuzzer(cli_options difscop_textio)
target_sources(fuzz_cli_options PRIVATE ${PROJECT_SOURCE_DIR}/src/cli/processing_options.cpp)
target_include_directories(fuzz_cli_options PRIVATE ${PROJECT_SOURCE_DIR}/src)
