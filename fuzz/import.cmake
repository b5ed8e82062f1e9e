# Pattern readers and the keyed-line scanners.
foreach(reader rint mac rad hermes xy rietan_int simulated igor cif fullprof key_scan rigaku
        gsas_raw xylib detect)
  difscop_fuzzer(${reader} difscop_import)
  # xylib's formats are read by difscop-xylib.
  add_dependencies(fuzz_${reader} difscop-xylib)
endforeach()
