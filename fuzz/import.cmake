# Pattern readers and the keyed-line scanners.
foreach(reader rint mac rad hermes xy rietan_int simulated igor cif fullprof key_scan)
  difscop_fuzzer(${reader} difscop_import)
endforeach()
